#include "KZNRectangle.h"

#include <QWidget>

bool TRectangle::IsPointInRect(const TRect& rect, const TPoint& point) {
    return rect.Left <= point.X && point.X <= rect.Right && rect.Top <= point.Y && point.Y <= rect.Bottom;
}

bool TRectangle::IsPointInControl(const QWidget* control, const TPoint& point) {
    if (!control) return false;
    return IsPointInRect(TRect{0, 0, control->width(), control->height()}, point);
}
