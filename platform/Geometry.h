// Points and rectangles of 32-bit integers, as the toolkit's records.
#pragma once
#include <cstdint>

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect& o) const { return !(*this == o); }
};
