#include "KZNEditor.h"

#include <algorithm>
#include <cstring>

#include <QCoreApplication>
#include <QMimeData>
#include <QPointer>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include "CP932.h"
#include "FileSystem.h"
#include "KZNEditorText.h"
#include "KZNMessageDlg.h"
#include "KZNPopupMenu.h"
#include "KeyTypes.h"
#include "PainterState.h"
#include "T_FolderFile.h"

namespace {

const QString kFileListFormat = QStringLiteral("text/uri-list");

}  // namespace

// ---- the drop menu

TEditorOLEDropPopupMenu::TEditorOLEDropPopupMenu(TKZNEditor* AEditor) : QMenu(AEditor), Editor(AEditor) { CreateItems(); }

void TEditorOLEDropPopupMenu::CreateItems() {
    FileNamesItem = addAction(QString::fromUtf16(u"ファイル名を貼り付け"));
    FileDeployItem = addAction(QString::fromUtf16(u"ファイルを展開して貼り付け"));
    QObject::connect(FileNamesItem, &QAction::triggered, this, [this] { FileNamesClick(); });
    QObject::connect(FileDeployItem, &QAction::triggered, this, [this] { FileDeployClick(); });
}

void TEditorOLEDropPopupMenu::FileNamesClick() { Editor->PasteMode = fpFileNames; }
void TEditorOLEDropPopupMenu::FileDeployClick() { Editor->PasteMode = fpFileDeploy; }


// ---- the editor

TKZNEditor::TKZNEditor(QWidget* Parent) : TEditor(Parent) {}

TKZNEditor::~TKZNEditor() {
    if (FDropTarget) FDropTarget->RevokeDragDrop();
}

void TKZNEditor::AfterConstruction() {
    TEditor::AfterConstruction();
    TEditorUtil::SetStandardOptions(*this);
    Caret().NextLine = true;
    RegisterDropTarget();
    // The editor paints every pixel of its view: what lies below need not be painted first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);

    // A scroll bar request first moves the view, then gets the editor's own follow-up.
    auto code = [](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub: return int(SB_LINEUP);
            case QAbstractSlider::SliderSingleStepAdd: return int(SB_LINEDOWN);
            case QAbstractSlider::SliderPageStepSub: return int(SB_PAGEUP);
            case QAbstractSlider::SliderPageStepAdd: return int(SB_PAGEDOWN);
            case QAbstractSlider::SliderMove: return int(SB_THUMBTRACK);
            default: return -1;
        }
    };
    QScrollBar* hb = horizontalScrollBar();
    QObject::connect(hb, &QAbstractSlider::actionTriggered, this, [this, hb, code](int action) {
        const int c = code(action);
        if (c < 0) return;
        hb->setValue(hb->sliderPosition());
        AfterHScroll(c);
    });
    QObject::connect(hb, &QAbstractSlider::sliderReleased, this, [this] { AfterHScroll(SB_ENDSCROLL); });
    QScrollBar* vb = verticalScrollBar();
    QObject::connect(vb, &QAbstractSlider::actionTriggered, this, [this, vb, code](int action) {
        if (code(action) < 0) return;
        vb->setValue(vb->sliderPosition());
        AfterVScroll();
    });
}

void TScriptEditor::AfterConstruction() {
    TKZNEditor::AfterConstruction();
    Caret().BackSpaceUnIndent = false;
    Caret().InTab = false;
}

void TEditorUtil::SetStandardOptions(TEditor& Editor) {
    Editor.Caret().BackSpaceUnIndent = false;
    Editor.Caret().InTab = false;
    Editor.Marks().HideMark().SetVisible(true);
}

void TKZNEditor::FormatLinesToWidth(std::string_view Text, TStringList& Lines) {
    kzneditor::FormatLinesToWidth(Text, VisibleCols(), Lines);
}

void TKZNEditor::ScrollCaretIntoView() {
    ScrollIntoView(Row(), Col());  // as the caret scrolls it, with or without the focus
    SetCaretPosition();
}

void TKZNEditor::ScrollToEnd() {
    const int top = Lines().Count() - VisibleRows();
    SetTopRow(top >= 1 ? top : 0);
    ScrollCaretIntoView();
}

void TKZNEditor::ScrollToTop() {
    SetTopRow(0);
    ScrollCaretIntoView();
}

void TKZNEditor::InsertLinesNearCaret(const TStringList& Src) {
    std::string text = Src.Text();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    const int count = Lines().Count();
    const int line = count > 0 ? LineOfRow(Row()) : 0;
    const std::string caretLine = line < count ? Lines().Get(line) : std::string();
    const int index = kzneditor::InsertLinesIndex(count, line, CaretIndex(), static_cast<int>(caretLine.size()));
    if (index >= count)
        Lines().Add(text);
    else
        Lines().Insert(index, text);
}

