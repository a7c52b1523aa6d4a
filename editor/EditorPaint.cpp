// Painting of the editor: font metrics and the column grid, the paint cycle of
// a clip rectangle, rows token by token in the fountain's colours, selected
// parts, the end-of-row marks, the caret-row underline, the pre-edit text, and
// the margins (image bar, leftbar with row numbers, ruler and corner).
//
// Every glyph sits on the grid: a byte is one column and a double-byte
// character two, whatever the font's own advances, so each character is placed
// at its column's x.
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QScreen>

#include <algorithm>
#include <cstring>
#include <exception>

#include "AppException.h"
#include "CP932.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "Fountain.h"
#include "PainterState.h"

namespace {
constexpr int kMaxPaintCols = 8192;

TFontStyles StylesOf(const QFont& f) {
    TFontStyles s;
    if (f.bold()) s = s | fsBold;
    if (f.italic()) s = s | fsItalic;
    if (f.underline()) s = s | fsUnderline;
    if (f.strikeOut()) s = s | fsStrikeOut;
    return s;
}


int ScreenWidth() {
    if (QScreen* s = QGuiApplication::primaryScreen()) return std::max(640, s->geometry().width());
    return 1920;
}
int ScreenHeightPx() {
    if (QScreen* s = QGuiApplication::primaryScreen()) return std::max(480, s->geometry().height());
    return 1080;
}
}  // namespace

// Raw fonts of the editor's font, per bold and italic.
struct TEditor::TFontCache {
    QFont Base;
    QRawFont Raw[4];
    bool Made[4] = {false, false, false, false};
    const QRawFont& Get(bool bold, bool italic) {
        int i = (bold ? 1 : 0) | (italic ? 2 : 0);
        if (!Made[i]) {
            QFont f = Base;
            f.setBold(bold);
            f.setItalic(italic);
            f.setUnderline(false);
            f.setStrikeOut(false);
            Raw[i] = QRawFont::fromFont(f);
            Made[i] = true;
        }
        return Raw[i];
    }
};

// ---- metrics ----------------------------------------------------------------------------------

void TEditor::FontMetrics() {
    QFontMetrics fm(font());
    FFontHeight = fm.height() + std::max(0, fm.leading());
    FFontAscent = fm.ascent();
    FColWidth = FMargin->Character() + std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    FFontCache = std::make_shared<TFontCache>();
    FFontCache->Base = font();
    TFountain* f = ActiveFountain();
    FItalicInUse = font().italic() || (f && f->HasItalicStyle());
    if (FRuler->Visible()) FRulerHeight = CalcRulerHeight();
    else FRulerHeight = 0;
    if (FLeftbar->Visible()) {
        CalcLeftbarColumn();
        CalcLeftbarWidth();
    } else {
        FLeftbarWidth = 0;
    }
    FImagebarWidth = CalcImagebarWidth();
    FVisibleRows = std::max(1, (viewport()->height() - GetTextTop()) / std::max(1, GetRowHeight()));
    CalcVisibleCols();
}

void TEditor::CalcVisibleCols() {
    FVisibleCols = std::max(1, (viewport()->width() - GetTextLeft() - FColWidth / 2) / std::max(1, FColWidth));
}

int TEditor::GetTextLeft() const {
    return FMargin->Left() + (FImagebar->Visible() ? FImagebarWidth : 0) + (FLeftbar->Visible() ? FLeftbarWidth : 0);
}

int TEditor::GetTextTop() const { return FMargin->Top() + (FRuler->Visible() ? FRulerHeight : 0); }

int TEditor::CalcImagebarWidth() {
    if (!FImagebar->Visible()) return 0;
    return FImagebar->DigitWidth() + FImagebar->LeftMargin() + FImagebar->MarkWidth() + FImagebar->RightMargin();
}

bool TEditor::CalcLeftbarColumn() {
    const int old = FLeftbarDigits;
    if (FLeftbar->Visible() && FLeftbar->ShowNumber()) {
        const int rows = RowCount();
        int n = rows - 1;
        if (FLeftbar->ShowNumberMode() == nmLine) n = LineOfRow(std::max(0, n));
        if (!FLeftbar->ZeroBase()) ++n;
        if (rows > 0 && RowAttribute(rows - 1) == raLineBreak) ++n;
        int digits = 1;
        for (int v = std::max(0, n); v >= 10; v /= 10) ++digits;
        FLeftbarDigits = std::min(8, std::max(FLeftbar->Column(), digits));
        return FLeftbarDigits != old;
    }
    FLeftbarDigits = FLeftbar->Column();
    return false;
}

int TEditor::CalcLeftbarWidth() {
    FLeftbarWidth = FLeftbar->Visible()
                        ? FLeftbar->LeftMargin() + FLeftbarDigits * FColWidth + FLeftbar->RightMargin() + 2
                        : 0;
    return FLeftbarWidth;
}

int TEditor::CalcRulerHeight() {
    FRulerHeight = FRuler->Visible() ? (FRuler->Edge() ? 11 : 10) : 0;
    return FRulerHeight;
}

TRect TEditor::RowRect(int ARow) const {
    int y = GetTextTop() + (ARow - FTopRow) * GetRowHeight();
    return TRect{GetTextLeft(), y, viewport()->width(), y + GetRowHeight()};
}

// ---- invalidation -------------------------------------------------------------------------------

void TEditor::MarkDirty(const QRect& R) {
    if (R.isEmpty()) return;
    FDirty += R;
    viewport()->update(R);
}

