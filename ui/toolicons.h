#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The pictures of the view tool bar, drawn here rather than loaded: one normal set
// (ImageList1) and one for disabled buttons (ImageList2), indexed alike.
namespace toolicons {

enum Index {
    ZoomIn = 0,        // magnifier with "+"
    ZoomOut = 1,       // magnifier with "-"
    Left = 2,          // arrow to the left
    Right = 3,         // arrow to the right
    WholeSound = 4,    // "100%"
    Measurements = 5,  // two bars with a span between them
    Count = 6
};

inline constexpr int IconSize = 24;  // pixels, drawn into a 27-pixel button

// The pictures at `ratio` device pixels per logical pixel (24 x ratio pixels, rounded up, with
// that device pixel ratio set).
QList<QPixmap> NormalSet(qreal ratio = 1);
QList<QPixmap> DisabledSet(qreal ratio = 1);
// The icon of picture `index`, with its disabled look, drawn at the ratio of the screen it is
// shown on.
QIcon Icon(int index);

}  // namespace toolicons
