#include "DataSet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ScopeExit.h"
#include "SysUtils.h"

// ---------------------------------------------------------------------------
// Field types

const char* FieldTypeName(TFieldType t) {
    static const char* const names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
        "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
        "FmtMemo", "ParadoxOle", "dBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
        "LargeInt", "ADT", "Array", "Reference", "DataSet", "OraBlob", "OraClob", "Variant",
        "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd", "FixedWideChar", "WideMemo"};
    int i = static_cast<int>(t);
    if (i < 0 || i >= static_cast<int>(sizeof names / sizeof names[0])) return "Unknown";
    return names[i];
}

// ---------------------------------------------------------------------------
// Text forms

namespace dbtext {

std::string FloatToStr(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";
    // 15 significant digits; fixed notation unless the exponent is 15 or more or below -4.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    std::string s(buf);
    size_t e = s.find('e');
    int exp10 = std::atoi(s.c_str() + e + 1);
    std::string mant = s.substr(0, e);
    bool neg = mant[0] == '-';
    if (neg) mant.erase(0, 1);
    std::string digits;
    for (char c : mant)
        if (c != '.') digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = neg ? "-" : "";
    if (exp10 >= 15 || exp10 < -4) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exp10);
    } else if (exp10 < 0) {
        out += "0." + std::string(static_cast<size_t>(-exp10 - 1), '0') + digits;
    } else {
        size_t intLen = static_cast<size_t>(exp10) + 1;
        if (digits.size() <= intLen) out += digits + std::string(intLen - digits.size(), '0');
        else out += digits.substr(0, intLen) + "." + digits.substr(intLen);
    }
    return out;
}

namespace {
// Writes v as exactly width decimal digits (the low digits of v).
char* PutDigits(char* p, unsigned v, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return p + width;
}
}  // namespace

std::string DateTimeToStr(const TSQLTimeStamp& t, TFieldType type) {
    char buf[48];
    char* p = buf;
    if (type != ftTime) {
        int y = t.Year;
        if (y < 0) {
            *p++ = '-';
            y = -y;
        }
        p = PutDigits(p, static_cast<unsigned>(y), y > 9999 ? 5 : 4);
        *p++ = '/';
        p = PutDigits(p, t.Month % 100, 2);
        *p++ = '/';
        p = PutDigits(p, t.Day % 100, 2);
        if (type == ftDate) return std::string(buf, p);
        *p++ = ' ';
    }
    p = PutDigits(p, t.Hour % 100, 2);
    *p++ = ':';
    p = PutDigits(p, t.Minute % 100, 2);
    *p++ = ':';
    p = PutDigits(p, t.Second % 100, 2);
    if (t.Fraction) {
        *p++ = '.';
        char* f = p;
        p = PutDigits(p, t.Fraction % 1000000000u, 9);
        while (p > f && p[-1] == '0') --p;
    }
    return std::string(buf, p);
}

namespace {
bool ReadNumber(std::string_view s, size_t& i, int maxDigits, int& value, int* digits = nullptr) {
    size_t start = i;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && static_cast<int>(i - start) < maxDigits)
        value = value * 10 + (s[i++] - '0');
    if (digits) *digits = static_cast<int>(i - start);
    return i > start;
}
bool ReadTime(std::string_view s, size_t& i, TSQLTimeStamp& t) {
    int h, n, sec = 0;
    if (!ReadNumber(s, i, 2, h) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!ReadNumber(s, i, 2, n)) return false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!ReadNumber(s, i, 2, sec)) return false;
        if (i < s.size() && s[i] == '.') {
            ++i;
            int f, d;
            if (!ReadNumber(s, i, 9, f, &d)) return false;
            while (d++ < 9) f *= 10;
            t.Fraction = static_cast<uint32_t>(f);
        }
    }
    if (h > 23 || n > 59 || sec > 59) return false;
    t.Hour = static_cast<uint16_t>(h);
    t.Minute = static_cast<uint16_t>(n);
    t.Second = static_cast<uint16_t>(sec);
    return true;
}
}  // namespace

