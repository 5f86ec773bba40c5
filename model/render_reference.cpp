#include "model/render.h"
#include "model/render_reference_sample.h"
#include "model/tmodele.h"

void RenderReference(const tmodele& model, std::uint8_t* out)
{
    const reference_render::Frame frame = reference_render::FrameOf(model);
    for (long i = 0; i < frame.n; ++i)
        reference_render::StoreSample(out, i, reference_render::SampleValue(model, frame, i));
}
