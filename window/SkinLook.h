#pragma once

#include <QColor>
#include <QPoint>

// What the skin's pictures and the window agree on: tools/skingen draws with these, the window reads them.
namespace skin {
// Pixels of this colour are see-through: the window's shape leaves them out.
inline constexpr QColor kKeyColour{255, 0, 255};
// The title, the accents, the version label and the focus mark.
inline constexpr QColor kAccent{44, 103, 155};
// The pointing hand's fingertip, where it points, in the picture's pixels at 100 %.
inline constexpr QPoint kHandHotSpot{6, 0};
} // namespace skin
