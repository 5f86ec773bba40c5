#include "analysis/exactfit.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

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

constexpr int Points = 46;       // envelope points of a model
constexpr double Ridge = 1e-10;  // of a block's mean diagonal: keeps collinear columns solvable
constexpr int HeldPasses = 4;    // fits on the phases, each holding at zero what came out negative
constexpr int PhaseRounds = 3;   // magnitudes on the phases, then phases on the magnitudes

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

// Weighted sums of cos(m theta) and sin(m theta) over one envelope segment, for the three products
// of the two hat functions that overlap there: (1-t)^2, t(1-t) and t^2.
struct SegmentSums {
    std::vector<double> c[3], s[3];
};

// The normal equations of a fit on hat functions: block k meets only blocks k-1 and k+1. Block
// Cholesky, forward then back, with a ridge that keeps collinear columns solvable.
std::vector<Vector> SolveBlockTridiagonal(const std::vector<Matrix>& diagonal,
                                          const std::vector<Matrix>& upper, const std::vector<Vector>& rhs)
{
    const int points = int(diagonal.size());
    std::vector<Eigen::LLT<Matrix>> factors(diagonal.size());
    std::vector<Vector> y(diagonal.size());
    for (int k = 0; k < points; ++k) {
        Matrix d = diagonal[k];
        Vector b = rhs[k];
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
    std::vector<Vector> u(diagonal.size());
    for (int k = points - 1; k >= 0; --k) {
        Vector b = y[k];
        if (k < points - 1)
            b -= upper[k] * u[k + 1];
        u[k] = factors[k].solve(b);
    }
    return u;
}

// The (sine, cosine) pairs of a rank held on its phase: column h maps rank h's one magnitude to
// (cos, sin) of its phase in rows 2h and 2h+1.
Matrix OnPhases(const std::vector<double>& phases)
{
    const int m = int(phases.size());
    Matrix onPhase = Matrix::Zero(2 * m, m);
    for (int h = 0; h < m; ++h) {
        onPhase(2 * h, h) = std::cos(phases[h]);
        onPhase(2 * h + 1, h) = std::sin(phases[h]);
    }
    return onPhase;
}

// Each rank's magnitudes at every point with its pair held on its phase, by least squares; a
// magnitude that comes out negative is held at zero and the others fitted again.
std::vector<Vector> MagnitudesOnPhases(const std::vector<Matrix>& diagonal, const std::vector<Matrix>& upper,
                                       const std::vector<Vector>& rhs, const std::vector<double>& phases)
{
    const int points = int(diagonal.size());
    const int m = int(phases.size());
    const Matrix onPhase = OnPhases(phases);
    std::vector<Matrix> d(diagonal.size()), up(upper.size());
    std::vector<Vector> b(rhs.size());
    for (int k = 0; k < points; ++k) {
        d[k] = onPhase.transpose() * diagonal[k] * onPhase;
        b[k] = onPhase.transpose() * rhs[k];
        if (k < points - 1)
            up[k] = onPhase.transpose() * upper[k] * onPhase;
    }
    std::vector<Vector> held;
    for (int pass = 0; pass < HeldPasses; ++pass) {
        held = SolveBlockTridiagonal(d, up, b);
        bool negative = false;
        for (int k = 0; k < points; ++k)
            for (int h = 0; h < m; ++h)
                if (held[k][h] < 0) {
                    held[k][h] = 0;
                    negative = true;
                    // Held at zero: its row and column leave the equations.
                    const double keep = std::max(d[k](h, h), 1e-300);
                    d[k].row(h).setZero();
                    d[k].col(h).setZero();
                    d[k](h, h) = keep;
                    b[k][h] = 0;
                    if (k > 0)
                        up[k - 1].col(h).setZero();
                    if (k < points - 1)
                        up[k].row(h).setZero();
                }
        if (!negative)
            break;
    }
    for (auto& v : held)
        v = v.cwiseMax(0.0);
    return held;
}

// Each rank's phase that fits the samples best with its magnitudes' shape fixed: a sine and a
// cosine coefficient a rank over the whole stretch, whose angle is the phase. A rank with no
// magnitude keeps the phase it had.
std::vector<double> PhasesOnMagnitudes(const std::vector<Matrix>& diagonal, const std::vector<Matrix>& upper,
                                       const std::vector<Vector>& rhs, const std::vector<Vector>& magnitudes,
                                       const std::vector<double>& phases)
{
    const int points = int(diagonal.size());
    const int m = int(phases.size());
    Matrix gram = Matrix::Zero(2 * m, 2 * m);
    Vector b = Vector::Zero(2 * m);
    auto add = [&](const Matrix& block, const Vector& left, const Vector& right) {
        for (int i = 0; i < 2 * m; ++i)
            for (int j = 0; j < 2 * m; ++j)
                gram(i, j) += left[i / 2] * block(i, j) * right[j / 2];
    };
    for (int k = 0; k < points; ++k) {
        add(diagonal[k], magnitudes[k], magnitudes[k]);
        if (k < points - 1) {
            add(upper[k], magnitudes[k], magnitudes[k + 1]);
            add(upper[k].transpose(), magnitudes[k + 1], magnitudes[k]);
        }
        for (int i = 0; i < 2 * m; ++i)
            b[i] += magnitudes[k][i / 2] * rhs[k][i];
    }
    const double mean = std::max(gram.diagonal().mean(), 1e-300);
    gram.diagonal().array() += Ridge * mean;
    const Vector z = gram.ldlt().solve(b);
    std::vector<double> out = phases;
    for (int h = 0; h < m; ++h)
        if (std::hypot(z[2 * h], z[2 * h + 1]) > 0)
            out[h] = std::atan2(z[2 * h + 1], z[2 * h]);
    return out;
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
        Eigen::Matrix2d scatter = Eigen::Matrix2d::Zero();
        for (int k = 0; k < points; ++k) {
            fit.pairs[h][k] = {u[k][2 * h], u[k][2 * h + 1]};
            const Eigen::Vector2d v(u[k][2 * h], u[k][2 * h + 1]);
            scatter += v * v.transpose();
        }
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eigen(scatter);
        Eigen::Vector2d direction = eigen.eigenvectors().col(1);
        double along = 0;
        for (int k = 0; k < points; ++k)
            along += direction.dot(Eigen::Vector2d(u[k][2 * h], u[k][2 * h + 1]));
        if (along < 0)
            direction = -direction;
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
    //    then the phases on those magnitudes, in turn.
    //    Elsewhere the projections are kept: there a model's form that falls short of the free
    //    fit shows a fundamental still off, which the search must go on to see.
    const double slowest = 1 + 2 * std::min(0.0, curvature) * double(long(segments) * segment);
    std::vector<double> phases = fit.phases;
    for (int round = 0; round < PhaseRounds && slowest < CrowdingPitch; ++round) {
        const std::vector<Vector> held = MagnitudesOnPhases(diagonal, upper, rhs, phases);
        const Matrix onPhase = OnPhases(phases);
        std::vector<Vector> heldPairs(points);
        for (int k = 0; k < points; ++k)
            heldPairs[k] = onPhase * held[k];
        const double heldResidual = residualOf(heldPairs);
        if (heldResidual >= fit.modelResidual)
            break;
        fit.modelResidual = heldResidual;
        fit.phases = phases;
        for (int h = 0; h < m; ++h)
            for (int k = 0; k < points; ++k)
                fit.magnitudes[h][k] = held[k][h];
        phases = PhasesOnMagnitudes(diagonal, upper, rhs, held, phases);
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
        FitOnGrid(samples, long(duration) * 98, Points - 1, fundamental, glide / double(n), ranks);
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
        const long k = std::min<long>(i / segment, Points - 2);
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