bool TryStrToDateTime(std::string_view text, TSQLTimeStamp& t) {
    std::string s = sys::Trim(text);
    t = TSQLTimeStamp{};
    size_t i = 0;
    if (s.size() >= 3 && (s[2] == ':' || s[1] == ':')) return ReadTime(s, i, t) && i == s.size();
    int y, m, d;
    if (!ReadNumber(s, i, 4, y) || i >= s.size() || (s[i] != '/' && s[i] != '-')) return false;
    char sep = s[i++];
    if (!ReadNumber(s, i, 2, m) || i >= s.size() || s[i] != sep) return false;
    ++i;
    if (!ReadNumber(s, i, 2, d)) return false;
    static const int mdays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > mdays[m - 1]) return false;
    if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return false;
    t.Year = static_cast<int16_t>(y);
    t.Month = static_cast<uint16_t>(m);
    t.Day = static_cast<uint16_t>(d);
    if (i == s.size()) return true;
    if (s[i] != ' ' && s[i] != 'T') return false;
    ++i;
    return ReadTime(s, i, t) && i == s.size();
}

}  // namespace dbtext

// ---------------------------------------------------------------------------
// TVariant

namespace {
[[noreturn]] void NoConversion(const char* to) {
    throw EConvertError(std::string("バリアント型を ") + to + " に変換できません");
}
bool TryStrToInt64(std::string_view s, int64_t& out) {
    std::string t(s);
    if (t.empty() || static_cast<unsigned char>(t[0]) <= 0x20) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno || end != t.c_str() + t.size()) return false;
    out = v;
    return true;
}
}  // namespace

bool TVariant::AsBoolean() const {
    switch (V.index()) {
    case 1: return std::get<bool>(V);
    case 2: return std::get<int64_t>(V) != 0;
    case 3: return std::get<double>(V) != 0;
    case 4: {
        const std::string& s = std::get<std::string>(V);
        if (sys::SameText(s, "True")) return true;
        if (sys::SameText(s, "False")) return false;
        int64_t i;
        if (TryStrToInt64(s, i)) return i != 0;
        break;
    }
    default: break;
    }
    NoConversion("Boolean");
}

int64_t TVariant::AsInteger() const {
    switch (V.index()) {
    case 1: return std::get<bool>(V) ? 1 : 0;
    case 2: return std::get<int64_t>(V);
    case 3: return static_cast<int64_t>(std::llround(std::get<double>(V)));
    case 4: {
        int64_t i;
        if (TryStrToInt64(std::get<std::string>(V), i)) return i;
        double d;
        if (sys::TryStrToFloat(std::get<std::string>(V), d)) return static_cast<int64_t>(std::llround(d));
        break;
    }
    default: break;
    }
    NoConversion("Integer");
}

double TVariant::AsFloat() const {
    switch (V.index()) {
    case 1: return std::get<bool>(V) ? 1 : 0;
    case 2: return static_cast<double>(std::get<int64_t>(V));
    case 3: return std::get<double>(V);
    case 4: {
        double d;
        if (sys::TryStrToFloat(std::get<std::string>(V), d)) return d;
        break;
    }
    default: break;
    }
    NoConversion("Double");
}

const TSQLTimeStamp& TVariant::AsDateTime() const {
    if (!IsDateTime()) NoConversion("Date");
    return std::get<TSQLTimeStamp>(V);
}

std::string TVariant::AsString() const {
    switch (V.index()) {
    case 0: return std::string();
    case 1: return std::get<bool>(V) ? "True" : "False";
    case 2: return sys::IntToStr(std::get<int64_t>(V));
    case 3: return dbtext::FloatToStr(std::get<double>(V));
    case 4: return std::get<std::string>(V);
    case 5: return std::get<TBytes>(V).Data;
    default: return dbtext::DateTimeToStr(std::get<TSQLTimeStamp>(V), ftDateTime);
    }
}

