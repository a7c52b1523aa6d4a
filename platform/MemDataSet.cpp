#include "MemDataSet.h"

#include <algorithm>
#include <cstring>

void TMemDataSet::AddRow(std::vector<TVariant> values) {
    values.resize(static_cast<size_t>(FieldDefs().Count()));
    FRows.push_back(std::move(values));
}

void TMemDataSet::ClearRows() {
    FRows.clear();
    FCur = -1;
    if (Active()) First();
}

void TMemDataSet::InternalOpen() {
    for (auto& r : FRows) r.resize(static_cast<size_t>(FieldDefs().Count()));
    FCur = -1;
    FCursorOpen = true;
}

TGetResult TMemDataSet::GetRecord(TGetMode mode) {
    const int n = RowCount();
    switch (mode) {
    case gmCurrent:
        return FCur >= 0 && FCur < n ? grOK : grError;
    case gmNext:
        if (FCur < n - 1) { ++FCur; return grOK; }
        return grEOF;
    default:
        if (FCur > 0) { FCur = std::min(FCur, n) - 1; return grOK; }
        return grBOF;
    }
}

int TMemDataSet::GetRecNo() {
    if (State() == dsInsert) return FInsertAt + 1;
    return FCur < 0 ? 1 : FCur + 1;
}

void TMemDataSet::InternalSetRecNo(int value) {
    if (value >= 1 && value <= RowCount()) FCur = value - 1;
}

void TMemDataSet::GetBookmarkData(std::string& bookmark) {
    int32_t row = FCur;
    bookmark.assign(reinterpret_cast<const char*>(&row), sizeof row);
}

void TMemDataSet::InternalGotoBookmark(const std::string& bookmark) {
    int32_t row = -1;
    if (bookmark.size() == sizeof row) std::memcpy(&row, bookmark.data(), sizeof row);
    if (row < 0 || row >= RowCount())
        throw EDatabaseError("ブックマークが範囲外です。[" + std::to_string(row) + "]");
    FCur = row;
}

bool TMemDataSet::GetFieldValue(const TField& field, TVariant& value) {
    const size_t i = static_cast<size_t>(field.Index());
    if (State() == dsEdit || State() == dsInsert) {
        value = i < FEdit.size() ? FEdit[i] : TVariant();
    } else {
        if (FCur < 0 || FCur >= RowCount()) return false;
        value = FRows[static_cast<size_t>(FCur)][i];
    }
    return !value.IsNull();
}

void TMemDataSet::SetFieldValue(TField& field, const TVariant& value) {
    FEdit.at(static_cast<size_t>(field.Index())) = value;
}

void TMemDataSet::InternalEdit() { FEdit = FRows.at(static_cast<size_t>(FCur)); }

void TMemDataSet::InternalInsert(bool append) {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    FInsertAt = append || FCur < 0 ? RowCount() : FCur;
}

void TMemDataSet::InternalPost() {
    if (State() == dsEdit) {
        FRows.at(static_cast<size_t>(FCur)) = FEdit;
    } else {
        FRows.insert(FRows.begin() + FInsertAt, FEdit);
        FCur = FInsertAt;
    }
    FEdit.clear();
}

void TMemDataSet::InternalDelete() {
    FRows.erase(FRows.begin() + FCur);
    if (FCur >= RowCount()) FCur = RowCount() - 1;
}
