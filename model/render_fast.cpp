#include "model/render_fast.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "model/render.h"
#include "model/render_fast_kernel.h"
#include "model/render_reference_sample.h"
#include "model/tmodele.h"

namespace {

constexpr int Segments = tmodele::SegmentsPerEnvelope;  // envelope segments, 45
constexpr int MaxLanes = 32;                            // lanes of the widest kernel
constexpr int MaxSteps = 64;                            // recurrence steps per chunk
constexpr double Unit = 0x1p-53;                        // unit roundoff of double
constexpr double UnitExtended = 0x1p-64;                // unit roundoff of long double
constexpr long double TwoPi = 2 * reference_render::Pi;
constexpr long MinWorkPerThread = 1000000;  // samples x Horner steps worth a helper thread
constexpr unsigned MaxThreads = 4;
constexpr double MaxBound = 0.01;  // sample units: beyond it the double result is of no use

struct Kernel {
    RenderIsa isa;
    int lanes;
    int (*run)(const FastChunk&);
};

Kernel KernelFor(RenderIsa isa)
{
    switch (isa) {
        case RenderIsa::Avx512:
            return {isa, LanesAvx512, &RenderChunkAvx512};
        case RenderIsa::Avx2:
            return {isa, LanesAvx2, &RenderChunkAvx2};
        default:
            return {RenderIsa::Sse2, LanesSse2, &RenderChunkSse2};
    }
}

struct Phasor {
    double re = 1;
    double im = 0;
};

Phasor operator*(Phasor a, Phasor b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// e^{j angle}: the angle is reduced exactly (for the extended 2π) before it is rounded to double.
Phasor PhasorOf(long double angle)
{
    const double reduced = double(std::remainder(angle, TwoPi));
    return {std::cos(reduced), std::sin(reduced)};
}

// Everything the chunks of one fast rendering share.
struct Plan {
    const tmodele* model = nullptr;
    reference_render::Frame frame;
    Kernel kernel{};
    int top = 0;                             // highest active rank
    int rows = 0;                            // coefficient rows per segment: ranks 0..top, then zeros
    std::vector<double> coefficients;        // Segments x rows x {Re a, Im a, Re b, Im b}
    std::array<bool, Segments> flat{};       // the segment's betas are all 0
    std::array<int, Segments> segmentTop{};  // highest rank sounding in the segment: Horner starts there
    std::vector<FastOp> ops;                 // the sparse segments' steps, one run per segment
    std::array<int, Segments> opStart{}, opCount{}, powers{};
    std::array<bool, Segments> sparse{};  // the segment skips its silent ranks
    long double phaseStep = 0;            // 2π f0 / 44100, radians per sample
    long double glide = 0;
    int steps = 0;          // recurrence steps per chunk
    long chunkSamples = 0;  // lanes x steps
    long chunksPerSegment = 0;
    Phasor laneChange, omegaLaneChange, omegaChange;
    double bound = 0;

    // Shared chirp phase of sample i in radians, unreduced: 2π f0 / 44100 x (i + g i² / n).
    long double Theta(long double i) const { return phaseStep * (i + glide * (i * i) / frame.n); }
};

// Appends the steps that multiply p by w^gap, adding row `row` at the last of them.
void AddGap(std::vector<FastOp>& ops, int gap, int row, int zeroRow, int& powers)
{
    for (int b = 0; b < MaxPowers; ++b) {
        if ((gap >> b & 1) == 0)
            continue;
        const bool last = gap >> (b + 1) == 0;
        ops.push_back({std::uint16_t(b), std::uint16_t(last ? row : zeroRow)});
        powers = std::max(powers, b + 1);
    }
}

// Where Horner's rule starts in segment s, whether the envelope is flat there, and, when few ranks
// sound, far apart, the steps that skip the silent ones.
void PlanSegment(Plan& plan, int s)
{
    const double* c = &plan.coefficients[std::size_t(s) * plan.rows * 4];
    const int zeroRow = plan.rows - 1;
    bool flat = true;
    std::array<int, 256> sounding;  // ranks with a coefficient, highest first
    int soundingCount = 0;
    for (int k = zeroRow - 1; k >= 0; --k) {
        flat = flat && c[4 * k + 2] == 0 && c[4 * k + 3] == 0;
        if (c[4 * k] != 0 || c[4 * k + 1] != 0 || c[4 * k + 2] != 0 || c[4 * k + 3] != 0)
            sounding[soundingCount++] = k;
    }
    plan.flat[s] = flat;
    plan.segmentTop[s] = soundingCount > 0 ? sounding[0] : 0;
    if (soundingCount == 0)
        return;

    const std::size_t start = plan.ops.size();
    int powers = 1;
    for (int j = 1; j < soundingCount; ++j)
        AddGap(plan.ops, sounding[j - 1] - sounding[j], sounding[j], zeroRow, powers);
    AddGap(plan.ops, sounding[soundingCount - 1], zeroRow, zeroRow, powers);
    // A sparse step costs about a dense one, each power beyond w one squaring (measured: as fast as
    // the plain steps when every rank sounds, faster as soon as a few are silent).
    const int sparseCost = int(plan.ops.size() - start) + (powers - 1);
    if (sparseCost < plan.segmentTop[s]) {
        plan.sparse[s] = true;
        plan.opStart[s] = int(start);
        plan.opCount[s] = int(plan.ops.size() - start);
        plan.powers[s] = powers;
    } else {
        plan.ops.resize(start);
    }
}

enum class Route { Silent, Reference, Fast };

// Checks what the fast path relies on: finite values, amplitudes and fundamental not negative (so
// that the sum of the amplitudes bounds every sample), a useful error bound.
Route MakePlan(const tmodele& model, Kernel kernel, double minimumBound, Plan& plan)
{
    plan.model = &model;
    plan.frame = reference_render::FrameOf(model);
    plan.kernel = kernel;
    const reference_render::Frame& frame = plan.frame;
    if (frame.n == 0)
        return Route::Silent;
    if (!std::isfinite(model.Fundamental) || model.Fundamental < 0 || !std::isfinite(model.Glide))
        return Route::Reference;
    int activeCount = 0;
    double largestPhase = 0;  // radians
    for (const tharmonique& h : model.Harmonics) {
        if (h.Active == 0)
            continue;
        if (!std::isfinite(h.Amplitude) || h.Amplitude < 0 || !std::isfinite(h.Phase))
            return Route::Reference;
        ++activeCount;
        plan.top = std::max(plan.top, int(h.Rank));
        largestPhase = std::max(largestPhase, std::fabs(h.Phase));
    }
    if (!std::isfinite(frame.sumOfAmplitudes))
        return Route::Reference;
    if (frame.sumOfAmplitudes == 0)
        return Route::Silent;

    // 1. The polynomial's coefficients per segment, in sample units: harmonic h adds
    //    q e^{j phase} (e_s + r (e_{s+1} - e_s) / L) to rank Rank, q = 10000 Amplitude / (255 B).
    const int ranks = plan.top + 1;
    plan.rows = ranks + 1;
    std::vector<long double> sums(std::size_t(Segments) * plan.rows * 4, 0.0L);
    double sumWeights = 0;        // sample units: sum of |c_k| over the rendering, at most 10000
    double sumRankedWeights = 0;  // the same weighted by rank + 1
    for (const tharmonique& h : model.Harmonics) {
        if (h.Active == 0)
            continue;
        const long double q = h.Amplitude / frame.sumOfAmplitudes * (10000.0L / 255);
        const long double re = q * std::cos(h.Phase);
        const long double im = q * std::sin(h.Phase);
        for (int s = 0; s < Segments; ++s) {
            const long double level = h.Envelope[s];
            const long double slope =
                (int(h.Envelope[s + 1]) - int(h.Envelope[s])) / (long double)frame.segment;
            long double* c = &sums[(std::size_t(s) * plan.rows + h.Rank) * 4];
            c[0] += re * level;
            c[1] += im * level;
            c[2] += re * slope;
            c[3] += im * slope;
        }
        const double weight = double(q) * *std::max_element(h.Envelope.begin(), h.Envelope.end());
        sumWeights += weight;
        sumRankedWeights += weight * (h.Rank + 1);
    }
    plan.coefficients.assign(sums.begin(), sums.end());
    for (int s = 0; s < Segments; ++s)
        PlanSegment(plan, s);

    // 2. Chunks and the recurrence's constant phasors.
    const int lanes = kernel.lanes;
    plan.steps = int(std::clamp<long>(1024 / lanes, 1, MaxSteps));
    plan.chunkSamples = long(lanes) * plan.steps;
    plan.chunksPerSegment = (frame.segment + plan.chunkSamples - 1) / plan.chunkSamples;
    plan.phaseStep = TwoPi * model.Fundamental / 44100;
    plan.glide = model.Glide;
    const long double chirp = 2 * plan.phaseStep * plan.glide / frame.n;  // radians per sample²
    plan.laneChange = PhasorOf(chirp);
    plan.omegaLaneChange = PhasorOf(chirp * lanes);
    plan.omegaChange = PhasorOf(chirp * lanes * lanes);

    // 3. The error bound on a sample value (sample units). Each complex product adds at most 3u
    //    of relative error, each phasor made from an angle 6u; the lane phasors come from a
    //    recurrence over the lanes, the steps from one over the chunk, and the phasor's error
    //    is multiplied by the rank in w^k. Horner's rule adds about 8u per step on the partial
    //    sums. The phases themselves, the reference's and ours, are off by a few units of extended
    //    precision of the largest argument. A factor 4 covers what the first-order analysis
    //    leaves out.
    const double m1 = lanes - 1;
    const double t1 = plan.steps - 1;
    const double phasorError =
        (6 + 9 * m1 + 4.5 * m1 * (m1 - 1) + t1 * (9 + 9 * m1) + 4.5 * t1 * (t1 - 1)) * Unit;
    const double largestTheta = double(std::fabs(plan.phaseStep) * frame.n * (1 + std::fabs(plan.glide)));
    const double largestArgument = plan.top * largestTheta + largestPhase;  // radians
    const double error = sumRankedWeights * (phasorError + 8 * Unit) + sumWeights * 8 * Unit +
                         sumWeights * largestArgument * 32 * UnitExtended +
                         10000 * (activeCount + 4) * 4 * UnitExtended;
    plan.bound = 4 * error + 1e-12;
    if (!(plan.bound < MaxBound))
        return Route::Reference;
    plan.bound = std::max(plan.bound, minimumBound);
    return Route::Fast;
}

// Renders one chunk into `out`; returns the number of samples left to the reference.
std::size_t RenderChunk(const Plan& plan, long chunkIndex, std::uint8_t* out)
{
    const reference_render::Frame& frame = plan.frame;
    const int lanes = plan.kernel.lanes;
    const long s = chunkIndex / plan.chunksPerSegment;
    const long rStart = (chunkIndex % plan.chunksPerSegment) * plan.chunkSamples;
    const long i0 = s * frame.segment + rStart;
    const long count = std::min(plan.chunkSamples, frame.segment - rStart);

    // Each lane's first phasor and phasor step, from extended-precision angles at the chunk's
    // start and recurrences across the lanes.
    alignas(64) double wRe[MaxLanes], wIm[MaxLanes], omegaRe[MaxLanes], omegaIm[MaxLanes];
    const long double start = i0;
    Phasor w = PhasorOf(plan.Theta(start));
    Phasor step = PhasorOf(plan.phaseStep * (1 + plan.glide * (2 * start + 1) / frame.n));
    Phasor omega = PhasorOf(
        plan.phaseStep * (lanes + plan.glide * (2 * start * lanes + (long double)lanes * lanes) / frame.n));
    for (int l = 0; l < lanes; ++l) {
        wRe[l] = w.re;
        wIm[l] = w.im;
        omegaRe[l] = omega.re;
        omegaIm[l] = omega.im;
        w = w * step;
        step = step * plan.laneChange;
        omega = omega * plan.omegaLaneChange;
    }

    std::int16_t values[MaxChunkSamples];
    std::uint32_t flagged[MaxChunkSamples];
    FastChunk chunk;
    chunk.coefficients = &plan.coefficients[std::size_t(s) * plan.rows * 4];
    chunk.topRank = plan.segmentTop[s];
    chunk.flat = plan.flat[s];
    if (plan.sparse[s]) {
        chunk.ops = plan.ops.data() + plan.opStart[s];
        chunk.opCount = plan.opCount[s];
        chunk.powers = plan.powers[s];
    }
    chunk.wRe = wRe;
    chunk.wIm = wIm;
    chunk.omegaRe = omegaRe;
    chunk.omegaIm = omegaIm;
    chunk.cRe = plan.omegaChange.re;
    chunk.cIm = plan.omegaChange.im;
    chunk.r0 = double(rStart);
    chunk.steps = int((count + lanes - 1) / lanes);
    chunk.limit = 0.5 - plan.bound;
    chunk.values = values;
    chunk.flagged = flagged;
    const int flaggedCount = plan.kernel.run(chunk);

    std::uint8_t* target = out + 2 * i0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(target, values, std::size_t(count) * 2);
    } else {
        for (long k = 0; k < count; ++k)
            reference_render::StoreSample(out, i0 + k, values[k]);
    }
    std::size_t recomputed = 0;
    for (int f = 0; f < flaggedCount; ++f) {
        if (long(flagged[f]) >= count)
            continue;  // a lane past the segment's end
        const long i = i0 + long(flagged[f]);
        reference_render::StoreSample(out, i, reference_render::SampleValue(*plan.model, frame, i));
        ++recomputed;
    }
    return recomputed;
}

}  // namespace