int64_t TDataBlobStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || Position >= Size()) return 0;
    int64_t n = std::min(count, Size() - Position);
    std::memcpy(buffer, DataString.data() + Position, static_cast<size_t>(n));
    Position += n;
    return n;
}

// ---------------------------------------------------------------------------
// Field definitions and fields

TFieldDef& TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
    TFieldDef d;
    d.Name = std::move(name);
    d.DataType = type;
    d.Size = size;
    d.Required = required;
    d.FieldNo = Count() + 1;
    Items.push_back(std::move(d));
    return Items.back();
}

TFieldDef& TFieldDefs::operator[](int i) { return const_cast<TFieldDef&>(static_cast<const TFieldDefs&>(*this)[i]); }
const TFieldDef& TFieldDefs::operator[](int i) const {
    if (i < 0 || i >= Count()) throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(i) + ")");
    return Items[static_cast<size_t>(i)];
}

int TFieldDefs::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (sys::SameText(Items[static_cast<size_t>(i)].Name, name)) return i;
    return -1;
}

bool TField::IsBlobType(TFieldType t) {
    switch (t) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

bool TField::IsNumericType(TFieldType t) {
    switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftAutoInc: case ftLargeint: case ftFMTBcd:
        return true;
    default:
        return false;
    }
}

bool TField::IsStringType(TFieldType t) {
    switch (t) {
    case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftGuid:
    case ftMemo: case ftWideMemo: case ftFmtMemo: case ftOraClob:
        return true;
    default:
        return false;
    }
}

namespace {
int DefaultDisplayWidth(TFieldType t, int size) {
    switch (t) {
    case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: return size > 0 ? size : 20;
    case ftSmallint: case ftWord: return 6;
    case ftInteger: case ftAutoInc: return 11;
    case ftLargeint: return 15;
    case ftBoolean: return 5;
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: return 10;
    case ftDate: return 10;
    case ftTime: return 8;
    case ftDateTime: case ftTimeStamp: return 19;
    case ftGuid: return 38;
    default: return 10;
    }
}
}  // namespace

TField::TField(TDataSet* dataSet, const TFieldDef& def, int index)
    : FDataSet(dataSet), FFieldName(def.Name), FDataType(def.DataType), FSize(def.Size),
      FFieldNo(def.FieldNo), FIndex(index), FRequired(def.Required),
      FAlignment(IsNumericType(def.DataType) ? taRightJustify : taLeftJustify),
      FDisplayWidth(DefaultDisplayWidth(def.DataType, def.Size)) {}

bool TField::IsNull() const { return FDataSet->IsFieldNull(*this); }

TVariant TField::Value() const {
    TVariant v;
    if (!FDataSet->ReadFieldValue(*this, v)) return TVariant();
    return v;
}

std::string TField::AsString() const {
    std::string s;
    FDataSet->GetFieldText(*this, s);
    return s;
}

int64_t TField::AsInteger() const {
    TVariant v = Value();
    return v.IsNull() ? 0 : v.AsInteger();
}

double TField::AsFloat() const {
    TVariant v = Value();
    return v.IsNull() ? 0.0 : v.AsFloat();
}

bool TField::AsBoolean() const {
    TVariant v = Value();
    return v.IsNull() ? false : v.AsBoolean();
}

void TField::SetValue(const TVariant& v) { FDataSet->WriteFieldValue(*this, v); }