void TEditor::MarkDirtyAll() {
    FDirty = QRegion(viewport()->rect());
    viewport()->update();
}

void TEditor::InvalidateRow(int ARow) {
    if (ARow < FTopRow || ARow > FTopRow + FVisibleRows) return;
    TRect r = RowRect(ARow);
    MarkDirty(QRect(r.Left, r.Top, r.Right - r.Left, FFontHeight + 1));
}

void TEditor::InvalidateRows(int FromRow, int ToRow) {
    int a = std::max(std::min(FromRow, ToRow), FTopRow);
    int b = std::min(std::max(FromRow, ToRow), FTopRow + FVisibleRows + 1);
    if (a > b) return;
    int y0 = GetTextTop() + (a - FTopRow) * GetRowHeight();
    int y1 = GetTextTop() + (b - FTopRow + 1) * GetRowHeight() + 1;
    MarkDirty(QRect(0, y0, viewport()->width(), y1 - y0));
}

void TEditor::InvalidateLeftbar(int FromRow, int ToRow) {
    if (!FLeftbar->Visible()) return;
    int a = std::max(std::min(FromRow, ToRow), FTopRow);
    int b = std::min(std::max(FromRow, ToRow), FTopRow + FVisibleRows + 1);
    if (a > b) return;
    int y0 = GetTextTop() + (a - FTopRow) * GetRowHeight();
    int y1 = GetTextTop() + (b - FTopRow + 1) * GetRowHeight();
    MarkDirty(QRect(FImagebarWidth, y0, FLeftbarWidth, y1 - y0));
}

void TEditor::ScrollMargin(int OldWidth, int NewWidth) {
    if (OldWidth != NewWidth) MarkDirtyAll();
}

// ---- the underline of the caret row -------------------------------------------------------------

int TEditor::GetUnderlinePos(int ARow) {
    int y = GetTextTop() + (ARow - FTopRow) * GetRowHeight() + FFontHeight;
    if (y <= GetTextTop() || y >= viewport()->height()) return -1;
    return y;
}

void TEditor::DrawUnderline(int ARow) {
    int y = GetUnderlinePos(ARow);
    if (y >= 0) MarkDirty(QRect(GetTextLeft(), y, viewport()->width() - GetTextLeft(), 1));
}

void TEditor::EraseUnderline(int ARow) { DrawUnderline(ARow); }

void TEditor::UnderlineBeginUpdate() {
    ++FUnderlineUpdateCount;
    if (FUnderlineUpdateCount == 1 && FMarks->Underline().Visible() && FSelState != 2 && FSelState != 3)
        EraseUnderline(FRow);
}

void TEditor::UnderlineEndUpdate() {
    if (FUnderlineUpdateCount > 0) --FUnderlineUpdateCount;
    if (FUnderlineUpdateCount == 0 && FMarks->Underline().Visible() && FSelState != 2 && FSelState != 3)
        DrawUnderline(FRow);
}

// ---- the paint cycle ---------------------------------------------------------------------------

bool TEditor::viewportEvent(QEvent* E) {
    switch (E->type()) {
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            if (FDragState != 0 || FLeftButtonDown) return true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            if ((FDragState != 0 || FLeftButtonDown) && static_cast<QMouseEvent*>(E)->button() != Qt::LeftButton)
                return true;
            break;
        default:
            break;
    }
    return QAbstractScrollArea::viewportEvent(E);
}

void TEditor::paintEvent(QPaintEvent* E) {
    try {
        SyncScreen();  // what searches left waiting: painted now, or in the next paint
        FDirty -= E->region();
        QPainter p(viewport());
        for (const QRect& r : E->region()) PaintRows(p, r);
        FPaintFailed = false;
    } catch (...) {
        // No error may be shown from inside a paint: the message box would
        // paint the view again, which would fail again. The first error of a
        // run of failed paints goes to the application once the paint is
        // over; a paint that succeeds ends the run.
        FCanvas = nullptr;
        if (!FPaintFailed) {
            FPaintFailed = true;
            QMetaObject::invokeMethod(
                qApp, [e = std::current_exception()] { app::Guard([&] { std::rethrow_exception(e); }); },
                Qt::QueuedConnection);
        }
    }
}

