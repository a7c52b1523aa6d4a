// A painter's state kept for a scope: saved on entry and given back on every
// way out, an exception included (a painter that ends with states still saved
// complains, and the next paint would start from the wrong clip and pen).
#pragma once
#include <QPainter>

class TPainterState {
public:
    explicit TPainterState(QPainter& P) : FPainter(P) { FPainter.save(); }
    ~TPainterState() { FPainter.restore(); }
    TPainterState(const TPainterState&) = delete;
    TPainterState& operator=(const TPainterState&) = delete;

private:
    QPainter& FPainter;
};
