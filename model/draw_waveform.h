#pragma once

class QImage;
class tmodele;

// How the waveform's trace reaches the picture. Both set exactly the same pixels.
enum class TraceMethod {
    // One line through QPainter per pair of neighbouring samples: plain, and the yardstick.
    PerSegment,
    // Runs of segments that stay in one pixel column become one vertical span; only the
    // segments that cross from a column to the next go through QPainter.
    ColumnSpans,
};

// tmodele::DrawWaveform with a chosen way of drawing the trace.
void DrawWaveformWith(const tmodele& model, QImage& picture, double start, double end, TraceMethod method);