void TField::SetAsString(std::string_view s) {
    if (IsStringType(FDataType)) { SetValue(TVariant(std::string(s))); return; }
    if (s.empty()) { SetValue(TVariant()); return; }
    std::string text(s);
    switch (FDataType) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: {
        int64_t i;
        if (!TryStrToInt64(sys::Trim(text), i))
            throw EConvertError("'" + text + "' は有効な整数値ではありません");
        SetValue(TVariant(i));
        return;
    }
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: {
        double d;
        if (!sys::TryStrToFloat(sys::Trim(text), d))
            throw EConvertError("'" + text + "' は有効な浮動小数点数値ではありません");
        SetValue(TVariant(d));
        return;
    }
    case ftBoolean: {
        std::string t = sys::Trim(text);
        if (sys::SameText(t, "True") || sys::SameText(t, "T")) SetValue(TVariant(true));
        else if (sys::SameText(t, "False") || sys::SameText(t, "F")) SetValue(TVariant(false));
        else throw EConvertError("'" + text + "' は有効な論理値ではありません");
        return;
    }
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: {
        TSQLTimeStamp t;
        if (!dbtext::TryStrToDateTime(text, t))
            throw EConvertError("'" + text + "' は有効な日付および時刻ではありません");
        SetValue(TVariant(t));
        return;
    }
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary: case ftOraBlob:
        SetValue(TVariant(TBytes{text}));
        return;
    default:
        SetValue(TVariant(text));
        return;
    }
}

// ---------------------------------------------------------------------------
// TDataSet

namespace {
const char* const kClosed = "閉じたデータセットでは操作を実行できません";
const char* const kNotEditing = "データセットが編集モードでも挿入モードでもありません";
const char* const kReadOnly = "読み取り専用のデータセットは変更できません";
const char* const kEmpty = "空のデータセットでは操作を実行できません";
}  // namespace

TDataSet::TDataSet() = default;
TDataSet::~TDataSet() = default;

void TDataSet::CheckActive() const {
    if (FState == dsInactive) throw EDatabaseError(kClosed);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) {
        if (FModified) Post();
        else Cancel();
    }
}

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) OpenCursor();
    else CloseCursor();
}

void TDataSet::OpenCursor() {
    // A failed open leaves the dataset closed; an error of the close goes to
    // the application's handler, and the open's error goes on.
    auto closed = ScopeFail([this] {
        FState = dsInactive;
        FHasRecord = false;
        FEof = FBof = true;
        app::Guard([this] {
            if (IsCursorOpen()) InternalClose();
        });
        DestroyFields();
    });
    InternalOpen();
    if (FFields.empty() && FFieldDefs.Count() > 0) CreateFields();
    FState = dsBrowse;
    FModified = false;
    InternalFirst();
    FHasRecord = GetRecord(gmNext) == grOK;
    FBof = true;
    FEof = !FHasRecord;
}

void TDataSet::CloseCursor() {
    FState = dsInactive;
    FModified = false;
    FHasRecord = false;
    FEof = FBof = true;
    auto destroy = ScopeExit([this] { DestroyFields(); });
    InternalClose();
}

TGetResult TDataSet::MoveRowCursor(int64_t& cursor, int64_t count, TGetMode mode) {
    switch (mode) {
    case gmCurrent:
        return cursor >= 0 && cursor < count ? grOK : grError;
    case gmNext:
        if (cursor >= count - 1) return grEOF;
        ++cursor;
        return grOK;
    default:
        if (cursor <= 0) return grBOF;
        cursor = std::min(cursor, count) - 1;
        return grOK;
    }
}

std::string TDataSet::RowBookmark(int64_t row) { return std::string(reinterpret_cast<const char*>(&row), sizeof row); }

int64_t TDataSet::CheckedBookmarkRow(const std::string& bookmark, int64_t count) {
    int64_t row = -1;
    if (bookmark.size() == sizeof row) std::memcpy(&row, bookmark.data(), sizeof row);
    if (row < 0 || row >= count) throw EDatabaseError("ブックマークが範囲外です。[" + std::to_string(row) + "]");
    return row;
}

