#pragma once

#include <cstdint>

class tmodele;

// The straightforward synthesis in extended precision, sample by sample: the reference that
// defines every byte of a rendering. `out` receives model.Duration x 8820 bytes.
void RenderReference(const tmodele& model, std::uint8_t* out);

// The synthesis used by Render: gives exactly the bytes of RenderReference.
void RenderSamples(const tmodele& model, std::uint8_t* out);
