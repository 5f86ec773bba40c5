// The fast renderer's inner loop for processors with AVX2 and FMA: 4 doubles per vector, 3 vectors
// side by side (as many as the 16 vector registers hold without spilling). Called only after the
// processor has been seen to support it.
#include <immintrin.h>

#include <cstdint>

#include "model/render_fast_kernel.h"

#pragma GCC push_options
#pragma GCC target("avx2,fma")

namespace {

struct Avx2 {
    using V = double __attribute__((vector_size(32)));
    using I = long long __attribute__((vector_size(32)));
    using S = short __attribute__((vector_size(8)));
    static constexpr int Width = 4;
    static constexpr int Groups = LanesAvx2 / Width;
    static V Load(const double* p) { return V(_mm256_loadu_pd(p)); }
    static V Splat(double x) { return V(_mm256_set1_pd(x)); }
    static V Fma(V a, V b, V c) { return V(_mm256_fmadd_pd(__m256d(a), __m256d(b), __m256d(c))); }
};

#include "model/render_fast_kernel_impl.h"

int RenderAvx2(const FastChunk& chunk)
{
    return RenderChunkFor<Avx2>(chunk);
}

}  // namespace

#pragma GCC pop_options

int RenderChunkAvx2(const FastChunk& chunk)
{
    return RenderAvx2(chunk);
}
