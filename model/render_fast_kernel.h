#pragma once

#include <cstdint>

// The inner loop of the fast renderer, one chunk of samples at a time, built once per instruction
// set (render_fast_sse2.cpp, render_fast_avx2.cpp, render_fast_avx512.cpp) and chosen at run time.
//
// A chunk is `steps` x `lanes` consecutive samples inside one envelope segment; sample
// lane + lanes x step of the chunk is sample i0 + lane + lanes x step of the rendering. For each
// sample the kernel evaluates Im P(w), where P(w) = sum over ranks k of c_k(r) w^k,
// c_k(r) = alpha_k + r beta_k (already scaled to sample units) and w = e^{j theta(i)} the shared
// chirp phasor, by Horner's rule in double precision. The phasors advance by a complex recurrence:
// w <- w Omega, Omega <- Omega C.
//
// When few ranks sound, far apart, Horner's rule skips the silent ones: each step of `ops`
// multiplies p by one power w^(2^power) and adds one coefficient row (a row of zeros between the
// powers of one gap), and the last steps multiply by w^(lowest rank).
struct FastOp {
    std::uint16_t power;        // p <- p w^(2^power) ..., 0..7
    std::uint16_t coefficient;  // ... + row `coefficient` of the coefficients
};

struct FastChunk {
    // One row per rank 0, 1, ..., then a row of zeros; each {Re alpha, Im alpha, Re beta, Im beta}.
    const double* coefficients = nullptr;
    int topRank = 0;              // highest rank, 0..255: Horner's rule starts at its row
    bool flat = false;            // every beta is 0: the envelope is flat on this segment
    const FastOp* ops = nullptr;  // the sparse steps after the top row, or none: every rank
    int opCount = 0;
    int powers = 0;               // powers w^(2^b) the ops use, b < powers, at most MaxPowers
    const double* wRe = nullptr;  // lanes: phasor of each lane's first sample
    const double* wIm = nullptr;
    const double* omegaRe = nullptr;  // lanes: each lane's phasor step
    const double* omegaIm = nullptr;
    double cRe = 1;  // the common change of the phasor steps from one step to the next
    double cIm = 0;
    double r0 = 0;     // position of the chunk's first sample inside its segment, samples
    int steps = 0;     // steps x lanes <= MaxChunkSamples
    double limit = 0;  // a value farther than this from its nearest integer is left to the reference
    std::int16_t* values = nullptr;    // steps x lanes samples out
    std::uint32_t* flagged = nullptr;  // out: chunk positions whose rounding is left undecided
};

// Samples a chunk holds at most; the caller's buffers hold this many.
inline constexpr int MaxChunkSamples = 2048;
// Powers of w a sparse chunk may use: w, w^2, ..., w^128 span the gaps between ranks 0..255.
inline constexpr int MaxPowers = 8;

// Each returns the number of positions written to `flagged`.
int RenderChunkSse2(const FastChunk& chunk);    // 2 doubles per vector, baseline x86-64
int RenderChunkAvx2(const FastChunk& chunk);    // 4 doubles per vector, AVX2 + FMA
int RenderChunkAvx512(const FastChunk& chunk);  // 8 doubles per vector, AVX-512F

// Lanes (samples computed side by side) of each kernel.
inline constexpr int LanesSse2 = 4;
inline constexpr int LanesAvx2 = 12;
inline constexpr int LanesAvx512 = 32;