bool RenderIsaSupported(RenderIsa isa)
{
    switch (isa) {
        case RenderIsa::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2") &&
                   __builtin_cpu_supports("fma");
        case RenderIsa::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        default:
            return true;
    }
}

const char* RenderIsaName(RenderIsa isa)
{
    switch (isa) {
        case RenderIsa::Sse2:
            return "sse2";
        case RenderIsa::Avx2:
            return "avx2";
        case RenderIsa::Avx512:
            return "avx512";
        default:
            return "auto";
    }
}

RenderIsa BestRenderIsa()
{
    static const RenderIsa best = RenderIsaSupported(RenderIsa::Avx512) ? RenderIsa::Avx512
                                  : RenderIsaSupported(RenderIsa::Avx2) ? RenderIsa::Avx2
                                                                        : RenderIsa::Sse2;
    return best;
}

RenderFastReport RenderFast(const tmodele& model, std::uint8_t* out, const RenderFastOptions& options)
{
    RenderFastReport report;
    const RenderIsa isa =
        options.isa != RenderIsa::Auto && RenderIsaSupported(options.isa) ? options.isa : BestRenderIsa();
    Plan plan;
    switch (MakePlan(model, KernelFor(isa), options.minimumBound, plan)) {
        case Route::Silent:
            // A model of no duration has no buffer at all: memset may not be given a null one.
            if (plan.frame.n > 0)
                std::memset(out, 0, std::size_t(plan.frame.n) * 2);
            report.threads = 1;
            return report;
        case Route::Reference:
            RenderReference(model, out);
            report.usedReference = true;
            report.threads = 1;
            report.bound = plan.bound;
            return report;
        case Route::Fast:
            break;
    }
    report.isa = plan.kernel.isa;
    report.bound = plan.bound;
    report.sparseSegments = int(std::count(plan.sparse.begin(), plan.sparse.end(), true));

    const long chunks = Segments * plan.chunksPerSegment;
    unsigned threads = options.threads;
    if (threads == 0) {
        const double work = double(plan.frame.n) * (plan.top + 1);
        threads = unsigned(std::clamp(work / MinWorkPerThread, 1.0, double(MaxThreads)));
        static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        threads = std::min(threads, cores);
    }
    threads = unsigned(std::clamp<long>(threads, 1, std::min<long>(chunks, MaxThreads)));

    std::atomic<long> next{0};
    std::atomic<std::size_t> recomputed{0};
    auto work = [&] {
        std::size_t mine = 0;
        for (long j = next.fetch_add(1, std::memory_order_relaxed); j < chunks;
             j = next.fetch_add(1, std::memory_order_relaxed))
            mine += RenderChunk(plan, j, out);
        recomputed += mine;
    };
    std::array<std::thread, MaxThreads> helpers;
    unsigned started = 1;
    for (; started < threads; ++started) {
        try {
            helpers[started] = std::thread(work);
        } catch (const std::system_error&) {
            break;  // no helper to be had: the caller's thread does the rest
        }
    }
    work();
    for (std::thread& helper : helpers)
        if (helper.joinable())
            helper.join();
    report.threads = started;
    report.recomputedSamples = recomputed;
    return report;
}

void RenderSamples(const tmodele& model, std::uint8_t* out)
{
    RenderFast(model, out);
}