void TEditor::PaintRows(QPainter& P, const QRect& Clip) {
    if (!FFontCache) return;
    MakeDueBitmaps();
    const int tl = GetTextLeft(), tt = GetTextTop();
    const int W = viewport()->width(), H = viewport()->height();
    const int rh = std::max(1, GetRowHeight());
    TPainterState kept(P);
    FCanvas = &P;
    P.setClipRect(Clip);
    P.fillRect(Clip, EditorColor(FColor, clWhite));
    // The caret is drawn last, below: while the rows are painted it only has
    // to stay put. Hiding and showing it here would mark its rectangle dirty
    // again from inside the paint and paint for ever.
    struct THold {
        int& Count;
        explicit THold(int& C) : Count(C) { ++Count; }
        ~THold() { --Count; }
    } hold(FCaretUpdateCount);
    if (Clip.intersects(QRect(0, 0, tl, tt)) && !FCornerBitmap.isNull()) P.drawImage(0, 0, FCornerBitmap);
    if (FRuler->Visible() && Clip.intersects(QRect(tl, 0, W - tl, FRulerHeight))) PaintRuler(P);
    int first = FTopRow, last = FTopRow - 1;
    if (Clip.bottom() >= tt) {
        first = FTopRow + std::max(0, Clip.top() - tt) / rh;
        last = FTopRow + (Clip.bottom() - tt) / rh;
    }
    if (last >= first) {
        if (FLeftbar->Visible() && Clip.intersects(QRect(FImagebarWidth, tt, FLeftbarWidth, H - tt)))
            DrawLeftbar(P, first, last);
        if (FImagebar->Visible() && Clip.intersects(QRect(0, tt, FImagebarWidth, H - tt)))
            DrawImagebarRows(P, first, last);
        QRect textArea(tl, tt, W - tl, H - tt);
        QRect tc = Clip & textArea;
        if (!tc.isEmpty()) {
            P.setClipRect(tc);
            const int x0 = tl - FLeftScroll;
            TFountain* f = ActiveFountain();
            std::unique_ptr<TFountainParser> parser = f ? f->CreateParser() : nullptr;
            const int n = RowCount();
            const bool withSel = FSelState == 2 || FSelState == 3 || FClearingSelection;
            const bool paintSel = FSelState == 2 || (FSelState == 3 && FHitStyle == hsDraw);
            for (int r = first; r <= last; ++r) {
                const int y = tt + (r - FTopRow) * rh;
                QRect rr(tl, y, W - tl, FFontHeight + (withSel ? 1 : 0));
                rr &= tc;
                if (rr.isEmpty()) continue;
                if (r < n) {
                    // the row with its tabs expanded, as far as columns can show
                    std::string_view raw = RowText(r);
                    std::string text = ExpandTabs(raw.substr(0, std::min<size_t>(raw.size(), 2 * kMaxPaintCols + 16)));
                    if (text.size() > kMaxPaintCols + 8) text.resize(kMaxPaintCols + 8);
                    if (paintSel)
                        PaintRowWithSelection(P, rr, x0, parser.get(), r, text, y);
                    else
                        PaintRow(P, rr, x0, parser.get(), r, text, y);
                } else if (r == n && FMarks->EofMark().Visible() && (n == 0 || RowAttribute(n - 1) == raLineBreak)) {
                    DrawEofMark(P, x0, y);
                }
            }
            // the input method's composition, at the caret, never stored
            if (!FPreedit.isEmpty() && FRow >= first && FRow <= last) {
                std::string pre = cp932::FromQString(FPreedit);
                int x = tl + (FCol - FTopCol) * FColWidth;
                int y = tt + (FRow - FTopRow) * rh;
                QRect pr(x, y, ::TextColumns(Metrics(), pre) * FColWidth, FFontHeight);
                TextOutCols(P, pr & tc, x, true, pre, y, EditorColor(FFontColor), EditorColor(FColor, clWhite), TFontStyles());
                P.setPen(EditorColor(FFontColor));
                P.drawLine(pr.left(), y + FFontHeight - 1, pr.right(), y + FFontHeight - 1);
                int cx = x + ::TextColumns(Metrics(), cp932::FromQString(FPreedit.left(FPreeditCursor))) * FColWidth;
                P.fillRect(QRect(cx, y, 2, FFontHeight), EditorColor(FFontColor));
            }
            // the caret-row underline
            if (FMarks->Underline().Visible() && FUnderlineUpdateCount == 0 && FSelState != 2 && FSelState != 3) {
                int uy = GetUnderlinePos(FRow);
                if (uy >= 0) {
                    P.setPen(EditorColor(FMarks->Underline().Color()));
                    P.drawLine(tl, uy, W, uy);
                }
            }
        }
    }
    P.setClipRect(Clip);
    if (FCaretShown && FCaretBlinkOn && hasFocus() && Clip.intersects(FCaretPaintRect)) {
        P.setCompositionMode(QPainter::CompositionMode_Difference);
        P.fillRect(FCaretPaintRect, Qt::white);
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    FCanvas = nullptr;
}

void TEditor::PaintRow(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow, const std::string& Text,
                       int Y) {
    PaintRowPart(P, R, X0, Parser, ARow, Text, Y, false);
}

void TEditor::PaintRowSelected(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow,
                               const std::string& Text, int Y) {
    PaintRowPart(P, R, X0, Parser, ARow, Text, Y, true);
}

QRect TEditor::SelectionRowRect(int ARow, int X0) const {
    std::string codes = ColumnCodes(RowText(ARow));
    auto code = [&](int c) { return (c >= 0 && c < static_cast<int>(codes.size())) ? codes[static_cast<size_t>(c)] : '0'; };
    int sc = FSelDraw.StartCol, ec = FSelDraw.EndCol;
    if (code(sc) == '5') ++sc;
    if (code(ec) == '5') ++ec;
    const int tl = GetTextLeft();
    int x1 = std::max(tl, X0 + sc * FColWidth), x2 = std::max(tl, X0 + ec * FColWidth);
    return QRect(x1, 0, std::max(0, x2 - x1), 1);
}

void TEditor::PaintRowWithSelection(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow,
                                    const std::string& Text, int Y) {
    if (ARow < FSelDraw.StartRow || ARow > FSelDraw.EndRow) {
        PaintRow(P, R, X0, Parser, ARow, Text, Y);
        return;
    }
    const int tl = GetTextLeft();
    auto xOf = [&](int c) { return std::max(tl, X0 + c * FColWidth); };
    int sx, ex;
    const int right = viewport()->width();
    if (FSelectionMode) {
        QRect b = SelectionRowRect(ARow, X0);
        sx = b.left();
        ex = b.left() + b.width();
    } else if (FSelDraw.StartRow == FSelDraw.EndRow) {
        sx = xOf(FSelDraw.StartCol);
        ex = xOf(FSelDraw.EndCol);
    } else if (ARow == FSelDraw.StartRow) {
        sx = xOf(FSelDraw.StartCol);
        ex = right;
    } else if (ARow == FSelDraw.EndRow) {
        sx = tl;
        ex = xOf(FSelDraw.EndCol);
    } else {
        sx = tl;
        ex = right;
    }
    QRect left(R.left(), R.top(), std::max(0, std::min(sx, R.right() + 1) - R.left()), R.height());
    QRect mid(std::max(sx, R.left()), R.top(), std::max(0, std::min(ex, R.right() + 1) - std::max(sx, R.left())), R.height());
    QRect rightPart(std::max(ex, R.left()), R.top(), std::max(0, R.right() + 1 - std::max(ex, R.left())), R.height());
    if (!left.isEmpty()) PaintRow(P, left, X0, Parser, ARow, Text, Y);
    if (!mid.isEmpty()) PaintRowSelected(P, mid, X0, Parser, ARow, Text, Y);
    if (!rightPart.isEmpty()) PaintRow(P, rightPart, X0, Parser, ARow, Text, Y);
}

void TEditor::PaintRowPart(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow,
                           const std::string& Text, int Y, bool Selected) {
    TRowAttributeData data;
    GetRowAttributeData(ARow, data);
    if (data.BracketIndex == -2) {
        FStore->UpdateRowStates(ARow, false);
        GetRowAttributeData(ARow, data);
    }
    const TFontStyles fontStyle = StylesOf(font());
    const QColor normalBg = EditorColor(FColor, clWhite), normalFg = EditorColor(FFontColor);
    QColor bg = normalBg, fg = normalFg;
    if (Selected) {
        const TEditorColor& item = FSelState == 3 ? FView->Colors().Hit() : FView->Colors().Select();
        bg = EditorColor(item.BkColor() != clNone ? item.BkColor() : FFontColor);
        fg = EditorColor(item.Color() != clNone ? item.Color() : FColor, clWhite);
    }
    TPainterState kept(P);
    P.setClipRect(R, Qt::IntersectClip);
    if (!FItalicInUse)
        TextOutCols(P, R, X0, true, Text, Y, fg, bg, fontStyle);
    else
        P.fillRect(R, bg);
    const int len = static_cast<int>(Text.size());
    const int limitX = std::min(R.right() + 1, X0 + kMaxPaintCols * FColWidth);
    if ((len + 5) * FColWidth >= FLeftScroll) {
        if (len > 0 && Parser) {
            std::string feed = Text;
            int ownLen = len;
            int limit = limitX;
            if (WordWrap() && RowAttribute(ARow) == raWrapped && ARow < RowCount() - 1) {
                feed += ExpandTabs(RowText(ARow + 1));
                limit = std::min(limit, X0 + ownLen * FColWidth);
            }
            Parser->NewData(feed, data);
            const int tl = GetTextLeft();
            while (Parser->NextToken() != toEof) {
                const int st = Parser->SourcePos(), tlen = Parser->TokenLength();
                if (st >= ownLen) break;
                const int x = X0 + st * FColWidth, w = tlen * FColWidth;
                if (x + w <= tl) continue;
                if (x >= limit) break;
                TFountainColor* fc = Parser->TokenToFountainColor();
                TFontStyles style = (fc && !fc->Style().Empty()) ? fc->Style() : fontStyle;
                const int cut = std::min(tlen, ownLen - st);
                QRect tr = QRect(x, R.top(), cut * FColWidth, R.height()) & R;
                if (tr.isEmpty()) continue;
                std::string_view piece = std::string_view(Text).substr(static_cast<size_t>(st), static_cast<size_t>(cut));
                if (!Selected) {
                    TColor bk = (fc && fc->BkColor() != clNone) ? fc->BkColor() : FColor;
                    TColor tc = (fc && fc->Color() != clNone) ? fc->Color() : FFontColor;
                    if (!FItalicInUse) {
                        if (bk == FColor && tc == FFontColor && style == fontStyle) continue;
                        TextOutCols(P, tr, x, true, piece, Y, EditorColor(tc), EditorColor(bk, clWhite), style);
                    } else {
                        TextOutCols(P, tr, x, bk != FColor, piece, Y, EditorColor(tc), EditorColor(bk, clWhite), style);
                    }
                } else {
                    if (!FItalicInUse && style == fontStyle) continue;
                    TextOutCols(P, tr, x, !FItalicInUse, piece, Y, fg, bg, style);
                }
            }
        }
        TRect ar{R.left(), R.top(), R.right() + 1, R.bottom() + 1};
        DoDrawLine(ar, X0, Y, Text, ARow, Selected);
        // the mark at the end of the row
        int endCols = std::min(len, kMaxPaintCols);
        bool cut = len > kMaxPaintCols;
        int x = X0 + endCols * FColWidth;
        if (x < R.right() + 1) {
            const int attr = RowAttribute(ARow);
            if (cut) {
                if (FMarks->HideMark().Visible()) Selected ? DrawSelectedHideMark(P, x, Y) : DrawHideMark(P, x, Y);
            } else if (attr == raEndOfText) {
                if (FMarks->EofMark().Visible()) DrawEofMark(P, x, Y);
            } else if (attr == raLineBreak) {
                if (FMarks->RetMark().Visible()) Selected ? DrawSelectedRetMark(P, x, Y) : DrawRetMark(P, x, Y);
            } else if (FMarks->WrapMark().Visible()) {
                Selected ? DrawSelectedWrapMark(P, x, Y) : DrawWrapMark(P, x, Y);
            }
        }
    }
}

void TEditor::TextOutCols(QPainter& P, const QRect& R, int X, bool Opaque, std::string_view Text, int Y,
                          const QColor& Fg, const QColor& Bg, TFontStyles Style) {
    if (R.isEmpty()) return;
    if (Opaque) P.fillRect(R, Bg);
    size_t len = std::min(Text.size(), static_cast<size_t>(kMaxPaintCols));
    if (len == kMaxPaintCols && Text.size() > len && cp932::IsLeadByte(Text[len - 1])) ++len;
    if (!FFontCache) return;
    const QRawFont& raw = FFontCache->Get(Style.Contains(fsBold), Style.Contains(fsItalic));
    const int firstCol = std::max(0, (R.left() - X) / FColWidth - 1);
    const int lastCol = (R.right() - X) / FColWidth + 1;
    QString chars;
    QVector<QPointF> positions;
    std::vector<std::pair<QPointF, QString>> fallback;
    const qreal baseline = Y + FFontAscent;
    for (size_t i = 0; i < len;) {
        const int col = static_cast<int>(i);
        if (col > lastCol) break;
        unsigned char c = static_cast<unsigned char>(Text[i]);
        size_t w = (cp932::IsLeadByte(c) && i + 1 < len) ? 2 : 1;
        if (col + static_cast<int>(w) - 1 >= firstCol && c >= 0x20 && c != 0x7F) {
            std::u16string u = cp932::ToUtf16(Text.substr(i, w));
            if (!u.empty()) {
                QChar ch(u[0]);
                QPointF pos(X + col * FColWidth, baseline);
                if (raw.isValid() && raw.supportsCharacter(ch)) {
                    chars.append(ch);
                    positions.append(pos);
                } else {
                    fallback.emplace_back(pos, QString(ch));
                }
            }
        }
        i += w;
    }
    P.setPen(Fg);
    if (!chars.isEmpty()) {
        QList<quint32> glyphs = raw.glyphIndexesForString(chars);
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        if (Style.Contains(fsStrikeOut)) run.setStrikeOut(true);
        P.drawGlyphRun(QPointF(0, 0), run);
    }
    if (!fallback.empty()) {
        QFont f = font();
        f.setBold(Style.Contains(fsBold));
        f.setItalic(Style.Contains(fsItalic));
        f.setUnderline(false);
        P.setFont(f);
        for (const auto& fb : fallback) P.drawText(fb.first, fb.second);
    }
    if (Style.Contains(fsUnderline)) {
        // a dotted line in the text colour over the background
        int x1 = std::max(X, R.left()), x2 = std::min(X + static_cast<int>(len) * FColWidth, R.right() + 1);
        int y = Y + FFontHeight - 1;
        if (x2 > x1) {
            P.fillRect(QRect(x1, y, x2 - x1, 1), Bg);
            for (int x = x1; x < x2; x += 2) P.fillRect(QRect(x, y, 1, 1), Fg);
        }
    }
}

// ---- marks ------------------------------------------------------------------------------------------

void TEditor::DrawEofMark(QPainter& P, int X, int Y) {
    const int tl = GetTextLeft(), tt = GetTextTop();
    QRect r = QRect(X, Y, 6 * FColWidth, FFontHeight) & QRect(tl, tt, viewport()->width() - tl, viewport()->height() - tt);
    TPainterState kept(P);
    P.setClipRect(r, Qt::IntersectClip);
    TextOutCols(P, r, X, true, "[EOF]", Y, EditorColor(FMarks->EofMark().Color()), EditorColor(FColor, clWhite),
                StylesOf(font()) - TFontStyles(fsUnderline));
}

namespace {
void RetShape(QPainter& P, int X, int Y, int F, int W) {
    int h = std::max(1, F / 8), a = std::max(h, 3), c = X + W / 2;
    P.drawLine(c, Y + 2 * h, c, Y + F - 2 * h);
    P.drawLine(c, Y + F - 2 * h, c + a, Y + F - 2 * h - a);
    P.drawLine(c, Y + F - 2 * h, c - a, Y + F - 2 * h - a);
}
void WrapShape(QPainter& P, int X, int Y, int F, int W) {
    int m = Y + F / 2, a = std::max(2, 3 * W / 5);
    P.drawLine(X + W, m - a, X + W - a, m);
    P.drawLine(X + W - a, m, X + W + 1, m + a + 1);
}
void HideShape(QPainter& P, int X, int Y, int F, int W) {
    int m = Y + F / 2, a = std::max(2, 3 * W / 5);
    P.drawLine(X + W - a, m - a, X + W, m);
    P.drawLine(X + W, m, X + W - a - 1, m + a + 1);
}
}  // namespace

void TEditor::DrawRetMark(QPainter& P, int X, int Y) {
    if (X < GetTextLeft()) return;
    P.setPen(QPen(EditorColor(FMarks->RetMark().Color()), 1));
    RetShape(P, X, Y, FFontHeight, FColWidth);
}

void TEditor::DrawSelectedRetMark(QPainter& P, int X, int Y) {
    if (X < GetTextLeft()) return;
    const TEditorColor& item = FSelState == 3 ? FView->Colors().Hit() : FView->Colors().Select();
    P.setPen(QPen(EditorColor(item.Color() != clNone ? item.Color() : FColor, clWhite), 1));
    RetShape(P, X, Y, FFontHeight, FColWidth);
}

void TEditor::DrawWrapMark(QPainter& P, int X, int Y) {
    P.setPen(QPen(EditorColor(FMarks->WrapMark().Color()), 1));
    WrapShape(P, X, Y, FFontHeight, FColWidth);
}

void TEditor::DrawSelectedWrapMark(QPainter& P, int X, int Y) {
    const TEditorColor& item = FSelState == 3 ? FView->Colors().Hit() : FView->Colors().Select();
    P.setPen(QPen(EditorColor(item.Color() != clNone ? item.Color() : FColor, clWhite), 1));
    WrapShape(P, X, Y, FFontHeight, FColWidth);
}

void TEditor::DrawHideMark(QPainter& P, int X, int Y) {
    P.setPen(QPen(EditorColor(FMarks->HideMark().Color()), 1));
    HideShape(P, X, Y, FFontHeight, FColWidth);
}

void TEditor::DrawSelectedHideMark(QPainter& P, int X, int Y) {
    const TEditorColor& item = FSelState == 3 ? FView->Colors().Hit() : FView->Colors().Select();
    P.setPen(QPen(EditorColor(item.Color() != clNone ? item.Color() : FColor, clWhite), 1));
    HideShape(P, X, Y, FFontHeight, FColWidth);
}

// ---- the leftbar and the image bar ---------------------------------------------------------------------

void TEditor::DrawLeftbar(QPainter& P, int FromRow, int ToRow) {
    const int tt = GetTextTop(), rh = GetRowHeight();
    const int x0 = FImagebarWidth;
    const int cellW = FLeftbarWidth - 2;
    const QColor bk = EditorColor(FLeftbar->BkColor(), clSilver), fg = EditorColor(FLeftbar->Color());
    const int n = RowCount();
    const bool endsInBreak = n > 0 && RowAttribute(n - 1) == raLineBreak;
    TPainterState kept(P);
    for (int r = FromRow; r <= ToRow; ++r) {
        const int y = tt + (r - FTopRow) * rh;
        QRect cell(x0, y, cellW, rh);
        P.fillRect(cell, bk);
        if (!FLeftbar->ShowNumber()) continue;
        long num = -1;
        if (FLeftbar->ShowNumberMode() == nmRow) {
            if (r < n || r == 0 || (r == n && endsInBreak)) num = r;
        } else {
            bool lineStart = r == 0 || (r < n && RowAttribute(r - 1) != raWrapped) || (r == n && (n == 0 || endsInBreak));
            if (r <= n && lineStart) num = LineOfRow(r);
        }
        if (num < 0) continue;
        if (!FLeftbar->ZeroBase()) ++num;
        std::string s = std::to_string(num);
        if (static_cast<int>(s.size()) < FLeftbarDigits)
            s.insert(0, static_cast<size_t>(FLeftbarDigits - static_cast<int>(s.size())), FLeftbar->ZeroLead() ? '0' : ' ');
        TextOutCols(P, cell, x0 + FLeftbar->LeftMargin(), true, s, y, fg, bk, TFontStyles());
    }
    if (!FLeftbarEdgeBitmap.isNull()) {
        int y0 = tt + (FromRow - FTopRow) * rh;
        int y1 = tt + (ToRow - FTopRow + 1) * rh;
        for (int y = y0; y < y1; y += FLeftbarEdgeBitmap.height())
            P.drawImage(x0 + FLeftbarWidth - 2, y, FLeftbarEdgeBitmap);
    }
}

void TEditor::DrawImagebarRows(QPainter& P, int FromRow, int ToRow) {
    const int tt = GetTextTop(), rh = GetRowHeight();
    QColor bk = (FLeftbar->Visible() && FLeftbar->BkColor() != clNone) ? EditorColor(FLeftbar->BkColor())
                                                                       : EditorColor(FColor, clWhite);
    const int n = RowCount();
    for (int r = FromRow; r <= ToRow; ++r) {
        const int y = tt + (r - FTopRow) * rh;
        P.fillRect(QRect(0, y, FImagebarWidth, rh), bk);
        if (r >= n) continue;
        uint16_t m = FStore->RowMarks(r);
        if (!m) continue;
        for (int d = 0; d < 10; ++d)
            if (m & (1u << d)) {
                const TImageList& list = (FImageDigits && d < FImageDigits->Count()) ? *FImageDigits : DefaultDigitImages();
                if (d < list.Count()) P.drawImage(FImagebar->LeftMargin(), y + 2, list.Images[static_cast<size_t>(d)]);
                break;
            }
        for (int k = 10; k < 16; ++k)
            if (m & (1u << k)) {
                int i = k - 10;
                const TImageList& list = (FImageMarks && i < FImageMarks->Count()) ? *FImageMarks : DefaultMarkImages();
                if (i < list.Count())
                    P.drawImage(FImagebar->LeftMargin() + FImagebar->DigitWidth(), y + 2, list.Images[static_cast<size_t>(i)]);
                break;
            }
    }
}

// ---- margin bitmaps ------------------------------------------------------------------------------------

void TEditor::CreateMarginBitmaps() {
    FDigitHeight = 9;
    FDigitWidth = 5;
    CreatePatternBitmap();
    DrawEdgeBitmap();
    FMarginBitmapsMade = true;
}

void TEditor::FreeMarginBitmaps() {
    FLeftbarEdgeBitmap = FCornerBitmap = FRulerGaugeBitmap = FRulerTextBitmap = FRulerMarkBitmap = FRulerEdgeBitmap =
        FRulerDigitPattern = FRulerDigitBitmap = FRulerMarkDigitBitmap = QImage();
    FMarginBitmapsMade = false;
}

void TEditor::CreatePatternBitmap() {
    FRulerDigitPattern = QImage(56, 9, QImage::Format_Grayscale8);
    FRulerDigitPattern.fill(0);
    for (int d = 0; d < 10; ++d)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 4; ++x)
                if (EditorDigitShapes[d][y][x] == '#') FRulerDigitPattern.setPixel(5 * d + x, 1 + y, qRgb(255, 255, 255));
}