QPoint TKZNEditor::GetCaretPoint() const {
    if (!hasFocus()) return CaretPoint;
    const TPoint p = const_cast<TKZNEditor*>(this)->CalcCaretPoint();
    return QPoint(p.X, p.Y);
}

void TKZNEditor::KeyDown(uint16_t& Key, TShiftState Shift) {
    const bool ctrl = Shift & ssCtrl, alt = Shift & ssAlt, shift = Shift & ssShift;
    if (Key == 'A' && ctrl && !alt && !shift) {
        SelectAll();
        Key = 0;
        return;
    }
    if (Key == VK_F1 + 2 && !ctrl && !alt) {
        if (!SearchStr.empty()) {
            const bool down = shift ? !SearchAllowAsc : SearchAllowAsc;
            Search(SearchStr, down ? soForward : 0);
        }
        Key = 0;
        return;
    }
    if (Key == VK_TAB && !ctrl && !alt && GetSelected()) {
        // A Tab never replaces a selection: over several lines it indents them.
        if (GetSelText().find("\r\n") != std::string::npos) {
            if (Shift == ssShift)
                SelUnIndent();
            else
                SelIndent();
        }
        Key = 0;
        return;
    }
    if (Key == VK_ESCAPE) SetSelLength(-1);
    TEditor::KeyDown(Key, Shift);
}

// ---- scrolling

void TKZNEditor::WMHScroll(int Code) {
    const int V = std::max(1, VisibleCols());
    switch (Code) {
        case SB_LINEUP: SetTopCol(std::max(0, TopCol() - 1)); break;
        case SB_LINEDOWN: SetTopCol(std::min(TopCol() + 1, std::max(0, MaxTopCol()))); break;
        case SB_PAGEUP: SetTopCol(std::max(0, TopCol() - V)); break;
        case SB_PAGEDOWN: SetTopCol(std::min(TopCol() + V, std::max(0, MaxTopCol()))); break;
        default: break;
    }
    AfterHScroll(Code);
}

void TKZNEditor::WMVScroll(int Code) {
    const int R = std::max(1, VisibleRows());
    const int top = TopRow();
    int to = top;
    switch (Code) {
        case SB_LINEUP: to = top - 1; break;
        case SB_LINEDOWN: to = top + 1; break;
        case SB_PAGEUP: to = top - R; break;
        case SB_PAGEDOWN: to = top + R; break;
        default: break;
    }
    if (to != top) {
        const int moved = std::clamp(to, 0, std::max(0, MaxTopRow())) - top;
        if (moved != 0) {
            SetTopRow(top + moved);
            if (Caret().LockScroll) SetRow(Row() + moved);
        }
    }
    AfterVScroll();
}

void TKZNEditor::AfterHScroll(int Code) {
    if (Code == SB_LINEDOWN || Code == SB_PAGEDOWN || Code == SB_THUMBTRACK || Code == SB_ENDSCROLL) {
        // Never further right than half a view past the longest visible line.
        const int V = std::max(1, VisibleCols());
        const int n = RowCount();
        int M = 0;
        for (int r = TopRow(), last = std::min(n, TopRow() + VisibleRows()); r < last; ++r)
            M = std::max(M, static_cast<int>(RowText(r).size()));
        if (M >= 1) {
            if (M - V / 2 < TopCol()) SetTopCol(std::max(0, M - V / 2));
        } else {
            SetTopCol(0);
        }
    }
    if (OnHScroll) OnHScroll(this);
}

void TKZNEditor::AfterVScroll() {
    if (Lines().Count() < VisibleRows() && TopRow() != 0) SetTopRow(0);
}

