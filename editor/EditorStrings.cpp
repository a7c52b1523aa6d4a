// The row lists: records, packed row data and temporary row lists.
#include "EditorStrings.h"

#include "Exception.h"

namespace {
const char* const kListIndexError = "リストのインデックスが範囲を超えています";
}

// ---- TRecordStringList ----------------------------------------------------

TRecordStringList::~TRecordStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TRecordStringList::CheckIndex(int i, int limit) const {
    if (i < 0 || i >= limit) throw EListError(kListIndexError);
}

void TRecordStringList::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TRecordStringList::Changing() {
    if (FUpdateCount == 0 && OnChanging) OnChanging(this);
}

void TRecordStringList::SetUpdateState(bool updating) {
    if (updating) {
        Changing();
        ++FUpdateCount;
    } else {
        --FUpdateCount;
        Changed();
    }
}

void TRecordStringList::BeginUpdate() {
    if (FUpdateNest++ == 0) SetUpdateState(true);
}

void TRecordStringList::EndUpdate() {
    if (FUpdateNest > 0 && --FUpdateNest == 0) SetUpdateState(false);
}

std::string TRecordStringList::Get(int i) const {
    CheckIndex(i, FRows.Count());
    return std::string(FRows.Text(i));
}

std::string_view TRecordStringList::Str(int i) const {
    CheckIndex(i, FRows.Count());
    return FRows.Text(i);
}

TRecordStringItem TRecordStringList::Item(int i) const {
    CheckIndex(i, FRows.Count());
    return FRows.Item(i);
}

TRowRun TRecordStringList::ItemRun(int i) const {
    CheckIndex(i, FRows.Count());
    return FRows.Run(i);
}

void TRecordStringList::Put(int i, std::string s) {
    CheckIndex(i, FRows.Count());
    Changing();
    FRows.SetStr(i, s);
    Changed();
}

int TRecordStringList::Add(std::string s) {
    int i = GetCount();
    Insert(i, std::move(s));
    return i;
}

void TRecordStringList::Insert(int i, std::string s) {
    CheckIndex(i, FRows.Count() + 1);
    Changing();
    TRecordStringItem r;
    r.Str = std::move(s);
    FRows.InsertRow(i, std::move(r));
    Changed();
}

void TRecordStringList::Delete(int i) {
    CheckIndex(i, FRows.Count());
    Changing();
    FRows.EraseRows(i, 1);
    Changed();
}

void TRecordStringList::Exchange(int i, int j) {
    CheckIndex(i, FRows.Count());
    CheckIndex(j, FRows.Count());
    Changing();
    FRows.Exchange(i, j);
    Changed();
}

void TRecordStringList::Clear() {
    if (FRows.Count() == 0) return;
    Changing();
    FRows.Clear();
    Changed();
}

void TRecordStringList::InsertItems(int i, std::vector<TRecordStringItem>&& rows) {
    CheckIndex(i, FRows.Count() + 1);
    if (rows.empty()) return;
    Changing();
    FRows.InsertRows(i, std::move(rows));
    Changed();
}

void TRecordStringList::AssignItems(std::vector<TRecordStringItem>&& rows) {
    Changing();
    FRows.AssignRows(std::move(rows));
    Changed();
}

// ---- TRowAttributeStringList ----------------------------------------------

namespace {
inline uint32_t Field(uint32_t word, int shift, uint32_t mask) { return (word >> shift) & mask; }
inline uint32_t WithField(uint32_t word, int shift, uint32_t mask, uint32_t v) {
    return (word & ~(mask << shift)) | ((v & mask) << shift);
}
}  // namespace

#define Z_ROW_FIELD(NAME, WORD, SHIFT, MASK, BIAS)                                     \
    int TRowAttributeStringList::NAME(int i) const {                                   \
        CheckIndex(i, FRows.Count());                                                  \
        return static_cast<int>(Field(FRows.WORD(i), SHIFT, MASK)) - (BIAS);           \
    }                                                                                  \
    void TRowAttributeStringList::Set##NAME(int i, int v) {                            \
        CheckIndex(i, FRows.Count());                                                  \
        FRows.Set##WORD(i, WithField(FRows.WORD(i), SHIFT, MASK, static_cast<uint32_t>(v + (BIAS)))); \
    }