void TEditor::CreateRulerDigitBitmaps() {
    const QColor fg = EditorColor(FRuler->Color()), bk = EditorColor(FRuler->BkColor(), clSilver);
    const QColor mark = EditorColor(FRuler->MarkColor() != clNone ? FRuler->MarkColor() : FFontColor);
    FRulerDigitBitmap = QImage(FRulerDigitPattern.size(), QImage::Format_RGB32);
    FRulerMarkDigitBitmap = QImage(FRulerDigitPattern.size(), QImage::Format_RGB32);
    for (int y = 0; y < FRulerDigitPattern.height(); ++y)
        for (int x = 0; x < FRulerDigitPattern.width(); ++x) {
            bool on = qGray(FRulerDigitPattern.pixel(x, y)) > 127;
            FRulerDigitBitmap.setPixelColor(x, y, on ? fg : bk);
            FRulerMarkDigitBitmap.setPixelColor(x, y, on ? bk : mark);
        }
}

void TEditor::DrawEdgeBitmap() {
    FEdgeBitmapDue = true;
    FCornerBitmapDue = true;  // the corner shows the ruler's edge
}

void TEditor::MakeEdgeBitmap() {
    FEdgeBitmapDue = false;
    FRulerEdgeBitmap = QImage(ScreenWidth(), 2, QImage::Format_RGB32);
    QPainter p(&FRulerEdgeBitmap);
    p.fillRect(0, 0, FRulerEdgeBitmap.width(), 1, Qt::white);
    p.fillRect(0, 1, FRulerEdgeBitmap.width(), 1, QColor(0x80, 0x80, 0x80));
}

