// Point-in-rectangle tests. A rectangle is given as the toolkit's record
// (right and bottom one past the last pixel); the tests take every bound as
// inside, so a point on the right or bottom edge counts.
#pragma once
#include "Geometry.h"

class QWidget;

class TRectangle {
public:
    // Left <= X <= Right and Top <= Y <= Bottom.
    static bool IsPointInRect(const TRect& rect, const TPoint& point);
    // The same test against the control's client rectangle (0, 0, width, height).
    static bool IsPointInControl(const QWidget* control, const TPoint& point);
};
