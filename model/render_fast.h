#pragma once

#include <cstddef>
#include <cstdint>

class tmodele;

// The synthesis used by Render: the bytes of RenderReference, computed in double precision on
// vectors of samples. Every harmonic's sine argument is its rank times one chirp phase shared by
// all harmonics, plus its own phase, so a sample is the imaginary part of a polynomial in the
// phasor of that shared phase; a per-model error bound marks the rare samples whose rounding the
// double result cannot decide, and those are recomputed by the reference itself. Models with
// negative amplitudes or fundamentals, values that are not finite, or an error bound too wide
// to be useful go to the reference whole.

// Instruction sets with a kernel of their own.
enum class RenderIsa { Auto, Sse2, Avx2, Avx512 };

struct RenderFastOptions {
    unsigned threads = 0;             // 0: as many as the work is worth, up to 4 and the processor's
    RenderIsa isa = RenderIsa::Auto;  // Auto: the widest the processor supports
    double minimumBound = 0;  // sample units, below 0.5: a wider bound sends more samples to the reference
};

// What a fast rendering did, for tests and benchmarks.
struct RenderFastReport {
    bool usedReference = false;         // the model went to the reference whole
    std::size_t recomputedSamples = 0;  // samples left to the reference by the error bound
    double bound = 0;                   // bound on the error of a sample value before rounding
    RenderIsa isa = RenderIsa::Auto;    // kernel used
    int sparseSegments = 0;             // envelope segments whose silent ranks were skipped, 0..45
    unsigned threads = 0;               // threads used, the caller's included
};

bool RenderIsaSupported(RenderIsa isa);
const char* RenderIsaName(RenderIsa isa);  // "sse2", "avx2", "avx512", "auto"
RenderIsa BestRenderIsa();

// Writes model.Duration x 8820 bytes to `out`, exactly those of RenderReference. Helper threads
// may share the work; the call returns with the buffer complete. An unsupported `isa` falls back
// to the best supported one.
RenderFastReport RenderFast(const tmodele& model, std::uint8_t* out, const RenderFastOptions& options = {});