int TEditor::GetRulerGaugeWidth() {
    int p = std::max(1, FRuler->GaugeRange() * FColWidth);
    return p * (ScreenWidth() / p + 2);
}

void TEditor::DrawRulerBitmap() {
    MakeDueBitmaps();
    const int rh = std::max(1, CalcRulerHeight() ? FRulerHeight : (FRuler->Edge() ? 11 : 10));
    const int gr = FRuler->GaugeRange();
    const int p = std::max(1, gr * FColWidth);
    FRulerGaugeBitmap = QImage(GetRulerGaugeWidth(), rh, QImage::Format_RGB32);
    FRulerGaugeBitmap.fill(EditorColor(FRuler->BkColor(), clSilver));
    QPainter g(&FRulerGaugeBitmap);
    const QColor fg = EditorColor(FRuler->Color());
    for (int k = 0; k < gr; ++k) {
        int y0 = k == 0 ? 0 : (k == gr / 2 ? 3 : 6);
        g.fillRect(QRect(k * FColWidth, y0, 1, rh - 1 - y0), fg);
    }
    if (FRuler->Edge())
        g.drawImage(QRect(0, rh - 2, p, 2), FRulerEdgeBitmap, QRect(0, 0, p, 2));
    else
        g.fillRect(QRect(0, rh - 1, p, 1), fg);
    for (int x = p; x < FRulerGaugeBitmap.width(); x += p) g.drawImage(x, 0, FRulerGaugeBitmap, 0, 0, p, rh);
}

