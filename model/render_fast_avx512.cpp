// The fast renderer's inner loop for processors with AVX-512F: 8 doubles per vector, 4 vectors side
// by side (the 32 vector registers hold them without spilling). Called only after the processor
// has been seen to support it.
#include <immintrin.h>

#include <cstdint>

#include "model/render_fast_kernel.h"

#pragma GCC push_options
#pragma GCC target("avx512f,avx2,fma")

namespace {

struct Avx512 {
    using V = double __attribute__((vector_size(64)));
    using I = long long __attribute__((vector_size(64)));
    using S = short __attribute__((vector_size(16)));
    static constexpr int Width = 8;
    static constexpr int Groups = LanesAvx512 / Width;
    static V Load(const double* p) { return V(_mm512_loadu_pd(p)); }
    static V Splat(double x) { return V(_mm512_set1_pd(x)); }
    static V Fma(V a, V b, V c) { return V(_mm512_fmadd_pd(__m512d(a), __m512d(b), __m512d(c))); }
};

#include "model/render_fast_kernel_impl.h"

int RenderAvx512(const FastChunk& chunk)
{
    return RenderChunkFor<Avx512>(chunk);
}

}  // namespace

#pragma GCC pop_options

int RenderChunkAvx512(const FastChunk& chunk)
{
    return RenderAvx512(chunk);
}
