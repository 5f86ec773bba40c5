#pragma once

#include <cstddef>
#include <cstdint>

class QImage;
class tmodele;

// How the components view computes its curves. Both give exactly the same points.
enum class ComponentsMethod {
    // One extended-precision sine per pixel column and harmonic: plain, and the yardstick.
    Reference,
    // The sine in double by a rotation per column, restarted every few columns; a point whose
    // scaled value lies too close to a rounding boundary for double to decide is recomputed
    // the reference way.
    Fast,
};

// What a drawing computed, for tests and benchmarks to see how often the fast way gave up.
struct ComponentsCounts {
    std::uint64_t points = 0;     // curve points computed
    std::uint64_t fallbacks = 0;  // of them, recomputed in extended precision
};

// How many harmonics, from the top of the list, the components view has a row for in a picture
// `height` pixels high; the inactive ones among them leave their row empty.
std::size_t ComponentsRows(const tmodele& model, int height);

// tmodele::DrawComponents with a chosen way of computing the curves; counts added to `counts`
// when given.
void DrawComponentsWith(const tmodele& model, QImage& picture, double t, ComponentsMethod method,
                        ComponentsCounts* counts = nullptr);
