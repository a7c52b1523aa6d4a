#include "AppException.h"
#include "U_KZNDataSet.h"

#include <cstring>

namespace {
// The buffer's text up to its first NUL.
std::string UpToNul(const std::string& s) { return s.substr(0, std::min(s.size(), std::strlen(s.c_str()))); }

bool IsStringField(TFieldType t) {
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftFixedWideChar || t == ftGuid;
}
bool IsIntegerField(TFieldType t) { return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc; }
bool IsMemoField(TFieldType t) { return t == ftMemo || t == ftFmtMemo || t == ftWideMemo; }
}  // namespace

// A read-only stream over the text of one memo field of the current record.
class TBlobStream : public TDataBlobStream {
public:
    TBlobStream(TKZNDataSet& dataSet, TField& field, TBlobStreamMode mode) {
        if (mode != bmRead) throw EWrappedDataSetException("BLOBへの書き込みは未サポート");
        TVariant v;
        dataSet.ReadFieldValue(field, v);   // the text lands in the shared memo buffer
        DataString = UpToNul(TKZNDataSet::MemoBuffer());
        Position = 0;
    }
};

std::string& TKZNDataSet::MemoBuffer() {
    static std::string buffer(1, '\0');
    return buffer;
}

TKZNDataSet::TKZNDataSet() = default;

TKZNDataSet::~TKZNDataSet() {
    app::Guard([this] { Close(); });
}

void TKZNDataSet::SetRowValue(int, const TFieldDef&, const TVariant&) {
    throw EWrappedDataSetException("データ更新はサポートされていません");
}
void TKZNDataSet::AppendRow(const std::vector<TVariant>&, int) {
    throw EWrappedDataSetException("データ追加はサポートされていません");
}
void TKZNDataSet::InsertRow(int, const std::vector<TVariant>&, int) {
    throw EWrappedDataSetException("データインサートサポートされていません");
}
void TKZNDataSet::DeleteRow(int) { throw EWrappedDataSetException("データ削除はサポートされていません"); }

bool TKZNDataSet::Locate(const std::string&, const TVariant&) {
    throw EWrappedDataSetException("Locateメソッドはサポートされていません");
}

TVariant TKZNDataSet::Lookup(const std::string&, const TVariant&, const std::string&) {
    throw EWrappedDataSetException("Lookupメソッドはサポートされていません");
}

void TKZNDataSet::InitRecord(TKZNRecordBuffer& b) {
    b.Row = INT_MIN;
    b.BookmarkFlag = bfCurrent;
    b.Values.assign(static_cast<size_t>(FieldCount()), TVariant());
}

void TKZNDataSet::ClearEditValues() { EditValues.assign(static_cast<size_t>(FieldCount()), TVariant()); }

void TKZNDataSet::FillRecordBuffer(TKZNRecordBuffer& b) {
    InitRecord(b);
    b.Row = CurrentRow;
    b.BookmarkFlag = bfCurrent;
    if (CurrentRow >= 0 && CurrentRow < GetRowCount())
        for (int i = 0; i < FieldDefs().Count(); ++i) GetRowValue(CurrentRow, FieldDefs()[i], b.Values[static_cast<size_t>(i)]);
}

void TKZNDataSet::InternalOpen() {
    IsOpen = false;
    BeforeInternalOpen();
    FieldDefs().Clear();
    InternalInitFieldDefs();
    CreateFields();
    CurrentRow = -1;
    EditRow = -1;
    InitRecord(ActiveBuffer);
    IsOpen = true;
    ClearEditValues();
    AfterInternalOpen();
}

void TKZNDataSet::InternalClose() {
    BeforeInternalClose();
    IsOpen = false;
    EditValues.clear();
    AfterInternalClose();
}

TGetResult TKZNDataSet::GetRecord(TGetMode mode) {
    const int count = GetRowCount();
    switch (mode) {
    case gmCurrent:
        if (CurrentRow >= count || CurrentRow < 0) return grError;
        break;
    case gmNext:
        if (CurrentRow < count - 1) ++CurrentRow;
        else return grEOF;
        break;
    case gmPrior:
        if (CurrentRow > 0) CurrentRow = std::min(CurrentRow, count) - 1;
        else return grBOF;
        break;
    default:
        throw EWrappedDataSetException("内部エラー：予期しないTGetModeです");
    }
    FillRecordBuffer(ActiveBuffer);
    return grOK;
}

int TKZNDataSet::GetRecordCount() {
    CheckActive();
    return GetRowCount();
}

void TKZNDataSet::InternalSetRecNo(int value) {
    if (value < 1 || value > GetRowCount()) return;
    CurrentRow = value - 1;
}

void TKZNDataSet::GetBookmarkData(std::string& bookmark) {
    int32_t row = ActiveBuffer.Row;
    bookmark.assign(reinterpret_cast<const char*>(&row), sizeof row);
}

void TKZNDataSet::InternalGotoBookmark(const std::string& bookmark) {
    int32_t row = -1;
    if (bookmark.size() == sizeof row) std::memcpy(&row, bookmark.data(), sizeof row);
    if (row < 0 || row >= GetRowCount())
        throw EWrappedDataSetException("ブックマークが範囲外です。[" + std::to_string(row) + "]");
    CurrentRow = row;
}

void TKZNDataSet::InternalRefresh() {
    Close();
    Open();
}

