#include "analysis/jointfit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <Eigen/Dense>

#include "analysis/analyse.h"
#include "analysis/recording.h"

namespace analysis {

namespace {

constexpr int Points = 46;             // envelope points of a model
constexpr int JointRounds = 4;         // descents, each from the fit where the last one ended
constexpr int JointSteps = 20;         // Levenberg-Marquardt steps, at most
constexpr double FirstDamping = 1e-3;  // of the scaled normal equations' unit diagonal
constexpr double MostDamping = 1e8;    // beyond it no step is left to take
constexpr double Settled = 1e-3;       // relative fall of the residual that ends the steps

// The parameters in one vector: each harmonic's points (h x 46 + k), then the phases, then the
// fundamental and the glide.
struct Layout {
    int harmonics;
    int Point(int h, int k) const { return h * Points + k; }
    int Phase(int h) const { return harmonics * Points + h; }
    int Fundamental() const { return harmonics * (Points + 1); }
    int Glide() const { return Fundamental() + 1; }
    int Size() const { return Glide() + 1; }
};

// Where sample i stands on the envelope grid and the angle of rank 1 there, as `Synthesise` has
// them, with the angle's derivatives by the fundamental and by the glide.
struct Place {
    int k;            // the segment, 0..44
    double t;         // across it, 0..1
    double theta;     // radians, reduced
    double byF, byG;  // d theta / d fundamental (per Hz), d theta / d glide
};
Place PlaceOf(long i, long n, long segment, double fundamental, double glide)
{
    const double step = 2 * std::numbers::pi / Rate;
    const double di = double(i);
    const double full = step * fundamental * di * (1 + glide / double(n) * di);
    Place place;
    place.k = int(std::min<long>(i / segment, Points - 2));
    place.t = double(i - long(place.k) * segment) / double(segment);
    place.theta = std::remainder(full, 2 * std::numbers::pi);
    place.byF = step * di * (1 + glide / double(n) * di);
    place.byG = step * fundamental * di * di / double(n);
    return place;
}

// What the model's form at `p` leaves of the first n samples: the sum of squared differences.
double Residual(const std::vector<double>& samples, long n, long segment, const std::vector<int>& ranks,
                const Eigen::VectorXd& p, const Layout& at)
{
    const double fundamental = p[at.Fundamental()], glide = p[at.Glide()];
    double residual = 0;
    for (long i = 0; i < n; ++i) {
        const Place place = PlaceOf(i, n, segment, fundamental, glide);
        double y = 0;
        for (int h = 0; h < at.harmonics; ++h) {
            const double magnitude =
                (1 - place.t) * p[at.Point(h, place.k)] + place.t * p[at.Point(h, place.k + 1)];
            if (magnitude != 0)
                y += magnitude * std::sin(ranks[std::size_t(h)] * place.theta + p[at.Phase(h)]);
        }
        const double x = i < long(samples.size()) ? samples[std::size_t(i)] : 0.0;
        residual += (x - y) * (x - y);
    }
    return residual;
}

// 1. The parameters from `from`; the residual they leave.
// 2. Each step: the normal equations of every parameter, sample by sample (a sample meets two
//    points of each harmonic, its phases, the fundamental and the glide), scaled to a unit
//    diagonal; the step damped until it leaves less, magnitudes held at zero or above.
// 3. The harmonics back in the model's form.
JointFit Descend(const std::vector<double>& samples, int duration, const Estimate& estimate,
                 const ExactFit& from)
{
    JointFit joint{estimate, from};
    joint.fit.pairs.clear();
    const int m = int(from.harmonics.size());
    if (m == 0 || duration <= 0)
        return joint;
    const long n = long(duration) * long(SamplesPerTenth);
    const long segment = long(duration) * 98;
    const Layout at{m};
    std::vector<int> ranks;
    Eigen::VectorXd p(at.Size());
    for (int h = 0; h < m; ++h) {
        const FoundHarmonic& found = from.harmonics[std::size_t(h)];
        ranks.push_back(found.rank);
        for (int k = 0; k < Points; ++k)
            p[at.Point(h, k)] = found.envelope[std::size_t(k)];
        p[at.Phase(h)] = found.phase;
    }
    p[at.Fundamental()] = estimate.fundamental;
    p[at.Glide()] = estimate.glide;
    double current = Residual(samples, n, segment, ranks, p, at);
    if (!(current < from.modelResidual))
        current = from.modelResidual;  // what the steps must beat
    Eigen::VectorXd best = p;
    bool moved = false;

    double damping = FirstDamping;
    std::vector<int> index(std::size_t(3 * m + 2));
    std::vector<double> value(index.size());
    for (int stepNumber = 0; stepNumber < JointSteps && damping <= MostDamping; ++stepNumber) {
        // 2. The normal equations at `best`.
        Eigen::MatrixXd normal = Eigen::MatrixXd::Zero(at.Size(), at.Size());
        Eigen::VectorXd gradient = Eigen::VectorXd::Zero(at.Size());
        const double fundamental = best[at.Fundamental()], glide = best[at.Glide()];
        for (long i = 0; i < n; ++i) {
            const Place place = PlaceOf(i, n, segment, fundamental, glide);
            double y = 0, byF = 0, byG = 0;
            std::size_t used = 0;
            for (int h = 0; h < m; ++h) {
                const double angle = ranks[std::size_t(h)] * place.theta + best[at.Phase(h)];
                const double s = std::sin(angle), c = std::cos(angle);
                const double magnitude =
                    (1 - place.t) * best[at.Point(h, place.k)] + place.t * best[at.Point(h, place.k + 1)];
                y += magnitude * s;
                index[used] = at.Point(h, place.k);
                value[used++] = (1 - place.t) * s;
                index[used] = at.Point(h, place.k + 1);
                value[used++] = place.t * s;
                index[used] = at.Phase(h);
                value[used++] = magnitude * c;
                byF += magnitude * c * ranks[std::size_t(h)] * place.byF;
                byG += magnitude * c * ranks[std::size_t(h)] * place.byG;
            }
            index[used] = at.Fundamental();
            value[used++] = byF;
            index[used] = at.Glide();
            value[used++] = byG;
            const double x = i < long(samples.size()) ? samples[std::size_t(i)] : 0.0;
            const double left = x - y;
            for (std::size_t a = 0; a < used; ++a) {
                gradient[index[a]] += value[a] * left;
                for (std::size_t b = a; b < used; ++b)
                    normal(index[a], index[b]) += value[a] * value[b];
            }
        }
        // Each pair of parameters was summed once, on one side of the diagonal or the other.
        for (int a = 0; a < at.Size(); ++a)
            for (int b = a + 1; b < at.Size(); ++b) {
                const double sum = normal(a, b) + normal(b, a);
                normal(a, b) = normal(b, a) = sum;
            }
        Eigen::VectorXd scale = normal.diagonal().cwiseSqrt();
        for (int a = 0; a < at.Size(); ++a)
            if (!(scale[a] > 0))
                scale[a] = 1;
        Eigen::MatrixXd scaled =
            scale.cwiseInverse().asDiagonal() * normal * scale.cwiseInverse().asDiagonal();
        Eigen::VectorXd right = gradient.cwiseQuotient(scale);
        // A magnitude held at zero that would go below stays out of the step: with it in, every
        // step would be cut back to zero there and the others would not get where they go.
        for (int h = 0; h < m; ++h)
            for (int k = 0; k < Points; ++k) {
                const int a = at.Point(h, k);
                if (best[a] <= 0 && right[a] <= 0) {
                    scaled.row(a).setZero();
                    scaled.col(a).setZero();
                    scaled(a, a) = 1;
                    right[a] = 0;
                }
            }
        // The step, damped until it leaves less.
        bool taken = false;
        while (!taken && damping <= MostDamping) {
            Eigen::MatrixXd damped = scaled;
            damped.diagonal().array() += damping;
            const Eigen::VectorXd delta = damped.ldlt().solve(right).cwiseQuotient(scale);
            Eigen::VectorXd trial = best + delta;
            for (int h = 0; h < m; ++h)
                for (int k = 0; k < Points; ++k)
                    trial[at.Point(h, k)] = std::max(0.0, trial[at.Point(h, k)]);
            if (!(trial[at.Fundamental()] > 0)) {
                damping *= 4;
                continue;
            }
            trial[at.Glide()] = std::clamp(trial[at.Glide()], LowestGlide, HighestGlide);
            const double residual = Residual(samples, n, segment, ranks, trial, at);
            if (residual < current) {
                const bool settled = residual > (1 - Settled) * current;
                best = trial;
                current = residual;
                moved = true;
                damping /= 3;
                taken = true;
                if (settled)
                    damping = MostDamping * 2;  // ends the steps
            } else {
                damping *= 4;
            }
        }
    }
    if (!moved)
        return joint;

    // 3. The harmonics as found, the fit's residual now the model's own.
    joint.estimate = {best[at.Fundamental()], best[at.Glide()]};
    for (int h = 0; h < m; ++h) {
        FoundHarmonic& found = joint.fit.harmonics[std::size_t(h)];
        for (int k = 0; k < Points; ++k)
            found.envelope[std::size_t(k)] = best[at.Point(h, k)];
        found.phase = std::remainder(best[at.Phase(h)], 2 * std::numbers::pi);
    }
    joint.fit.modelResidual = current;
    joint.fit.residual = std::min(joint.fit.residual, current);
    return joint;
}

}  // namespace

// The steps end where the magnitudes, moving with the phases, crawl along their bounds: the
// fit at the fundamental and the glide reached, magnitudes and phases fitted on their own, is a
// fresh start from nearer.
JointFit FitJointly(const std::vector<double>& samples, int duration, const Estimate& estimate,
                    const ExactFit& from)
{
    std::vector<int> ranks;
    for (const FoundHarmonic& h : from.harmonics)
        ranks.push_back(h.rank);
    JointFit joint = Descend(samples, duration, estimate, from);
    for (int round = 1; round < JointRounds && !ranks.empty(); ++round) {
        const ExactFit again =
            FitExactly(samples, duration, joint.estimate.fundamental, joint.estimate.glide, ranks);
        if (!(again.ModelSnrDb() > joint.fit.ModelSnrDb()))
            break;
        joint = Descend(samples, duration, joint.estimate, again);
    }
    return joint;
}

}  // namespace analysis
