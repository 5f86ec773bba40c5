// The fast renderer's inner loop, written once for every instruction set. Each
// render_fast_<set>.cpp includes this file after its `#pragma GCC target` and after every header
// it needs, inside an anonymous namespace, so that each copy is compiled for its own set and stays
// private to its file: a shared inline function compiled for a wider set could otherwise be the
// one copy the linker keeps for every caller. Hence no #pragma once and no #include here.
//
// `Isa` gives the vector type V of `Width` doubles, the matching integer type I and 16-bit type S,
// Load, Splat, Fma(a, b, c) = a x b + c and the number of vectors side by side, `Groups`.

// One step of Horner's rule on every group: p <- p x + c(r), where c(r) = alpha + r beta from the
// row `c`. Flat: beta is 0, which saves two of the six multiply-adds.
template <class Isa, bool Flat>
inline void HornerStep(typename Isa::V* pr, typename Isa::V* pi, const typename Isa::V* xr,
                       const typename Isa::V* xi, const typename Isa::V* r, const double* c)
{
    using V = typename Isa::V;
    const V ar = Isa::Splat(c[0]);
    const V ai = Isa::Splat(c[1]);
    if constexpr (Flat) {
        for (int g = 0; g < Isa::Groups; ++g) {
            const V re = Isa::Fma(pr[g], xr[g], Isa::Fma(-pi[g], xi[g], ar));
            const V im = Isa::Fma(pr[g], xi[g], Isa::Fma(pi[g], xr[g], ai));
            pr[g] = re;
            pi[g] = im;
        }
    } else {
        const V br = Isa::Splat(c[2]);
        const V bi = Isa::Splat(c[3]);
        for (int g = 0; g < Isa::Groups; ++g) {
            const V re = Isa::Fma(pr[g], xr[g], Isa::Fma(-pi[g], xi[g], Isa::Fma(r[g], br, ar)));
            const V im = Isa::Fma(pr[g], xi[g], Isa::Fma(pi[g], xr[g], Isa::Fma(r[g], bi, ai)));
            pr[g] = re;
            pi[g] = im;
        }
    }
}

