// The Lines of one view: logical lines over the rows of the store.
#include "EditorLines.h"
#include "EditorScreenStrings.h"
#include "EditorViewLink.h"
#include "Exception.h"
#include "ScopeExit.h"
#include "StringList.h"

namespace {
const char* const kListIndexError = "リストのインデックスが範囲を超えています";

// Every edit of Lines runs with the view's selection removed and its caret
// held still until the edit is done.
class TCaretHold {
public:
    explicit TCaretHold(TEditorViewLink* V) : FV(V) {
        if (FV) {
            FV->CancelSelection();
            FV->CaretBeginUpdate();
        }
    }
    ~TCaretHold() {
        if (FV) FV->CaretEndUpdate();
    }
    TCaretHold(const TCaretHold&) = delete;
    TCaretHold& operator=(const TCaretHold&) = delete;

private:
    TEditorViewLink* FV;
};
}  // namespace

TEditorScreenStrings& TEditorStrings::Store() const { return *Editor->ScreenStrings(); }

int TEditorStrings::GetCount() const {
    const auto& s = Store();
    return s.WordWrap() ? s.LineCount() : s.GetCount();
}

int TEditorStrings::LineToRow(int i) const {
    const auto& s = Store();
    if (!s.WordWrap()) return i;
    return s.LineToRow(i);
}

void TEditorStrings::LineRows(int i, int& First, int& Last) const {
    if (i < 0 || i >= GetCount()) throw EListError(kListIndexError);
    const auto& s = Store();
    First = LineToRow(i);
    Last = s.LineEnd(First);
}

std::string TEditorStrings::Get(int i) const {
    auto& s = Store();
    if (!s.WordWrap()) return s.Get(i);
    if (i < 0 || i >= GetCount()) throw EListError(kListIndexError);
    int attr, rc;
    std::string text;
    s.RowsText(LineToRow(i), -1, attr, rc, text);
    if (attr == raLineBreak && text.size() >= 2) text.resize(text.size() - 2);
    return text;
}

void TEditorStrings::Put(int i, std::string_view S) {
    int first, last;
    LineRows(i, first, last);
    auto& s = Store();
    std::string t(S);
    if (s.RowAttribute(last) == raLineBreak) t += "\r\n";
    TCaretHold hold(Editor);
    s.ReplaceRows(first, last - first + 1, t);
    Editor->SetCaretByOffset(first, static_cast<int>(S.size()));
}

void TEditorStrings::Insert(int i, std::string_view S) {
    int count = GetCount();
    if (i == count) {
        Add(S);
        return;
    }
    if (i < 0 || i > count) throw EListError(kListIndexError);
    int row = LineToRow(i);
    std::string t(S);
    t += "\r\n";
    TCaretHold hold(Editor);
    Store().ReplaceRows(row, 0, t);
    Editor->SetCaretByOffset(row, static_cast<int>(t.size()));
}

int TEditorStrings::Add(std::string_view S) {
    auto& s = Store();
    int before = GetCount();
    int n = s.GetCount();
    TCaretHold hold(Editor);
    if (n == 0 || s.RowAttribute(n - 1) == raLineBreak) {
        std::string t(S);
        t += "\r\n";
        s.ReplaceRows(n, 0, t);
        Editor->SetCaretByOffset(n, static_cast<int>(t.size()));
    } else {
        // The text has no final line break: S becomes the new last line, still without one.
        // The caret offset counts from the line's first row, which the re-wrap never moves.
        int lineFirst = s.LineStart(n - 1);
        int64_t before = 0;
        for (int r = lineFirst; r < n - 1; ++r) before += static_cast<int64_t>(s.Str(r).size());
        int64_t lastLen = static_cast<int64_t>(s.Str(n - 1).size());
        std::string t = "\r\n";
        t += S;
        s.ReplaceRows(n - 1, 1, lastLen, 0, t);
        Editor->SetCaretByOffset(lineFirst, static_cast<int>(before + lastLen + static_cast<int64_t>(t.size())));
    }
    return before;
}

int TEditorStrings::AddLines(std::string_view Text) {
    auto& s = Store();
    const int n = s.GetCount();
    const bool crlf = Text.size() >= 2 && Text.compare(Text.size() - 2, 2, "\r\n") == 0;
    if (!crlf || (n > 0 && s.RowAttribute(n - 1) != raLineBreak)) return Add(crlf ? Text.substr(0, Text.size() - 2) : Text);
    // what Add does, with the line break already in place
    const int before = GetCount();
    TCaretHold hold(Editor);
    s.ReplaceRows(n, 0, Text);
    Editor->SetCaretByOffset(n, static_cast<int>(Text.size()));
    return before;
}

void TEditorStrings::Delete(int i) {
    int first, last;
    LineRows(i, first, last);
    TCaretHold hold(Editor);
    Store().ReplaceRows(first, last - first + 1, std::string_view());
    Editor->SetCaretByOffset(first, 0);
}

void TEditorStrings::Clear() { Store().Clear(); }

std::string TEditorStrings::GetText() const {
    auto& s = Store();
    int attr, rc;
    std::string text;
    s.RowsText(0, s.GetCount(), attr, rc, text);
    return text;
}

void TEditorStrings::SetText(std::string_view Value) {
    BeginUpdate();
    auto end = ScopeExit([&] { EndUpdate(); });
    Store().SetTextRows(Value);
}

void TEditorStrings::Assign(const TStringList& Source) {
    SetText(Source.Text());
    Editor->SetRow(Store().GetCount());
    Editor->SetCol(0);
}

void TEditorStrings::Assign(const TPersistent& Source) {
    if (auto* o = dynamic_cast<const TEditorStrings*>(&Source)) {
        SetText(o->GetText());
        Editor->SetRow(Store().GetCount());
        Editor->SetCol(0);
        return;
    }
    TPersistent::Assign(Source);
}

void TEditorStrings::LoadFromFile(std::string_view FileName) { Store().LoadFromFile(FileName); }

bool TEditorStrings::ShouldWriteStrings(const TEditorStrings* Ancestor) const {
    if (Ancestor) return GetText() != Ancestor->GetText();
    return GetCount() > 0;
}

void TEditorStrings::WriteStrings(TStringList& Dest) const {
    Dest.Clear();
    int n = GetCount();
    for (int i = 0; i < n; ++i) Dest.Add(Get(i));
}

void TEditorStrings::ReadStrings(const TStringList& Source) {
    auto& s = Store();
    s.BeginUpdate();
    auto end = ScopeExit([&] { s.EndUpdate(); });
    s.Clear();
    std::vector<TRecordStringItem> rows(Source.Items.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i].Str = Source.Items[i];
    s.InsertItems(0, std::move(rows));
}

void TEditorStrings::BeginUpdate() {
    if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TEditorStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

void TEditorStrings::SetUpdateState(bool Updating) {
    TEditorViewLink* v = Editor;
    bool window = v->Visible() && v->HandleAllocated();
    auto& s = Store();
    if (Updating) {
        if (window) v->SetRedraw(false);
        s.BeginUpdate();
        v->CaretBeginUpdate();
        v->UnderlineBeginUpdate();
        v->SetSettingRowCol(true);
    } else {
        s.EndUpdate();
        v->UnderlineEndUpdate();
        v->CaretEndUpdate();
        v->SetSettingRowCol(false);
        v->UpdateCaret();
        if (window) v->SetRedraw(true);
        if (v->Visible()) s.RefreshViews();
    }
}
