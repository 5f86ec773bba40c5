#include "analysis/exactfit.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>

#include <Eigen/Cholesky>
#include <Eigen/Dense>

#include "analysis/recording.h"

namespace analysis {

namespace {

double SignalOverResidualDb(double signal, double residual)
{
    if (signal <= 0)
        return 0;
    if (residual <= signal * 1e-20)
        return 200;
    return 10 * std::log10(signal / residual);
}

}  // namespace

double GridFit::SnrDb() const
{
    return SignalOverResidualDb(signal, residual);
}

double ExactFit::SnrDb() const
{
    return SignalOverResidualDb(signal, residual);
}

double ExactFit::ModelSnrDb() const
{
    return SignalOverResidualDb(signal, modelResidual);
}

namespace {

constexpr double Ridge = 1e-10;        // of a block's mean diagonal: keeps collinear columns solvable
constexpr int HeldPasses = 4;          // fits on the phases, each holding at zero what came out negative
constexpr int PhaseSteps = 12;         // steps of the phases, each with the magnitudes fitted anew
constexpr double FirstDamping = 1e-3;  // of the phases' normal equations' diagonal
constexpr int MostRefused = 3;         // steps in a row that leave more and end the steps
constexpr double Settled = 0.9;        // of the residual before: a step that leaves more is the last

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

// Weighted sums of cos(m theta) and sin(m theta) over one envelope segment, for the three products
// of the two hat functions that overlap there: (1-t)^2, t(1-t) and t^2.
struct SegmentSums {
    std::vector<double> c[3], s[3];
};

// The normal equations of a fit on hat functions: block k meets only blocks k-1 and k+1. Block
// Cholesky, forward then back, with a ridge that keeps collinear columns solvable.
template <class Rhs>
std::vector<Rhs> SolveBlockTridiagonal(const std::vector<Matrix>& diagonal, const std::vector<Matrix>& upper,
                                       const std::vector<Rhs>& rhs)
{
    const int points = int(diagonal.size());
    std::vector<Eigen::LLT<Matrix>> factors(diagonal.size());
    std::vector<Rhs> y(diagonal.size());
    for (int k = 0; k < points; ++k) {
        Matrix d = diagonal[k];
        Rhs b = rhs[k];
        if (k > 0) {
            const Matrix x = factors[k - 1].solve(upper[k - 1]);
            d -= upper[k - 1].transpose() * x;
            b -= upper[k - 1].transpose() * factors[k - 1].solve(y[k - 1]);
        }
        const double mean = std::max(d.diagonal().mean(), 1e-300);
        d.diagonal().array() += Ridge * mean;
        factors[k].compute(d);
        y[k] = b;
    }
    std::vector<Rhs> u(diagonal.size());
    for (int k = points - 1; k >= 0; --k) {
        Rhs b = y[k];
        if (k < points - 1)
            b -= upper[k] * u[k + 1];
        u[k] = factors[k].solve(b);
    }
    return u;
}

// A 2m x m matrix with two entries a column: column h maps rank h's one magnitude to its pair,
// (cos, sin) of its phase in rows 2h and 2h+1. Products with it cost a pair a rank, where a dense
// product would cost every row.
struct OnPhases {
    Vector c, s;
    explicit OnPhases(const std::vector<double>& phases, double turn = 0)
        : c(Eigen::Index(phases.size())), s(Eigen::Index(phases.size()))
    {
        for (std::size_t h = 0; h < phases.size(); ++h) {
            c[Eigen::Index(h)] = std::cos(phases[h] + turn);
            s[Eigen::Index(h)] = std::sin(phases[h] + turn);
        }
    }
    OnPhases(Vector cosines, Vector sines) : c(std::move(cosines)), s(std::move(sines)) {}
    int Ranks() const { return int(c.size()); }
    // Each column scaled by rank h's magnitude.
    OnPhases Scaled(const Vector& magnitudes) const
    {
        return {c.cwiseProduct(magnitudes), s.cwiseProduct(magnitudes)};
    }
    // This times magnitudes: the pairs.
    Vector Times(const Vector& magnitudes) const
    {
        Vector out(2 * Ranks());
        for (int h = 0; h < Ranks(); ++h) {
            out[2 * h] = c[h] * magnitudes[h];
            out[2 * h + 1] = s[h] * magnitudes[h];
        }
        return out;
    }
    // Transposed, times pairs (a column or several).
    template <class Pairs>
    Matrix TransposeTimes(const Pairs& x) const
    {
        Matrix out(Ranks(), x.cols());
        for (int h = 0; h < Ranks(); ++h)
            out.row(h) = c[h] * x.row(2 * h) + s[h] * x.row(2 * h + 1);
        return out;
    }
    // A dense 2m x 2m matrix times this.
    Matrix AfterMatrix(const Matrix& d) const
    {
        Matrix out(d.rows(), Ranks());
        for (int h = 0; h < Ranks(); ++h)
            out.col(h) = c[h] * d.col(2 * h) + s[h] * d.col(2 * h + 1);
        return out;
    }
};

// The normal equations of the pairs (block k of `diagonal`, k and k+1 of `upper`) and their
// right-hand sides.
struct PairSystem {
    const std::vector<Matrix>& diagonal;
    const std::vector<Matrix>& upper;
    const std::vector<Vector>& rhs;
    int Points() const { return int(diagonal.size()); }
    // Block k of the product of the normal matrix with per-point columns x.
    template <class Block>
    Block Times(const std::vector<Block>& x, int k) const
    {
        Block out = diagonal[k] * x[k];
        if (k + 1 < Points())
            out += upper[k] * x[k + 1];
        if (k > 0)
            out += upper[k - 1].transpose() * x[k - 1];
        return out;
    }
    // The same with per-point columns held on phases: a 2m x m block.
    Matrix Times(const std::vector<OnPhases>& x, int k) const
    {
        Matrix out = x[k].AfterMatrix(diagonal[k]);
        if (k + 1 < Points())
            out += x[k + 1].AfterMatrix(upper[k]);
        if (k > 0)
            out += x[k - 1].AfterMatrix(upper[k - 1].transpose());
        return out;
    }
};

// Every rank's magnitudes on its phase, the normal equations they were fitted by (with those held
// at zero taken out) and the residual they leave.
struct HeldFit {
    std::vector<Vector> magnitudes;  // at each point, one a rank, none negative
    std::vector<Matrix> diagonal, upper;
    double residual = 0;
};

// Each rank's magnitudes at every point with its pair held on its phase, by least squares; a
// magnitude that comes out negative is held at zero and the others fitted again.
HeldFit MagnitudesOnPhases(const PairSystem& pairs, const std::vector<double>& phases, double signal)
{
    const int points = pairs.Points();
    const int m = int(phases.size());
    const OnPhases onPhase(phases);
    HeldFit fit;
    fit.diagonal.resize(static_cast<std::size_t>(points));
    fit.upper.resize(static_cast<std::size_t>(points - 1));
    std::vector<Vector> b(static_cast<std::size_t>(points));
    for (int k = 0; k < points; ++k) {
        fit.diagonal[k] = onPhase.TransposeTimes(onPhase.AfterMatrix(pairs.diagonal[k]));
        b[k] = onPhase.TransposeTimes(pairs.rhs[k]);
        if (k < points - 1)
            fit.upper[k] = onPhase.TransposeTimes(onPhase.AfterMatrix(pairs.upper[k]));
    }
    std::vector<Vector>& held = fit.magnitudes;
    for (int pass = 0; pass < HeldPasses; ++pass) {
        held = SolveBlockTridiagonal(fit.diagonal, fit.upper, b);
        bool negative = false;
        for (int k = 0; k < points; ++k)
            for (int h = 0; h < m; ++h)
                if (held[k][h] < 0) {
                    held[k][h] = 0;
                    negative = true;
                    // Held at zero: its row and column leave the equations.
                    const double keep = std::max(fit.diagonal[k](h, h), 1e-300);
                    fit.diagonal[k].row(h).setZero();
                    fit.diagonal[k].col(h).setZero();
                    fit.diagonal[k](h, h) = keep;
                    b[k][h] = 0;
                    if (k > 0)
                        fit.upper[k - 1].col(h).setZero();
                    if (k < points - 1)
                        fit.upper[k].row(h).setZero();
                }
        if (!negative)
            break;
    }
    for (auto& v : held)
        v = v.cwiseMax(0.0);
    // |x|^2 - 2 p.b + p'Ap over the pairs p the magnitudes make on their phases.
    std::vector<Vector> pair(static_cast<std::size_t>(points));
    for (int k = 0; k < points; ++k)
        pair[k] = onPhase.Times(held[k]);
    double form = 0;
    for (int k = 0; k < points; ++k)
        form += pair[k].dot(pairs.Times(pair, k)) - 2 * pair[k].dot(pairs.rhs[k]);
    fit.residual = std::max(0.0, signal + form);
    return fit;
}

// The Gauss-Newton step of the phases with the magnitudes fitted anew on every phase (variable
// projection): the normal equations of the phases, the magnitudes eliminated from them, as the
// matrix `normal` and the right-hand side `gradient`.
struct PhaseStep {
    Matrix normal;
    Vector gradient;
};
PhaseStep PhaseStepAt(const PairSystem& pairs, const HeldFit& held, const std::vector<double>& phases)
{
    const int points = pairs.Points();
    const int m = int(phases.size());
    const OnPhases onPhase(phases);
    const OnPhases across(phases, std::numbers::pi / 2);
    // 1. The pairs, how they move with each phase, and what they leave of the right-hand sides.
    std::vector<Vector> pair(static_cast<std::size_t>(points));
    std::vector<OnPhases> moves;
    for (int k = 0; k < points; ++k) {
        pair[k] = onPhase.Times(held.magnitudes[k]);
        moves.push_back(across.Scaled(held.magnitudes[k]));
    }
    // 2. The phases' normal equations, and their coupling with the magnitudes (none for those held
    //    at zero), with the gradient of each.
    PhaseStep step{Matrix::Zero(m, m), Vector::Zero(m)};
    std::vector<Matrix> coupled(static_cast<std::size_t>(points));
    for (int k = 0; k < points; ++k) {
        const Vector left = pairs.rhs[k] - pairs.Times(pair, k);
        const Matrix movedBy = pairs.Times(moves, k);
        step.normal += moves[k].TransposeTimes(movedBy);
        step.gradient += moves[k].TransposeTimes(left);
        coupled[k] = Matrix(m, m + 1);
        coupled[k].leftCols(m) = onPhase.TransposeTimes(movedBy);
        coupled[k].col(m) = onPhase.TransposeTimes(left);
        for (int h = 0; h < m; ++h)
            if (held.magnitudes[k][h] <= 0)
                coupled[k].row(h).setZero();
    }
    // 3. The magnitudes eliminated: the Schur complement of their block-tridiagonal equations.
    const std::vector<Matrix> solved = SolveBlockTridiagonal(held.diagonal, held.upper, coupled);
    for (int k = 0; k < points; ++k) {
        step.normal -= coupled[k].leftCols(m).transpose() * solved[k].leftCols(m);
        step.gradient -= coupled[k].leftCols(m).transpose() * solved[k].col(m);
    }
    return step;
}

// Levenberg-Marquardt: the step damped by `damping` times the diagonal.
std::vector<double> PhasesAfter(const PhaseStep& step, const std::vector<double>& phases, double damping)
{
    Matrix normal = step.normal;
    normal.diagonal() *= 1 + damping;
    const double mean = std::max(normal.diagonal().mean(), 1e-300);
    normal.diagonal().array() += Ridge * mean;
    const Vector delta = normal.ldlt().solve(step.gradient);
    std::vector<double> out(phases);
    for (std::size_t h = 0; h < out.size(); ++h)
        out[h] =
            std::remainder(out[h] + std::clamp(delta[Eigen::Index(h)], -std::numbers::pi, std::numbers::pi),
                           2 * std::numbers::pi);
    return out;
}

// The dominant direction of rank h's pairs (sine, cosine) at the first `end` points, turned
// the way they point on the whole; zero when they all are.
Eigen::Vector2d DominantDirection(const std::vector<Vector>& u, int h, int end)
{
    Eigen::Matrix2d scatter = Eigen::Matrix2d::Zero();
    Eigen::Vector2d sum = Eigen::Vector2d::Zero();
    for (int k = 0; k < end; ++k) {
        const Eigen::Vector2d v(u[k][2 * h], u[k][2 * h + 1]);
        scatter += v * v.transpose();
        sum += v;
    }
    if (!(scatter.trace() > 0))
        return Eigen::Vector2d::Zero();
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eigen(scatter);
    Eigen::Vector2d direction = eigen.eigenvectors().col(1);
    return direction.dot(sum) < 0 ? Eigen::Vector2d(-direction) : direction;
}

// The model's form of `fit` with the magnitudes fitted on the phases themselves, from the better
// of `starts`, the phases then moved by Levenberg-Marquardt: a step that leaves more is taken
// again with more damping, one that leaves less is followed by one with less. Kept where it
// leaves less than the form `fit` has.
void FitOnPhases(const PairSystem& system, const std::vector<std::vector<double>>& starts, GridFit& fit)
{
    const int m = int(fit.phases.size());
    auto keep = [&](const HeldFit& held, const std::vector<double>& phases) {
        fit.modelResidual = held.residual;
        fit.phases = phases;
        for (int h = 0; h < m; ++h)
            for (int k = 0; k < system.Points(); ++k)
                fit.magnitudes[h][k] = held.magnitudes[k][h];
    };
    std::optional<HeldFit> kept;
    for (const std::vector<double>& start : starts) {
        HeldFit held = MagnitudesOnPhases(system, start, fit.signal);
        if (held.residual < fit.modelResidual) {
            keep(held, start);
            kept = std::move(held);
        }
    }
    if (!kept)
        return;
    double damping = FirstDamping;
    PhaseStep toward = PhaseStepAt(system, *kept, fit.phases);
    int refused = 0;  // steps in a row that left more
    for (int round = 0; round < PhaseSteps; ++round) {
        const std::vector<double> phases = PhasesAfter(toward, fit.phases, damping);
        const HeldFit held = MagnitudesOnPhases(system, phases, fit.signal);
        if (held.residual < fit.modelResidual) {
            const bool settled = held.residual > Settled * fit.modelResidual;
            keep(held, phases);
            if (settled)
                break;
            toward = PhaseStepAt(system, held, phases);
            damping /= 3;
            refused = 0;
        } else if (++refused == MostRefused) {
            break;
        } else {
            damping *= 4;
        }
    }
}

}  // namespace

// 1. For each segment, accumulate the weighted trigonometric sums up to twice the highest rank
//    (every product sin(r theta) sin(q theta) is a half sum of cos((r-q) theta) and
//    cos((r+q) theta)), and the right-hand sides against the samples.
// 2. Assemble the normal equations, block tridiagonal: point k meets only points k-1 and k+1.
// 3. Solve them by block Cholesky, forward then back.
// 4. Each harmonic's envelope points as 2-vectors (sine, cosine): the residual, then the
//    dominant direction as the phase and the projections as the magnitudes, and their residual.
// 5. The magnitudes fitted again with every harmonic held on its phase, then the phases on those
//    magnitudes, in turn, while the model's form leaves less than the projections.
GridFit FitOnGrid(const std::vector<double>& samples, long segment, int segments, double fundamental,
                  double curvature, const std::vector<int>& ranks)
{
    GridFit fit;
    const int m = int(ranks.size());
    const int block = 2 * m;
    const int points = segments + 1;
    if (m == 0 || segments <= 0 || segment <= 0)
        return fit;
    const int highest = *std::max_element(ranks.begin(), ranks.end());
    const int orders = 2 * highest + 1;

    std::vector<SegmentSums> sums(points - 1);
    std::vector<Vector> rhs(points, Vector::Zero(block));
    std::vector<std::complex<double>> power(orders);
    const double step = 2 * std::numbers::pi * fundamental / Rate;
    for (int k = 0; k < points - 1; ++k) {
        SegmentSums& sum = sums[k];
        for (auto& v : sum.c)
            v.assign(orders, 0.0);
        for (auto& v : sum.s)
            v.assign(orders, 0.0);
        for (long j = 0; j < segment; ++j) {
            const long i = k * segment + j;
            const double t = double(j) / double(segment);
            const double w[3] = {(1 - t) * (1 - t), t * (1 - t), t * t};
            const double x = i < long(samples.size()) ? samples[i] : 0.0;
            fit.signal += x * x;
            // The angle of rank 1, reduced before its powers are formed.
            const double theta =
                std::remainder(step * double(i) * (1 + curvature * double(i)), 2 * std::numbers::pi);
            const std::complex<double> base(std::cos(theta), std::sin(theta));
            power[0] = 1;
            for (int q = 1; q < orders; ++q)
                power[q] = power[q - 1] * base;
            for (int p = 0; p < 3; ++p) {
                double* c = sum.c[p].data();
                double* s = sum.s[p].data();
                const double wp = w[p];
                for (int q = 0; q < orders; ++q) {
                    c[q] += wp * power[q].real();
                    s[q] += wp * power[q].imag();
                }
            }
            if (x != 0) {
                const double left = (1 - t) * x, right = t * x;
                for (int h = 0; h < m; ++h) {
                    const std::complex<double>& z = power[ranks[h]];
                    rhs[k][2 * h] += left * z.imag();
                    rhs[k][2 * h + 1] += left * z.real();
                    rhs[k + 1][2 * h] += right * z.imag();
                    rhs[k + 1][2 * h + 1] += right * z.real();
                }
            }
        }
    }

    // Products of the columns (sine, cosine of rank r) x (sine, cosine of rank q) from the sums.
    auto product = [&](const std::vector<double>& c, const std::vector<double>& s, Matrix& out) {
        for (int a = 0; a < m; ++a) {
            for (int b = 0; b < m; ++b) {
                const int r = ranks[a], q = ranks[b];
                const int diff = std::abs(r - q);
                const double sDiff = r >= q ? s[diff] : -s[diff];
                out(2 * a, 2 * b) += 0.5 * (c[diff] - c[r + q]);
                out(2 * a + 1, 2 * b + 1) += 0.5 * (c[diff] + c[r + q]);
                out(2 * a, 2 * b + 1) += 0.5 * (s[r + q] + sDiff);
                out(2 * a + 1, 2 * b) += 0.5 * (s[r + q] - sDiff);
            }
        }
    };
    std::vector<Matrix> diagonal(points, Matrix::Zero(block, block));
    std::vector<Matrix> upper(points - 1, Matrix::Zero(block, block));
    for (int k = 0; k < points - 1; ++k) {
        product(sums[k].c[0], sums[k].s[0], diagonal[k]);
        product(sums[k].c[1], sums[k].s[1], upper[k]);
        product(sums[k].c[2], sums[k].s[2], diagonal[k + 1]);
    }

    std::vector<Vector> u = SolveBlockTridiagonal(diagonal, upper, rhs);
    // Residuals as the quadratic form itself, |x|^2 - 2 u.b + u'Au: on nearly collinear columns
    // (a glide that stops the pitch) the solution is not exact, and u.b alone would claim more
    // than the samples hold.
    auto residualOf = [&](const std::vector<Vector>& v) {
        double form = 0;
        for (int k = 0; k < points; ++k) {
            form += v[k].dot(diagonal[k] * v[k]) - 2 * v[k].dot(rhs[k]);
            if (k < points - 1)
                form += 2 * v[k].dot(upper[k] * v[k + 1]);
        }
        return std::max(0.0, fit.signal + form);
    };
    fit.residual = residualOf(u);

    // 4. Each harmonic's dominant direction is its one phase; its points projected on it, and
    //    never negative, are the model's form, whose residual says how well the model holds.
    fit.pairs.assign(m, std::vector<std::array<double, 2>>(points));
    fit.phases.assign(m, 0.0);
    fit.magnitudes.assign(m, std::vector<double>(points, 0.0));
    std::vector<Vector> projected(points, Vector::Zero(block));
    for (int h = 0; h < m; ++h) {
        for (int k = 0; k < points; ++k)
            fit.pairs[h][k] = {u[k][2 * h], u[k][2 * h + 1]};
        Eigen::Vector2d direction = DominantDirection(u, h, points);
        if (direction.isZero())
            direction = {0, 1};  // a rank with nothing: its phase is 90 degrees, as it always was
        // sin(theta + phi) = cos(phi) sin(theta) + sin(phi) cos(theta).
        fit.phases[h] = std::atan2(direction[1], direction[0]);
        for (int k = 0; k < points; ++k) {
            const double magnitude =
                std::max(0.0, direction.dot(Eigen::Vector2d(u[k][2 * h], u[k][2 * h + 1])));
            projected[k][2 * h] = magnitude * direction[0];
            projected[k][2 * h + 1] = magnitude * direction[1];
            fit.magnitudes[h][k] = magnitude;
        }
    }
    fit.modelResidual = residualOf(projected);

    // 5. Where the columns of several ranks are nearly collinear (a glide that brings the pitch to
    //    a stop), the free pairs wander in directions that cancel one another, and their
    //    projections no longer cancel: there the magnitudes on the phases are fitted themselves,
    //    from the projections' phases or from those of the points before the crowding, where the
    //    pairs are sound, and the phases moved with them.
    //    Elsewhere the projections are kept: there a model's form that falls short of the free
    //    fit shows a fundamental still off, which the search must go on to see.
    const double slowest = 1 + 2 * std::min(0.0, curvature) * double(long(segments) * segment);
    if (slowest < CrowdingPitch) {
        int sound = 0;  // points before the crowding
        while (sound < points && 1 + 2 * curvature * double(long(sound) * segment) >= CrowdingPitch)
            ++sound;
        std::vector<double> before = fit.phases;
        for (int h = 0; h < m; ++h)
            if (const Eigen::Vector2d direction = DominantDirection(u, h, sound); !direction.isZero())
                before[h] = std::atan2(direction[1], direction[0]);
        FitOnPhases({diagonal, upper, rhs}, {fit.phases, before}, fit);
    }
    return fit;
}

// Each harmonic's envelope points as 2-vectors (sine, cosine): the dominant direction is the
// phase, the projections on it the magnitudes.
ExactFit FitExactly(const std::vector<double>& samples, int duration, double fundamental, double glide,
                    const std::vector<int>& ranks)
{
    ExactFit fit;
    if (ranks.empty() || duration <= 0)
        return fit;
    const long n = long(duration) * long(SamplesPerTenth);
    const GridFit grid =
        FitOnGrid(samples, long(duration) * 98, EnvelopePoints - 1, fundamental, glide / double(n), ranks);
    fit.signal = grid.signal;
    fit.residual = grid.residual;
    fit.modelResidual = grid.modelResidual;
    for (std::size_t h = 0; h < ranks.size(); ++h) {
        FoundHarmonic found;
        found.rank = ranks[h];
        found.phase = grid.phases[h];
        std::copy(grid.magnitudes[h].begin(), grid.magnitudes[h].end(), found.envelope.begin());
        fit.harmonics.push_back(found);
        std::array<std::array<double, 2>, 46> pair;
        std::copy(grid.pairs[h].begin(), grid.pairs[h].end(), pair.begin());
        fit.pairs.push_back(pair);
    }
    return fit;
}

std::vector<double> Synthesise(const ExactFit& fit, int duration, double fundamental, double glide)
{
    const long n = long(duration) * long(SamplesPerTenth);
    std::vector<double> out(std::size_t(std::max<long>(0, n)), 0.0);
    if (fit.harmonics.empty() || n <= 0)
        return out;
    const long segment = long(duration) * 98;
    const double curvature = glide / double(n);
    const double step = 2 * std::numbers::pi * fundamental / Rate;
    for (long i = 0; i < n; ++i) {
        // The same angle as the fit's, so that what the fit explained cancels to its rounding.
        const double theta =
            std::remainder(step * double(i) * (1 + curvature * double(i)), 2 * std::numbers::pi);
        const long k = std::min<long>(i / segment, EnvelopePoints - 2);
        const double t = double(i - k * segment) / double(segment);
        double x = 0;
        for (const FoundHarmonic& h : fit.harmonics) {
            const double magnitude =
                (1 - t) * h.envelope[std::size_t(k)] + t * h.envelope[std::size_t(k + 1)];
            if (magnitude != 0)
                x += magnitude * std::sin(h.rank * theta + h.phase);
        }
        out[std::size_t(i)] = x;
    }
    return out;
}

}  // namespace analysis