// Evaluates one chunk (see FastChunk): every rank from the top row down, or the sparse steps.
template <class Isa, bool Flat, bool Sparse>
int RenderChunkWith(const FastChunk& chunk)
{
    using V = typename Isa::V;
    using I = typename Isa::I;
    constexpr int W = Isa::Width;
    constexpr int G = Isa::Groups;
    constexpr int M = W * G;  // lanes

    V wr[G], wi[G], omr[G], omi[G], r[G];
    for (int g = 0; g < G; ++g) {
        wr[g] = Isa::Load(chunk.wRe + g * W);
        wi[g] = Isa::Load(chunk.wIm + g * W);
        omr[g] = Isa::Load(chunk.omegaRe + g * W);
        omi[g] = Isa::Load(chunk.omegaIm + g * W);
        double position[W];
        for (int l = 0; l < W; ++l)
            position[l] = chunk.r0 + double(g * W + l);
        r[g] = Isa::Load(position);
    }
    const V cr = Isa::Splat(chunk.cRe);
    const V ci = Isa::Splat(chunk.cIm);
    const V lanes = Isa::Splat(double(M));
    // Adding 1.5 x 2^52 leaves a double's integer part, rounded half to even, in the low bits.
    const V magic = Isa::Splat(6755399441055744.0);
    const I magicBits = (I)magic;
    const V limit = Isa::Splat(chunk.limit);
    const V negativeLimit = Isa::Splat(-chunk.limit);
    const V range = Isa::Splat(1e6);  // beyond any sample value of a model the fast path accepts
    const double* coefficients = chunk.coefficients;
    const int top = chunk.topRank;

    int flaggedCount = 0;
    for (int t = 0; t < chunk.steps; ++t) {
        // 1. Horner's rule from the highest rank down: p <- p w + c_k(r).
        V pr[G], pi[G];
        {
            const double* c = coefficients + 4 * top;
            const V ar = Isa::Splat(c[0]);
            const V ai = Isa::Splat(c[1]);
            const V br = Isa::Splat(c[2]);
            const V bi = Isa::Splat(c[3]);
            for (int g = 0; g < G; ++g) {
                pr[g] = Flat ? ar : Isa::Fma(r[g], br, ar);
                pi[g] = Flat ? ai : Isa::Fma(r[g], bi, ai);
            }
        }
        if constexpr (Sparse) {
            // w^(2^b) by repeated squaring, then one power per step.
            V powerRe[MaxPowers][G], powerIm[MaxPowers][G];
            for (int g = 0; g < G; ++g) {
                powerRe[0][g] = wr[g];
                powerIm[0][g] = wi[g];
            }
            for (int b = 1; b < chunk.powers; ++b) {
                for (int g = 0; g < G; ++g) {
                    const V a = powerRe[b - 1][g];
                    const V c = powerIm[b - 1][g];
                    powerRe[b][g] = Isa::Fma(a, a, -(c * c));
                    powerIm[b][g] = (a + a) * c;
                }
            }
            for (int o = 0; o < chunk.opCount; ++o) {
                const FastOp op = chunk.ops[o];
                HornerStep<Isa, Flat>(pr, pi, powerRe[op.power], powerIm[op.power], r,
                                      coefficients + 4 * op.coefficient);
            }
        } else {
            for (int k = top - 1; k >= 0; --k)
                HornerStep<Isa, Flat>(pr, pi, wr, wi, r, coefficients + 4 * k);
        }

        // 2. The sample is Im p, rounded half to even; a value that lies too near a rounding
        //    boundary, or is out of range or not a number, is flagged for the reference.
        std::int16_t* out = chunk.values + t * M;
        I inside[G];
        I allInside = (I)(limit == limit);
        for (int g = 0; g < G; ++g) {
            const V shifted = pi[g] + magic;
            const V rounded = shifted - magic;
            const V distance = pi[g] - rounded;
            inside[g] =
                (I)((distance < limit) & (distance > negativeLimit) & (pi[g] < range) & (pi[g] > -range));
            allInside &= inside[g];
            const I bits = (I)shifted - magicBits;
            const auto samples = __builtin_convertvector(bits, typename Isa::S);
            __builtin_memcpy(out + g * W, &samples, sizeof samples);
        }
        bool anyOutside = false;
        for (int l = 0; l < W; ++l)
            anyOutside |= allInside[l] == 0;
        if (anyOutside)
            for (int g = 0; g < G; ++g)
                for (int l = 0; l < W; ++l)
                    if (inside[g][l] == 0)
                        chunk.flagged[flaggedCount++] = std::uint32_t(t * M + g * W + l);

        // 3. Next step: w <- w Omega, Omega <- Omega C, r <- r + lanes.
        for (int g = 0; g < G; ++g) {
            const V nwr = Isa::Fma(wr[g], omr[g], -(wi[g] * omi[g]));
            const V nwi = Isa::Fma(wr[g], omi[g], wi[g] * omr[g]);
            const V nomr = Isa::Fma(omr[g], cr, -(omi[g] * ci));
            const V nomi = Isa::Fma(omr[g], ci, omi[g] * cr);
            wr[g] = nwr;
            wi[g] = nwi;
            omr[g] = nomr;
            omi[g] = nomi;
            r[g] += lanes;
        }
    }
    return flaggedCount;
}

template <class Isa>
int RenderChunkFor(const FastChunk& chunk)
{
    if (chunk.ops != nullptr)
        return chunk.flat ? RenderChunkWith<Isa, true, true>(chunk)
                          : RenderChunkWith<Isa, false, true>(chunk);
    return chunk.flat ? RenderChunkWith<Isa, true, false>(chunk) : RenderChunkWith<Isa, false, false>(chunk);
}