void TDataSet::CreateFields() {
    FFields.clear();
    for (int i = 0; i < FFieldDefs.Count(); ++i)
        FFields.push_back(std::make_unique<TField>(this, FFieldDefs[i], i));
}

TField& TDataSet::Fields(int i) { return const_cast<TField&>(static_cast<const TDataSet*>(this)->Fields(i)); }
const TField& TDataSet::Fields(int i) const {
    if (i < 0 || i >= FieldCount()) throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(i) + ")");
    return *FFields[static_cast<size_t>(i)];
}

TField* TDataSet::FindField(std::string_view name) {
    for (auto& f : FFields)
        if (sys::SameText(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) {
    TField* f = FindField(name);
    if (!f) throw EDatabaseError("フィールド '" + std::string(name) + "' が見つかりません");
    return *f;
}

void TDataSet::First() {
    CheckBrowseMode();
    InternalFirst();
    FHasRecord = GetRecord(gmNext) == grOK;
    FBof = true;
    FEof = !FHasRecord;
}

void TDataSet::Last() {
    CheckBrowseMode();
    InternalLast();
    FHasRecord = GetRecord(gmPrior) == grOK;
    FEof = true;
    FBof = !FHasRecord;
}

void TDataSet::Next() {
    CheckBrowseMode();
    if (FEof) return;
    FBof = false;
    if (GetRecord(gmNext) == grOK) FHasRecord = true;
    else FEof = true;
}

void TDataSet::Prior() {
    CheckBrowseMode();
    if (FBof) return;
    FEof = false;
    if (GetRecord(gmPrior) == grOK) FHasRecord = true;
    else FBof = true;
}

bool TDataSet::IsEmpty() const {
    return Active() && !FHasRecord && FState != dsInsert;
}

int TDataSet::RecordCount() {
    CheckActive();
    return GetRecordCount();
}

int TDataSet::RecNo() {
    CheckActive();
    return GetRecNo();
}

void TDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    InternalSetRecNo(value);
    Resync();
}

std::string TDataSet::GetBookmark() {
    CheckActive();
    std::string b;
    if (FHasRecord) GetBookmarkData(b);
    return b;
}

void TDataSet::GotoBookmark(const std::string& bookmark) {
    CheckBrowseMode();
    InternalGotoBookmark(bookmark);
    Resync();
}

void TDataSet::InternalGotoBookmark(const std::string&) {
    throw EDatabaseError("このデータセットはブックマークをサポートしていません");
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    InternalRefresh();
    if (Active()) Resync();
}

void TDataSet::InternalRefresh() {}

void TDataSet::Resync() {
    if (!Active()) return;
    if (GetRecord(gmCurrent) == grOK || GetRecord(gmNext) == grOK || GetRecord(gmPrior) == grOK) {
        FHasRecord = true;
        FEof = FBof = false;
    } else {
        FHasRecord = false;
        FEof = FBof = true;
    }
}

std::string TDataSet::ReadOnlyMessage() const {
    if (CanModify()) return std::string();
    const std::string reason = ReadOnlyReason();
    return reason.empty() ? std::string(kReadOnly) : std::string(kReadOnly) + "\r\n" + reason;
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) throw EDatabaseError(ReadOnlyMessage());
}

std::string TDataSet::FieldReadOnlyMessage(const TField& Field) const {
    if (Field.ReadOnly()) return "フィールド '" + Field.FieldName() + "' は変更できません";
    return std::string();
}

void TDataSet::Edit() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) return;
    if (!FHasRecord) { Insert(); return; }
    CheckCanModify();
    InternalEdit();
    FState = dsEdit;
    FModified = false;
}

void TDataSet::Insert() {
    CheckBrowseMode();
    CheckCanModify();
    InternalInsert(false);
    FState = dsInsert;
    FModified = false;
    FEof = FBof = false;
}

void TDataSet::Append() {
    CheckBrowseMode();
    CheckCanModify();
    InternalInsert(true);
    FState = dsInsert;
    FModified = false;
    FEof = FBof = false;
}