void TKZNEditor::wheelEvent(QWheelEvent* E) {
    const int delta = E->angleDelta().y();
    if (delta == 0) return;
    const bool up = delta > 0;
    const Qt::KeyboardModifiers m = E->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    auto vscroll = [&](int n) {
        for (int i = 0; i < n; ++i) WMVScroll(up ? SB_LINEUP : SB_LINEDOWN);
    };
    auto hscroll = [&](int n) {
        for (int i = 0; i < n; ++i) WMHScroll(up ? SB_LINEUP : SB_LINEDOWN);
    };
    if (m == Qt::NoModifier) {
        vscroll(1);
    } else if (m == Qt::AltModifier) {
        vscroll(10);
    } else if (m == (Qt::ShiftModifier | Qt::ControlModifier)) {
        hscroll(1);
    } else if (m == (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) {
        hscroll(10);
    } else if (m == Qt::ControlModifier) {
        // Zoom: smaller up, larger down, never below one point.
        const int row = Row(), col = Col();
        Lines().BeginUpdate();
        QFont f = font();
        f.setPointSize(std::max(1, f.pointSize() + (up ? -1 : 1)));
        setFont(f);
        Lines().EndUpdate();
        SetRow(row);
        SetCol(col);
    }
    E->accept();
}

void TKZNEditor::changeEvent(QEvent* E) {
    TEditor::changeEvent(E);
    if (E->type() == QEvent::FontChange && OnFonFontChange) OnFonFontChange(this);
}

void TKZNEditor::focusInEvent(QFocusEvent* E) {
    TEditor::focusInEvent(E);
    viewport()->update();
}

void TKZNEditor::DoCaretMoved() {
    TEditor::DoCaretMoved();
    CaretPoint = GetCaretPoint();
}

// ---- marks for tabs and full-width spaces

void TKZNEditor::DoDrawLine(const TRect& ARect, int X, int Y, const std::string& LineStr, int Index, bool Selected) {
    TEditor::DoDrawLine(ARect, X, Y, LineStr, Index, Selected);
    QPainter* P = Canvas();
    if (!P) return;
    std::string_view raw = RowText(Index);
    if (raw.empty()) return;
    const bool tabs = std::memchr(raw.data(), '\t', raw.size()) != nullptr;
    if (!tabs && raw.find("\x81\x40") == std::string::npos) return;
    const int CW = std::max(1, ColWidth());
    const int T = std::max(1, Caret().TabSpaceCount());
    const int mid = Y + (RowHeight() - Margin().Line()) / 2;
    const int lastCol = (ARect.Right - X) / CW + 2;
    TPainterState kept(*P);
    QPen pen(EditorColor(FontColor()));
    pen.setColor(QColor(0x80, 0x80, 0x80));
    int col = 0;
    for (size_t i = 0; i < raw.size() && col <= lastCol;) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        const int x = X + CW * col;
        if (c == '\t') {
            if (ARect.Left <= x && x <= ARect.Right - CW) {
                const bool thin = CW < 14;
                pen.setWidth(thin ? 1 : 2);
                P->setPen(pen);
                const int a = thin ? 1 : 5, b = thin ? 3 : 5;
                P->drawLine(x + 2, mid - a, x + 2 + b, mid);
                P->drawLine(x + 2, mid + a, x + 2 + b, mid);
            }
            col += T - col % T;
            ++i;
        } else if (cp932::IsLeadByte(c) && i + 1 < raw.size()) {
            if (c == 0x81 && static_cast<unsigned char>(raw[i + 1]) == 0x40 && ARect.Left <= x &&
                x <= ARect.Right - 2 * CW) {
                pen.setWidth(1);
                P->setPen(pen);
                const int side = 2 * (CW - Margin().Character()) - 4;
                const int l = x + 2, t = Y + 2;
                P->drawLine(l, t, l + side, t);
                P->drawLine(l + side, t, l + side, t + side);
                P->drawLine(l, t + side, l + side, t + side);
                if (l >= ARect.Left) P->drawLine(l, t, l, t + side);
            }
            col += 2;
            i += 2;
        } else {
            ++col;
            ++i;
        }
    }
}

// ---- dropped files

void TKZNEditor::RegisterDropTarget() {
    std::vector<QString> formats = FObjectFormats;
    formats.push_back(kFileListFormat);
    if (FDropTarget) FDropTarget->RevokeDragDrop();
    FDropTarget = std::make_unique<TDropTarget>(std::move(formats));
    FDropTarget->OnDragEnter = [this](const QMimeData* d, TDragKeyState k, QPoint p, Qt::DropAction& e) {
        OLEDragEnter(d, k, p, e);
    };
    FDropTarget->OnDragOver = [this](const QMimeData* d, TDragKeyState k, QPoint p, Qt::DropAction& e) {
        OLEDragOver(d, k, p, e);
    };
    FDropTarget->OnDrop = [this](const QMimeData* d, TDragKeyState k, QPoint p, Qt::DropAction& e) {
        OLEDragDrop(d, k, p, e);
    };
    FDropTarget->RegisterDragDrop(viewport());
}

void TKZNEditor::AddObjectDropFormat(const QString& Format) {
    if (std::find(FObjectFormats.begin(), FObjectFormats.end(), Format) != FObjectFormats.end()) return;
    FObjectFormats.push_back(Format);
    RegisterDropTarget();
}