bool TKZNDataSet::GetFieldValue(const TField& field, TVariant& value) {
    if (GetRowCount() == 0 && State() != dsInsert) return false;
    if (field.FieldNo() < 1 || CurrentRow < 0) return false;
    const size_t i = static_cast<size_t>(field.FieldNo() - 1);
    const bool fromEdit = Modified() && ActiveBuffer.Row == EditRow && i < EditValues.size();
    TVariant v = fromEdit ? EditValues[i] : (i < ActiveBuffer.Values.size() ? ActiveBuffer.Values[i] : TVariant());
    return FieldValueOf(field, v, value, true);
}

bool TKZNDataSet::ReadRowValue(int Row, const TField& Field, TVariant& Value) {
    CheckActive();
    Value = TVariant();
    if (Row < 0 || Row >= GetRowCount() || Field.FieldNo() < 1) return false;
    TVariant v;
    GetRowValue(Row, FieldDefs()[Field.FieldNo() - 1], v);
    return FieldValueOf(Field, v, Value, false);
}

bool TKZNDataSet::FieldValueOf(const TField& field, const TVariant& v, TVariant& value, bool memoBuffer) {
    if (v.IsNull()) return false;
    const TFieldType t = field.DataType();
    if (IsStringField(t)) {
        std::string s = UpToNul(v.AsString());
        if (field.Size() > 0 && s.size() > static_cast<size_t>(field.Size())) s.resize(static_cast<size_t>(field.Size()));
        value = TVariant(std::move(s));
    } else if (IsIntegerField(t)) {
        value = TVariant(static_cast<int64_t>(static_cast<int32_t>(v.AsInteger())));
    } else if (t == ftBoolean) {
        value = TVariant(v.AsBoolean());
    } else if (t == ftFloat || t == ftCurrency) {
        value = TVariant(v.AsFloat());
    } else if (IsMemoField(t)) {
        // memo text goes into the shared buffer, which the blob stream reads
        std::string text = v.AsString();
        if (!memoBuffer) {
            value = TVariant(UpToNul(text));
            return true;
        }
        std::string& memo = MemoBuffer();
        memo.assign(text.size() + 1, '\0');
        memo.replace(0, text.size(), text);
        value = TVariant(UpToNul(memo));
    } else {
        throw EWrappedDataSetException(std::string("内部エラー：未サポートの型です") + FieldTypeName(t));
    }
    return true;
}

void TKZNDataSet::SetFieldValue(TField& field, const TVariant& value) {
    const TFieldType t = field.DataType();
    TVariant v;
    if (!value.IsNull()) {
        switch (t) {
        case ftString: case ftFixedChar: case ftGuid: case ftWideString: case ftFixedWideChar:
            v = TVariant(value.AsString());
            break;
        case ftSmallint: case ftInteger: case ftAutoInc: case ftWord:
            v = TVariant(value.AsInteger());
            break;
        case ftBoolean:
            v = TVariant(value.AsBoolean());
            break;
        case ftFloat: case ftCurrency:
            v = TVariant(value.AsFloat());
            break;
        case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftBytes: case ftVarBytes:
        case ftBlob: case ftMemo: case ftGraphic: case ftVariant: case ftInterface: case ftIDispatch:
            v = value;
            break;
        case ftLargeint:
            throw EWrappedDataSetException("ftLargeIntは未サポート");
        default:
            throw EWrappedDataSetException("未サポートの型");
        }
    } else if (t == ftLargeint) {
        throw EWrappedDataSetException("ftLargeIntは未サポート");
    }
    const size_t i = static_cast<size_t>(field.Index());
    if (i >= EditValues.size()) EditValues.resize(i + 1);
    EditValues[i] = std::move(v);
}

void TKZNDataSet::InternalEdit() {
    ClearEditValues();
    for (int i = 0; i < FieldDefs().Count(); ++i) GetRowValue(CurrentRow, FieldDefs()[i], EditValues[static_cast<size_t>(i)]);
    EditRow = CurrentRow;
}

void TKZNDataSet::InternalInsert(bool append) {
    // a post after Append (or an insert into nothing) adds at the end
    if (append || CurrentRow < 0) CurrentRow = GetRowCount();
    InitRecord(ActiveBuffer);
    ActiveBuffer.Row = GetRowCount();
    ActiveBuffer.BookmarkFlag = bfCurrent;
    ActiveBuffer.Values = EditValues;
    EditRow = ActiveBuffer.Row;
}

void TKZNDataSet::InternalPost() {
    CheckActive();
    const int count = FieldCount();
    if (State() == dsEdit) {
        for (int i = 0; i < count; ++i) {
            TField& f = Fields(i);
            SetRowValue(CurrentRow, FieldDefs()[f.Index()], f.Value());
        }
    } else {
        if (CurrentRow >= 0 && CurrentRow <= GetRowCount() - 1) {
            InsertRow(CurrentRow, EditValues, count);
        } else {
            InternalLast();
            AppendRow(EditValues, count);
        }
    }
    ClearEditValues();
    EditRow = -1;
}

void TKZNDataSet::InternalCancel() {
    EditRow = -1;
    // pending values of a cancelled edit must not turn up in the next insert
    ClearEditValues();
}

void TKZNDataSet::InternalDelete() {
    DeleteRow(CurrentRow);
    const int count = GetRowCount();
    if (CurrentRow >= count) CurrentRow = count - 1;
    ClearEditValues();
}

void TKZNDataSet::InternalAddRecord(const std::vector<TVariant>& values, bool append) {
    const int count = FieldCount();
    if (!append) {
        InsertRow(CurrentRow, values, count);
    } else {
        InternalLast();
        AppendRow(values, count);
    }
    CurrentRow = std::min(std::max(CurrentRow, 0), GetRowCount() - 1);
}

std::unique_ptr<TDataBlobStream> TKZNDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TBlobStream>(*this, field, mode);
}