// The gauge, and the numbered and marked rulers made from it, are drawn at
// each paint of the ruler and not kept between paints.
void TEditor::ResizeRulerBitmaps() { FRulerTextBitmap = FRulerMarkBitmap = QImage(); }

void TEditor::UpdateRulerMetrics() {
    // A hidden ruler keeps no pictures; they are drawn when it is shown.
    if (!CalcRulerHeight()) {
        FRulerGaugeBitmap = FRulerTextBitmap = FRulerMarkBitmap = QImage();
        return;
    }
    CreateRulerDigitBitmaps();
    FRulerGaugeBitmap = QImage();  // drawn at the ruler's next paint
    ResizeRulerBitmaps();
}

void TEditor::CreateRulerMarkBitmap() {
    if (FRulerGaugeBitmap.isNull()) return;
    const int gr = FRuler->GaugeRange();
    const int p = gr * FColWidth;
    const int f = (FTopCol / gr) * gr;
    FRulerTextBitmap = FRulerGaugeBitmap.copy();
    FRulerMarkBitmap = QImage(FRulerGaugeBitmap.size(), QImage::Format_RGB32);
    FRulerMarkBitmap.fill(EditorColor(FRuler->MarkColor() != clNone ? FRuler->MarkColor() : FFontColor));
    QPainter t(&FRulerTextBitmap), m(&FRulerMarkBitmap);
    const int rh = FRulerGaugeBitmap.height();
    for (int k = 0;; ++k) {
        int x = 1 + k * p;
        if (x >= FRulerTextBitmap.width()) break;
        int num = f + k * gr;
        if (num > 8192) break;
        if (num + gr > 8192) {
            // the last step: no ticks after column 8192, the edge line stays
            int bx = (8192 - f) * FColWidth + 1;
            t.fillRect(QRect(bx, 0, FRulerTextBitmap.width() - bx, rh - (FRuler->Edge() ? 2 : 1)),
                       EditorColor(FRuler->BkColor(), clSilver));
        }
        std::string digits = std::to_string(num);
        int dx = x;
        for (char c : digits) {
            int d = c - '0';
            int w = d == 1 ? 3 : FDigitWidth;
            int sx = 5 * d;
            t.drawImage(dx, 0, FRulerDigitBitmap, sx, 0, w, FDigitHeight);
            m.drawImage(dx, 0, FRulerMarkDigitBitmap, sx, 0, w, FDigitHeight);
            dx += w;
        }
    }
}

