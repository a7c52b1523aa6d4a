// The Lines of one view.
#pragma once
#include <string>
#include <string_view>

#include "Persistent.h"

class TEditorViewLink;
class TEditorScreenStrings;
class TStringList;

// The Lines of one view: the rows of its store as logical lines.
class TEditorStrings : public TPersistent {
public:
    explicit TEditorStrings(TEditorViewLink* AEditor) : Editor(AEditor) {}
    TEditorViewLink* Editor;
    TEditorScreenStrings& Store() const;

    int GetCount() const;
    int Count() const { return GetCount(); }
    std::string Get(int i) const;
    std::string operator[](int i) const { return Get(i); }
    int LineToRow(int i) const;
    void Put(int i, std::string_view S);
    void Insert(int i, std::string_view S);
    int Add(std::string_view S);
    // Add of Text less its final CR LF (Text that does not end with one: Add
    // of Text), without copying it when Text goes after a line break.
    int AddLines(std::string_view Text);
    void Delete(int i);
    void Clear();
    std::string GetText() const;
    void SetText(std::string_view Value);
    // From a string list: its text, then the caret to the row count and column 0.
    void Assign(const TPersistent& Source) override;
    void Assign(const TStringList& Source);
    void LoadFromFile(std::string_view FileName);
    // The stored form: one string per logical line. Reading puts each string in
    // as one row with attribute 0; the view's Loaded wraps them.
    bool ShouldWriteStrings(const TEditorStrings* Ancestor) const;
    void WriteStrings(TStringList& Dest) const;
    void ReadStrings(const TStringList& Source);

    void BeginUpdate();
    void EndUpdate();
    virtual void SetUpdateState(bool Updating);

private:
    void LineRows(int i, int& First, int& Last) const;
    int FUpdateCount = 0;
};