void TDataSet::InternalInsert(bool) { throw EDatabaseError(kReadOnly); }
void TDataSet::InternalAddRecord(const std::vector<TVariant>&, bool) { throw EDatabaseError(kReadOnly); }

void TDataSet::AppendRecord(const std::vector<TVariant>& values) {
    CheckBrowseMode();
    CheckCanModify();
    InternalAddRecord(values, true);
    Resync();
}

void TDataSet::InternalPost() { throw EDatabaseError(kReadOnly); }
void TDataSet::InternalDelete() { throw EDatabaseError(kReadOnly); }
void TDataSet::SetFieldValue(TField&, const TVariant&) { throw EDatabaseError(kReadOnly); }

void TDataSet::CheckOperation(void (TDataSet::*op)(),
                              const std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>& handler) {
    for (;;) {
        try {
            (this->*op)();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (handler) handler(*this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort("操作は中止されました");
        }
    }
}

void TDataSet::Post() {
    CheckActive();
    if (FState != dsEdit && FState != dsInsert) return;
    if (BeforePost) BeforePost(*this);
    CheckOperation(&TDataSet::InternalPost, OnPostError);
    FState = dsBrowse;
    FModified = false;
    Resync();
    if (AfterPost) AfterPost(*this);
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    InternalCancel();
    FState = dsBrowse;
    FModified = false;
    Resync();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert) { Cancel(); return; }
    if (!FHasRecord) throw EDatabaseError(kEmpty);
    CheckCanModify();
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    FState = dsBrowse;
    FModified = false;
    Resync();
    if (AfterDelete) AfterDelete(*this);
}

bool TDataSet::ReadRowValue(int, const TField&, TVariant& Value) {
    Value = TVariant();
    throw EDatabaseError("このデータセットは行番号による読み取りをサポートしていません");
}

bool TDataSet::Locate(const std::string&, const TVariant&) {
    throw EDatabaseError("このデータセットは Locate をサポートしていません");
}

TVariant TDataSet::Lookup(const std::string&, const TVariant&, const std::string&) {
    throw EDatabaseError("このデータセットは Lookup をサポートしていません");
}

bool TDataSet::ReadFieldValue(const TField& field, TVariant& value) {
    CheckActive();
    if (!FHasRecord && FState != dsInsert) { value = TVariant(); return false; }
    if (!GetFieldValue(field, value)) { value = TVariant(); return false; }
    return !value.IsNull();
}

void TDataSet::WriteFieldValue(TField& field, const TVariant& value) {
    CheckActive();
    if (FState != dsEdit && FState != dsInsert) throw EDatabaseError(kNotEditing);
    const std::string refused = FieldReadOnlyMessage(field);
    if (!refused.empty()) throw EDatabaseError(refused);
    SetFieldValue(field, value);
    FModified = true;
}

bool TDataSet::IsFieldNull(const TField& field) {
    TVariant v;
    return !ReadFieldValue(field, v) || v.IsNull();
}

std::unique_ptr<TDataBlobStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    if (mode != bmRead) throw EDatabaseError(kReadOnly);
    TVariant v;
    auto s = std::make_unique<TDataBlobStream>();
    if (ReadFieldValue(field, v)) s->DataString = v.AsString();
    return s;
}

bool TDataSet::GetFieldText(const TField& field, std::string& text) {
    text.clear();
    if (field.IsBlob()) {
        auto s = CreateBlobStream(const_cast<TField&>(field), bmRead);
        text = s->DataString.substr(static_cast<size_t>(std::min<int64_t>(s->Position, s->Size())));
        return true;
    }
    TVariant v;
    if (!ReadFieldValue(field, v)) return false;
    if (v.IsDateTime()) text = dbtext::DateTimeToStr(v.AsDateTime(), field.DataType());
    else text = v.AsString();
    return true;
}