void TEditor::PaintRuler(QPainter& P) {
    DrawRulerBitmap();
    CreateRulerMarkBitmap();
    FRulerGaugeBitmap = QImage();
    if (FRulerTextBitmap.isNull()) return;
    const int tl = GetTextLeft();
    const int gr = FRuler->GaugeRange();
    const int sx = ((FLeftScroll / std::max(1, FColWidth)) % gr) * FColWidth;
    const int w = viewport()->width() - tl;
    P.drawImage(QPoint(tl, 0), FRulerTextBitmap, QRect(sx, 0, w, FRulerHeight));
    if (FCol >= FTopCol && FCol <= FTopCol + FVisibleCols) {
        int cx = (FCol - FTopCol) * FColWidth + 1;
        int h = FRulerHeight - 1 - (FRuler->Edge() ? 1 : 0);
        P.drawImage(QPoint(tl + cx, 0), FRulerMarkBitmap, QRect(sx + cx, 0, FColWidth - 1, h));
    }
    ResizeRulerBitmaps();
}

void TEditor::DrawRulerMark(int ACol) {
    if (!FRuler->Visible() || ACol < FTopCol || ACol > FTopCol + FVisibleCols) return;
    MarkDirty(QRect(GetTextLeft() + (ACol - FTopCol) * FColWidth + 1, 0, FColWidth - 1, FRulerHeight));
}

