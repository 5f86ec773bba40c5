#include "analysis/jointfit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <Eigen/Dense>

#include "analysis/analyse.h"
#include "analysis/recording.h"

namespace analysis {

namespace {

constexpr int JointRounds = 4;         // descents, each from the fit where the last one ended
constexpr int JointSteps = 20;         // Levenberg-Marquardt steps, at most
constexpr double FirstDamping = 1e-3;  // of the scaled normal equations' unit diagonal
constexpr double MostDamping = 1e8;    // beyond it no step is left to take
constexpr double Settled = 1e-3;       // relative fall of the residual that ends the steps
constexpr double EditorSteps = 255;    // an envelope's steps from zero to its peak
constexpr double WholeSteps = 0.05;    // steps: the root mean square distance to whole steps of
                                       // points that stand on them (at random: 0.29)
constexpr double ScaleStep = 1e-4;     // relative: the scan of a rank's peak
constexpr double ScaleReach = 1;       // relative: how far above its determined points it is sought
constexpr double Reached = 1e-3;       // relative: a largest point this far under the peak is short

// The parameters in one vector: each harmonic's points (h x 46 + k), then the phases, then the
// fundamental and the glide.
struct Layout {
    int harmonics;
    int Point(int h, int k) const { return h * EnvelopePoints + k; }
    int Phase(int h) const { return harmonics * EnvelopePoints + h; }
    int Fundamental() const { return harmonics * (EnvelopePoints + 1); }
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
    place.k = int(std::min<long>(i / segment, EnvelopePoints - 2));
    place.t = double(i - long(place.k) * segment) / double(segment);
    place.theta = std::remainder(full, 2 * std::numbers::pi);
    place.byF = step * di * (1 + glide / double(n) * di);
    place.byG = step * fundamental * di * di / double(n);
    return place;
}

// Where each harmonic's envelope points may go, h x 46 + k; empty: zero and above.
struct Bounds {
    std::vector<double> low, high;
};

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

// 1. The parameters from `from`, each point within its `bounds` (none when empty); the residual
//    they leave.
// 2. Each step: the normal equations of every parameter, sample by sample (a sample meets two
//    points of each harmonic, its phases, the fundamental and the glide), scaled to a unit
//    diagonal; the step damped until it leaves less, magnitudes held within their bounds.
// 3. The harmonics back in the model's form.
JointFit Descend(const std::vector<double>& samples, int duration, const Estimate& estimate,
                 const ExactFit& from, const Bounds& bounds = {})
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
        for (int k = 0; k < EnvelopePoints; ++k)
            p[at.Point(h, k)] = found.envelope[std::size_t(k)];
        p[at.Phase(h)] = found.phase;
    }
    p[at.Fundamental()] = estimate.fundamental;
    p[at.Glide()] = estimate.glide;
    auto low = [&](int a) { return bounds.low.empty() ? 0.0 : bounds.low[std::size_t(a)]; };
    auto high = [&](int a) { return bounds.high.empty() ? HUGE_VAL : bounds.high[std::size_t(a)]; };
    bool moved = false;
    for (int a = 0; a < m * EnvelopePoints; ++a)
        if (const double within = std::clamp(p[a], low(a), high(a)); within != p[a]) {
            p[a] = within;
            moved = true;
        }
    double current = Residual(samples, n, segment, ranks, p, at);
    if (!(current < from.modelResidual) && !moved)
        current = from.modelResidual;  // what the steps must beat
    Eigen::VectorXd best = p;

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
        // A magnitude held at a bound (zero at least) that would go beyond stays out of the step:
        // with it in, every step would be cut back there and the others would not get where they
        // go.
        for (int h = 0; h < m; ++h)
            for (int k = 0; k < EnvelopePoints; ++k) {
                const int a = at.Point(h, k);
                if ((best[a] <= low(a) && right[a] <= 0) || (best[a] >= high(a) && right[a] >= 0)) {
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
                for (int k = 0; k < EnvelopePoints; ++k)
                    trial[at.Point(h, k)] =
                        std::clamp(trial[at.Point(h, k)], low(at.Point(h, k)), high(at.Point(h, k)));
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
        for (int k = 0; k < EnvelopePoints; ++k)
            found.envelope[std::size_t(k)] = best[at.Point(h, k)];
        found.phase = std::remainder(best[at.Phase(h)], 2 * std::numbers::pi);
    }
    joint.fit.modelResidual = current;
    joint.fit.residual = std::min(joint.fit.residual, current);
    return joint;
}

// The scale at which `points` stand on whole steps of an envelope, at or above their largest
// and within `ScaleReach` of it; 0 when no scale puts them there. Only upwards: under the largest
// point a scale would put it past the peak. The first of equals: twice a scale puts points of
// up to half the steps on whole steps too.
double WholeStepScale(const std::vector<double>& points)
{
    const double top = points.empty() ? 0.0 : *std::max_element(points.begin(), points.end());
    if (!(top > 0))
        return 0;
    auto offSteps = [&](double scale) {  // the sum of squared distances to whole steps
        double off = 0;
        for (const double v : points) {
            const double steps = EditorSteps * v / scale;
            off += (steps - std::round(steps)) * (steps - std::round(steps));
        }
        return off;
    };
    double scale = top, least = HUGE_VAL;
    for (double s = top; s <= top * (1 + ScaleReach); s += top * ScaleStep)
        if (const double off = offSteps(s); off < least) {
            least = off;
            scale = s;
        }
    // The scale that fits the whole steps found, by least squares.
    double sv = 0, ss = 0;
    for (const double v : points) {
        const double steps = std::round(EditorSteps * v / scale);
        sv += steps * v;
        ss += steps * steps;
    }
    if (ss > 0)
        scale = EditorSteps * sv / ss;
    return std::sqrt(offSteps(scale) / double(points.size())) < WholeSteps ? scale : 0;
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

// 1. Each harmonic's peak from its points before the crowding: the scale of their whole steps
//    where they stand on them, else the largest of them; every point held under it.
// 2. A harmonic whose peak the points before the crowding do not reach has it after: its largest
//    point there is held at the peak.
// 3. A descent from the fit within those bounds.
JointFit HoldPeaks(const std::vector<double>& samples, int duration, const Estimate& estimate,
                   const ExactFit& from)
{
    const int determined =  // points before the pitch falls under half the fundamental's
        estimate.glide < 0
            ? std::clamp(int((1 - CrowdingPitch) / (-2 * estimate.glide) * (EnvelopePoints - 1)) + 1, 1,
                         EnvelopePoints)
            : EnvelopePoints;
    Bounds bounds;
    for (const FoundHarmonic& h : from.harmonics) {
        const std::vector<double> before(h.envelope.begin(), h.envelope.begin() + determined);
        const double top = *std::max_element(before.begin(), before.end());
        const double scale = WholeStepScale(before);
        const double peak = scale > 0 ? scale : top;
        const auto after = std::max_element(h.envelope.begin() + determined, h.envelope.end());
        for (int k = 0; k < EnvelopePoints; ++k) {
            const bool peakAfter = scale > top * (1 + Reached) && after != h.envelope.end() &&
                                   k == int(after - h.envelope.begin());
            bounds.low.push_back(peakAfter ? peak : 0.0);
            bounds.high.push_back(peak);
        }
    }
    return Descend(samples, duration, estimate, from, bounds);
}

}  // namespace analysis