bool TKZNEditor::IsObjectData(const QMimeData* Data) const {
    if (!Data) return false;
    for (const QString& f : FObjectFormats)
        if (Data->hasFormat(f)) return true;
    return false;
}

namespace {
// The local file names of a drop: those CP932 can hold, and the others (with
// substitutes, for the message only: such a name would reach another file).
void LocalFileNames(const QMimeData* Data, std::vector<std::string>& Names, std::vector<std::string>& Refused) {
    if (!Data || !Data->hasUrls()) return;
    for (const QUrl& url : Data->urls()) {
        if (!url.isLocalFile()) continue;
        bool lossy = false;
        std::string name = cp932::FromUtf8(url.toLocalFile().toUtf8().toStdString(), &lossy);
        (lossy ? Refused : Names).push_back(std::move(name));
    }
}
}  // namespace

std::vector<std::string> TKZNEditor::DroppedFileNames(const QMimeData* Data) {
    std::vector<std::string> names, refused;
    LocalFileNames(Data, names, refused);
    return names;
}

void TKZNEditor::OLEDragEnter(const QMimeData* Data, TDragKeyState KeyState, QPoint Point, Qt::DropAction& Effect) {
    activateWindow();  // our window comes to the front while something is dragged over it
    DragKeyState = KeyState;
    FObjectDrag = IsObjectData(Data);
    OLEDragOver(Data, KeyState, Point, Effect);
}

void TKZNEditor::OLEDragOver(const QMimeData* Data, TDragKeyState, QPoint Point, Qt::DropAction& Effect) {
    if (FObjectDrag) {
        bool accept = true;
        if (OnObjectDragOver) OnObjectDragOver(this, Data, Point, accept);
        if (!accept) Effect = Qt::IgnoreAction;
        return;
    }
    if (!AcceptShellDorpFile) {
        Effect = Qt::IgnoreAction;
        return;
    }
    int col = 0, row = 0;
    PosToRowCol(Point.x(), Point.y(), true, col, row);
    SetRowCol(row, col);
    ScrollCaret();
}

void TKZNEditor::OLEDragDrop(const QMimeData* Data, TDragKeyState, QPoint Point, Qt::DropAction& Effect) {
    if (IsObjectData(Data)) {
        if (OnObjectDrop) OnObjectDrop(this, Data, Point);
        return;
    }
    if (!AcceptShellDorpFile) {
        Effect = Qt::IgnoreAction;
        return;
    }
    std::vector<std::string> names, refused;
    LocalFileNames(Data, names, refused);
    if (!refused.empty()) {
        std::string text = "ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。";
        for (const std::string& name : refused) text += "\r\n" + name;
        MessageDlg(text, TMsgDlgType::mtError, this);
    }
    if (names.empty()) {
        Effect = Qt::IgnoreAction;
        return;
    }
    if (DragKeyState.Buttons == Qt::RightButton && DragKeyState.Keys == Qt::NoModifier) {
        // A right-button drag asks what to insert; the text of files only when all are text files.
        if (!DropPopupMenu) DropPopupMenu = new TEditorOLEDropPopupMenu(this);
        DropPopupMenu->FileNamesItem->setEnabled(true);
        DropPopupMenu->FileDeployItem->setEnabled(true);
        for (const std::string& name : names) {
            if (!fs932::FileExists(name) || !TFolderFile::IsTextFile(name)) {
                DropPopupMenu->FileDeployItem->setEnabled(false);
                break;
            }
        }
        PasteMode = fpCancel;
        QPointer<TKZNEditor> self = this;
        popupmenu::Exec(*DropPopupMenu, viewport()->mapToGlobal(Point));
        QCoreApplication::processEvents();
        if (!self || PasteMode == fpCancel) return;
    } else {
        PasteMode = fpFileNames;
    }
    // Each file becomes one item at the caret line (after it when the caret is inside the line), in order.
    int index = Lines().Count() > 0 ? LineOfRow(Row()) + (Col() == 0 ? 0 : 1) : 0;
    for (const std::string& name : names) {
        TStringList lines;
        if (PasteMode == fpFileNames)
            lines.Add(name);
        else
            lines.LoadFromFile(name);
        if (OnOLETextFileDrop) OnOLETextFileDrop(this, name, lines, PasteMode);
        std::string text = lines.Text();
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
        const int before = Lines().Count();
        if (index >= before)
            Lines().Add(text);
        else
            Lines().Insert(index, text);
        index += std::max(1, Lines().Count() - before);
    }
}