void TEditor::EraseRulerMark(int ACol) { DrawRulerMark(ACol); }

void TEditor::DrawLeftbarBitmap() {
    FLeftbarBitmapDue = true;
    FCornerBitmapDue = true;  // the corner shows the left bar's edge
}

void TEditor::DrawCornerBitmap() { FCornerBitmapDue = true; }

void TEditor::MakeDueBitmaps() {
    // the corner last: it is drawn from the two edges
    if (FEdgeBitmapDue) MakeEdgeBitmap();
    if (FLeftbarBitmapDue) MakeLeftbarBitmap();
    if (FCornerBitmapDue) MakeCornerBitmap();
}

void TEditor::MakeLeftbarBitmap() {
    FLeftbarBitmapDue = false;
    FLeftbarEdgeBitmap = QImage(2, ScreenHeightPx(), QImage::Format_RGB32);
    QPainter p(&FLeftbarEdgeBitmap);
    if (FLeftbar->Edge()) {
        p.fillRect(0, 0, 1, FLeftbarEdgeBitmap.height(), Qt::white);
        p.fillRect(1, 0, 1, FLeftbarEdgeBitmap.height(), QColor(0x80, 0x80, 0x80));
    } else {
        p.fillRect(0, 0, 1, FLeftbarEdgeBitmap.height(), EditorColor(FLeftbar->BkColor(), clSilver));
        p.fillRect(1, 0, 1, FLeftbarEdgeBitmap.height(), EditorColor(FLeftbar->Color()));
    }
}

void TEditor::MakeCornerBitmap() {
    FCornerBitmapDue = false;
    const int tl = GetTextLeft(), tt = GetTextTop();
    if (tl <= 0 || tt <= 0) {
        FCornerBitmap = QImage();
        return;
    }
    FCornerBitmap = QImage(tl, tt, QImage::Format_RGB32);
    FCornerBitmap.fill(EditorColor(FColor, clWhite));
    QPainter p(&FCornerBitmap);
    const int lw = (FImagebar->Visible() ? FImagebarWidth : 0) + (FLeftbar->Visible() ? FLeftbarWidth : 0);
    if (FLeftbar->Visible() && FLeftbar->Edge()) {
        p.fillRect(QRect(0, 0, lw, tt), EditorColor(FLeftbar->BkColor(), clSilver));
        if (!FLeftbarEdgeBitmap.isNull()) p.drawImage(lw - 2, 0, FLeftbarEdgeBitmap, 0, 0, 2, tt);
    }
    if (FRuler->Visible() && FRuler->Edge()) {
        int x0 = FLeftbar->Visible() ? lw : 0;
        p.fillRect(QRect(x0, 0, tl - x0, FRulerHeight), EditorColor(FRuler->BkColor(), clSilver));
        if (!FRulerEdgeBitmap.isNull()) p.drawImage(x0, FRulerHeight - 2, FRulerEdgeBitmap, 0, 0, tl - x0, 2);
    }
}
