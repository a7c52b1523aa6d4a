// The editor's display resources: the default row-mark images, its own
// cursors, toolkit colours as Qt colours, and the default fixed-pitch font.
#include <QBitmap>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "ColorQt.h"
#include "Editor.h"

// The digits 0 to 9 in a plain 4 x 7 pixel font ('1' within 3 columns).
const char* const EditorDigitShapes[10][7] = {
    {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."},
    {".#..", "##..", ".#..", ".#..", ".#..", ".#..", "###."},
    {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"},
    {"###.", "...#", "...#", ".##.", "...#", "...#", "###."},
    {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."},
    {"####", "#...", "###.", "...#", "...#", "#..#", ".##."},
    {".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."},
    {"####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."},
    {".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."},
    {".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."},
};

namespace {

std::unique_ptr<TImageList> MakeDigitImages() {
    auto holder = std::make_unique<TImageList>();
    TImageList& list = *holder;
    for (int d = 0; d < 10; ++d) {
        // aqua digits on navy, white top and left edge, gray bottom and right edge
        QImage img(8, 11, QImage::Format_ARGB32);
        img.fill(QColor(0, 0, 0x80));
        for (int x = 0; x < 8; ++x) {
            img.setPixelColor(x, 0, Qt::white);
            img.setPixelColor(x, 10, QColor(0x80, 0x80, 0x80));
        }
        for (int y = 0; y < 11; ++y) {
            img.setPixelColor(0, y, Qt::white);
            img.setPixelColor(7, y, QColor(0x80, 0x80, 0x80));
        }
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 4; ++x)
                if (EditorDigitShapes[d][y][x] == '#') img.setPixelColor(2 + x, 2 + y, QColor(0, 0xFF, 0xFF));
        list.Add(img);
    }
    return holder;
}

std::unique_ptr<TImageList> MakeMarkImages() {
    auto list = std::make_unique<TImageList>();
    auto add = [&](auto&& draw) {
        QImage img(11, 11, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        list->Add(img);
    };
    add([](QPainter& p) {  // a small blue dot
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0xFF));
        p.drawEllipse(QRectF(3, 3, 5, 5));
    });
    add([](QPainter& p) {  // a red disc with a black outline and a yellow cross
        p.setPen(Qt::black);
        p.setBrush(QColor(0xFF, 0, 0));
        p.drawEllipse(QRectF(0.5, 0.5, 10, 10));
        p.setPen(QPen(QColor(0xFF, 0xFF, 0), 1.5));
        p.drawLine(QPointF(3.5, 3.5), QPointF(7.5, 7.5));
        p.drawLine(QPointF(7.5, 3.5), QPointF(3.5, 7.5));
    });
    add([](QPainter& p) {  // a right-pointing arrow, green with a yellow inner edge and a black outline
        p.setRenderHint(QPainter::Antialiasing, false);
        QPainterPath path;
        path.moveTo(0.5, 3.5);
        path.lineTo(5.5, 3.5);
        path.lineTo(5.5, 0.5);
        path.lineTo(10.5, 5.5);
        path.lineTo(5.5, 10.5);
        path.lineTo(5.5, 7.5);
        path.lineTo(0.5, 7.5);
        path.closeSubpath();
        p.setPen(Qt::black);
        p.setBrush(QColor(0, 0x80, 0));
        p.drawPath(path);
        p.setPen(QColor(0xFF, 0xFF, 0));
        p.drawLine(1, 4, 6, 4);
        p.drawLine(6, 2, 6, 4);
    });
    add([](QPainter& p) {  // a red disc with a black outline
        p.setPen(Qt::black);
        p.setBrush(QColor(0xFF, 0, 0));
        p.drawEllipse(QRectF(0.5, 0.5, 10, 10));
    });
    add([](QPainter& p) {  // a gray ring
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 8, 8));
    });
    add([](QPainter& p) {  // a yellow smiling face
        p.setPen(Qt::black);
        p.setBrush(QColor(0xFF, 0xFF, 0));
        p.drawEllipse(QRectF(0.5, 0.5, 10, 10));
        p.drawPoint(QPointF(3.5, 4));
        p.drawPoint(QPointF(7.5, 4));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 4, 5, 4), 200 * 16, 140 * 16);
    });
    return list;
}

// The arrow pointer mirrored so that it points up and to the right.
QCursor MakeRightArrowCursor() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    QPolygonF arrow;
    // the standard arrow with its tip at (16, 12), mirrored
    const QPointF pts[] = {{16, 12}, {16, 28}, {12, 24}, {9, 31}, {7, 30}, {10, 23}, {5, 23}};
    for (const auto& pt : pts) arrow << pt;
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(arrow);
    p.end();
    return QCursor(QPixmap::fromImage(img), 16, 12);
}
}  // namespace

const TImageList& DefaultDigitImages() {
    static const std::unique_ptr<TImageList> list = MakeDigitImages();
    return *list;
}

const TImageList& DefaultMarkImages() {
    static const std::unique_ptr<TImageList> list = MakeMarkImages();
    return *list;
}

QCursor EditorCursor(TCursor Cursor) {
    switch (Cursor) {
        case crIBeam: return QCursor(Qt::IBeamCursor);
        case crCross: return QCursor(Qt::CrossCursor);
        case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
        case crSizeNS: return QCursor(Qt::SizeVerCursor);
        case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
        case crSizeWE: return QCursor(Qt::SizeHorCursor);
        case crUpArrow: return QCursor(Qt::UpArrowCursor);
        case crHourGlass:
        case crSQLWait: return QCursor(Qt::WaitCursor);
        case crDrag:
        case crMultiDrag: return QCursor(Qt::DragMoveCursor);
        case crNoDrop:
        case crNo: return QCursor(Qt::ForbiddenCursor);
        case crHSplit: return QCursor(Qt::SplitHCursor);
        case crVSplit: return QCursor(Qt::SplitVCursor);
        case crAppStart: return QCursor(Qt::BusyCursor);
        case crHelp: return QCursor(Qt::WhatsThisCursor);
        case crHandPoint: return QCursor(Qt::PointingHandCursor);
        case crSizeAll: return QCursor(Qt::SizeAllCursor);
        case crNone: return QCursor(Qt::BlankCursor);
        case crRightArrow: {
            static const QCursor c = MakeRightArrowCursor();
            return c;
        }
        case crDragSelCopy: return QCursor(Qt::DragCopyCursor);
        default: return QCursor(Qt::ArrowCursor);
    }
}

QColor EditorColor(TColor Color, TColor Fallback) {
    if (Color == clNone || Color == clDefault) Color = Fallback;
    QColor c = ToQColor(Color);
    return c.isValid() ? c : QColor(Qt::black);
}

QFont EditorDefaultFont() {
    QFont f(QStringLiteral("IPAGothic"), 10);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    if (QFontInfo(f).family().compare(QStringLiteral("IPAGothic"), Qt::CaseInsensitive) != 0) {
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    f.setKerning(false);
    return f;
}