Z_ROW_FIELD(RowAttribute, AttrA, 0, 0x3u, 0)
Z_ROW_FIELD(PrevRowAttribute, AttrA, 2, 0x3u, 0)
Z_ROW_FIELD(BracketIndex, AttrA, 4, 0xFu, 2)
Z_ROW_FIELD(UserIndex, AttrA, 8, 0xFFu, 0)
Z_ROW_FIELD(WrappedByte, AttrA, 16, 0xFFu, 0)
Z_ROW_FIELD(UserCount, AttrA, 24, 0xFFu, 0)
Z_ROW_FIELD(PrevToken, AttrB, 0, 0xFFu, 0)
Z_ROW_FIELD(UserToken, AttrB, 8, 0xFFu, 0)
#undef Z_ROW_FIELD

uint16_t TRowAttributeStringList::RowMarks(int i) const {
    CheckIndex(i, FRows.Count());
    return static_cast<uint16_t>(FRows.AttrB(i) >> 16);
}

void TRowAttributeStringList::SetRowMarks(int i, uint16_t marks) {
    CheckIndex(i, FRows.Count());
    FRows.SetAttrB(i, (FRows.AttrB(i) & 0xFFFFu) | (static_cast<uint32_t>(marks) << 16));
}

int32_t TRowAttributeStringList::Value(int i) const {
    CheckIndex(i, FRows.Count());
    return FRows.Get(i).Value;
}

void TRowAttributeStringList::SetValue(int i, int32_t v) {
    CheckIndex(i, FRows.Count());
    FRows.SetValue(i, v);
}

std::string_view TRowAttributeStringList::DataStr(int i) const {
    CheckIndex(i, FRows.Count());
    return FRows.Get(i).DataStr;
}

void TRowAttributeStringList::SetDataStr(int i, std::string_view s) {
    CheckIndex(i, FRows.Count());
    FRows.SetDataStr(i, s);
}

void TRowAttributeStringList::Pack(const TRowAttributeData& d, uint32_t& a, uint32_t& b) {
    a = (static_cast<uint32_t>(d.RowAttribute) & 3u) | ((static_cast<uint32_t>(d.PrevRowAttribute) & 3u) << 2) |
        ((static_cast<uint32_t>(d.BracketIndex + 2) & 0xFu) << 4) | ((static_cast<uint32_t>(d.UserIndex) & 0xFFu) << 8) |
        ((static_cast<uint32_t>(d.WrappedByte) & 0xFFu) << 16) | ((static_cast<uint32_t>(d.UserCount) & 0xFFu) << 24);
    b = (b & 0xFFFF0000u) | static_cast<uint32_t>(d.PrevToken) | (static_cast<uint32_t>(d.UserToken) << 8);
}

void TRowAttributeStringList::Unpack(uint32_t a, uint32_t b, TRowAttributeData& d) {
    d.RowAttribute = static_cast<uint8_t>(a & 3u);
    d.PrevRowAttribute = static_cast<uint8_t>((a >> 2) & 3u);
    d.BracketIndex = static_cast<int32_t>((a >> 4) & 0xFu) - 2;
    d.UserIndex = static_cast<int32_t>((a >> 8) & 0xFFu);
    d.WrappedByte = static_cast<int32_t>((a >> 16) & 0xFFu);
    d.UserCount = static_cast<int32_t>((a >> 24) & 0xFFu);
    d.PrevToken = static_cast<uint8_t>(b & 0xFFu);
    d.UserToken = static_cast<uint8_t>((b >> 8) & 0xFFu);
}

void TRowAttributeStringList::GetRowAttributeData(int i, TRowAttributeData& data) const {
    CheckIndex(i, FRows.Count());
    const auto& r = FRows.Get(i);
    Unpack(r.AttrA, r.AttrB, data);
    data.DataStr.assign(r.DataStr.data(), r.DataStr.size());
}

void TRowAttributeStringList::SetRowStateData(int i, const TRowAttributeData& data) {
    CheckIndex(i, FRows.Count());
    const auto& r = FRows.Get(i);
    uint32_t a = 0, b = r.AttrB;
    Pack(data, a, b);
    a = (a & kAttrAStateMask) | (r.AttrA & 3u);
    FRows.SetAttrA(i, a);
    FRows.SetAttrB(i, b);
    FRows.SetDataStr(i, data.DataStr);
}
