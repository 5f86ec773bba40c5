// The fast renderer's inner loop for any x86-64 processor: 2 doubles per vector, no fused
// multiply-add (the error bound allows for the extra rounding).
#include <cstdint>

#include "model/render_fast_kernel.h"

namespace {

struct Sse2 {
    using V = double __attribute__((vector_size(16)));
    using I = long long __attribute__((vector_size(16)));
    using S = short __attribute__((vector_size(4)));
    static constexpr int Width = 2;
    static constexpr int Groups = LanesSse2 / Width;
    static V Load(const double* p) { return V{p[0], p[1]}; }
    static V Splat(double x) { return V{x, x}; }
    static V Fma(V a, V b, V c) { return a * b + c; }
};

#include "model/render_fast_kernel_impl.h"

}  // namespace

int RenderChunkSse2(const FastChunk& chunk)
{
    return RenderChunkFor<Sse2>(chunk);
}
