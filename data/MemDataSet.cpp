#include "MemDataSet.h"

#include <algorithm>
#include <cstring>

void TMemDataSet::AddRow(std::vector<TVariant> values) {
    values.resize(static_cast<size_t>(FieldDefs().Count()));
    FRows.push_back(std::move(values));
}

void TMemDataSet::InternalOpen() {
    for (auto& r : FRows) r.resize(static_cast<size_t>(FieldDefs().Count()));
    FCur = -1;
    FCursorOpen = true;
}

TGetResult TMemDataSet::GetRecord(TGetMode mode) { return MoveRowCursor(FCur, RowCount(), mode); }

int TMemDataSet::GetRecNo() {
    if (State() == dsInsert) return FInsertAt + 1;
    return FCur < 0 ? 1 : static_cast<int>(FCur + 1);
}

void TMemDataSet::InternalSetRecNo(int value) {
    if (value >= 1 && value <= RowCount()) FCur = value - 1;
}

void TMemDataSet::GetBookmarkData(std::string& bookmark) { bookmark = RowBookmark(FCur); }

void TMemDataSet::InternalGotoBookmark(const std::string& bookmark) { FCur = CheckedBookmarkRow(bookmark, RowCount()); }

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

bool TMemDataSet::ReadRowValue(int Row, const TField& Field, TVariant& Value) {
    CheckActive();
    Value = FRows.at(static_cast<size_t>(Row)).at(static_cast<size_t>(Field.Index()));
    return !Value.IsNull();
}

void TMemDataSet::SetFieldValue(TField& field, const TVariant& value) {
    FEdit.at(static_cast<size_t>(field.Index())) = value;
}

void TMemDataSet::InternalEdit() { FEdit = FRows.at(static_cast<size_t>(FCur)); }

void TMemDataSet::InternalInsert(bool append) {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    FInsertAt = append || FCur < 0 ? RowCount() : static_cast<int>(FCur);
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
