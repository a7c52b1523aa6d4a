// The block storage under the row lists.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "EditorRowBlocks.h"

namespace {
constexpr size_t kBlockMax = 1024;             // rows: a block is cut beyond this
constexpr size_t kBlockFill = 512;             // rows per block when blocks are built
constexpr size_t kBlockBytes = 64 * 1024;      // text bytes per block when blocks are built
constexpr size_t kBlockBytesMax = 256 * 1024;  // a block of several rows is cut beyond this
constexpr size_t kLongText = 64 * 1024;        // a buffer this long grows by an eighth, not double

inline bool EndsLine(uint32_t attrA) { return (attrA & 3u) != raWrapped; }

// Room for Extra more bytes in S: a long buffer grows by an eighth, so that
// typing into a long row neither copies it every time nor doubles its memory.
void MakeRoom(std::string& S, size_t Extra) {
    size_t want = S.size() + Extra;
    if (want > S.capacity() && want > kLongText) S.reserve(want + want / 8);
}

template <class V>
void EraseRange(V& v, size_t k, size_t n) {
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(k), v.begin() + static_cast<std::ptrdiff_t>(k + n));
}
}  // namespace

// A block: the rows' texts back to back in one buffer, where each text ends,
// and the packed data in two parts: the low byte of AttrA (row attribute,
// previous row's attribute, bracket) for every row, and the rest of AttrA with
// AttrB (tokens carried over a wrap, user fields, marks) only once some row of
// the block has any. Value and DataStr likewise.
struct TRowBlocks::Block {
    std::string Text;
    std::vector<uint32_t> Ends;
    std::vector<uint8_t> Lo;  // AttrA & 0xFF
    bool Hi = false;          // HiA and B hold one entry a row
    std::vector<uint32_t> HiA;  // AttrA >> 8
    std::vector<uint32_t> B;    // AttrB
    bool Extra = false;         // Values and DataStrs hold one entry a row
    std::vector<int32_t> Values;
    std::vector<std::string> DataStrs;
    int LineEnds = 0;
    bool StatesReset = false;  // the rows' carried states read as not computed

    size_t Size() const { return Ends.size(); }
    size_t Begin(size_t k) const { return k == 0 ? 0 : Ends[k - 1]; }
    std::string_view Str(size_t k) const {
        size_t b = Begin(k);
        return std::string_view(Text.data() + b, Ends[k] - b);
    }
    uint32_t AttrA(size_t k) const { return Lo[k] | (Hi ? HiA[k] << 8 : 0u); }
    uint32_t AttrB(size_t k) const { return Hi ? B[k] : 0u; }
    void SetAttrs(size_t k, uint32_t a, uint32_t b) {
        Lo[k] = static_cast<uint8_t>(a);
        if (!Hi && ((a >> 8) != 0 || b != 0)) {
            HiA.assign(Size(), 0);
            B.assign(Size(), 0);
            Hi = true;
        }
        if (Hi) {
            HiA[k] = a >> 8;
            B[k] = b;
        }
    }
    void DropHiIfPlain() {
        if (!Hi) return;
        for (size_t k = 0; k < Size(); ++k)
            if (HiA[k] != 0 || B[k] != 0) return;
        HiA = {};
        B = {};
        Hi = false;
    }
    void EnsureExtra() {
        if (Extra) return;
        Values.assign(Size(), 0);
        DataStrs.assign(Size(), std::string());
        Extra = true;
    }
    void DropExtraIfPlain() {
        if (!Extra) return;
        for (size_t k = 0; k < Size(); ++k)
            if (Values[k] != 0 || !DataStrs[k].empty()) return;
        Values = {};
        DataStrs = {};
        Extra = false;
    }
    // The carried states of rows k .. end read as not computed.
    void ResetStates(size_t k) {
        for (size_t j = k; j < Size(); ++j) {
            Lo[j] &= 3u;
            if (Hi) {
                HiA[j] = 0;
                B[j] &= ~kAttrBStateMask;
            }
            if (Extra) DataStrs[j].clear();
        }
        DropHiIfPlain();
        DropExtraIfPlain();
    }
    void Shift(size_t from, int64_t delta) {
        for (size_t j = from; j < Ends.size(); ++j) Ends[j] = static_cast<uint32_t>(Ends[j] + delta);
    }
    // Inserts n rows at k, their texts copied into the buffer.
    void Insert(size_t k, const TRecordStringItem* items, size_t n) {
        if (k == Size()) {
            // at the end (a text built row by row): nothing moves
            for (size_t j = 0; j < n; ++j) {
                Append(items[j].Str, items[j].AttrA, items[j].AttrB);
                if (items[j].Value != 0 || !items[j].DataStr.empty()) {
                    EnsureExtra();
                    Values.back() = items[j].Value;
                    DataStrs.back() = items[j].DataStr;
                }
            }
            return;
        }
        size_t add = 0;
        bool hi = Hi, extra = Extra;
        for (size_t j = 0; j < n; ++j) {
            add += items[j].Str.size();
            if ((items[j].AttrA >> 8) != 0 || items[j].AttrB != 0) hi = true;
            if (items[j].Value != 0 || !items[j].DataStr.empty()) extra = true;
        }
        if (hi && !Hi) {
            HiA.assign(Size(), 0);
            B.assign(Size(), 0);
            Hi = true;
        }
        if (extra) EnsureExtra();
        const size_t at = Begin(k);
        MakeRoom(Text, add);
        Text.insert(at, add, '\0');
        Shift(k, static_cast<int64_t>(add));
        std::vector<uint32_t> ends(n);
        std::vector<uint8_t> lo(n);
        size_t e = at;
        for (size_t j = 0; j < n; ++j) {
            const auto& it = items[j];
            if (!it.Str.empty()) std::memcpy(&Text[e], it.Str.data(), it.Str.size());
            e += it.Str.size();
            ends[j] = static_cast<uint32_t>(e);
            lo[j] = static_cast<uint8_t>(it.AttrA);
            if (EndsLine(it.AttrA)) ++LineEnds;
        }
        const auto at2 = static_cast<std::ptrdiff_t>(k);
        Ends.insert(Ends.begin() + at2, ends.begin(), ends.end());
        Lo.insert(Lo.begin() + at2, lo.begin(), lo.end());
        if (Hi) {
            std::vector<uint32_t> h(n), b(n);
            for (size_t j = 0; j < n; ++j) {
                h[j] = items[j].AttrA >> 8;
                b[j] = items[j].AttrB;
            }
            HiA.insert(HiA.begin() + at2, h.begin(), h.end());
            B.insert(B.begin() + at2, b.begin(), b.end());
        }
        if (Extra) {
            std::vector<int32_t> v(n);
            std::vector<std::string> d(n);
            for (size_t j = 0; j < n; ++j) {
                v[j] = items[j].Value;
                d[j] = items[j].DataStr;
            }
            Values.insert(Values.begin() + at2, v.begin(), v.end());
            DataStrs.insert(DataStrs.begin() + at2, std::make_move_iterator(d.begin()), std::make_move_iterator(d.end()));
        }
    }
    void Append(std::string_view text, uint32_t attrA, uint32_t attrB) {
        MakeRoom(Text, text.size());
        Text.append(text.data(), text.size());
        Ends.push_back(static_cast<uint32_t>(Text.size()));
        Lo.push_back(0);
        if (Hi) {
            HiA.push_back(0);
            B.push_back(0);
        }
        if (Extra) {
            Values.push_back(0);
            DataStrs.emplace_back();
        }
        SetAttrs(Size() - 1, attrA, attrB);
        if (EndsLine(attrA)) ++LineEnds;
    }
    void Erase(size_t k, size_t n) {
        const size_t a = Begin(k), b = Ends[k + n - 1];
        for (size_t j = k; j < k + n; ++j)
            if (EndsLine(Lo[j])) --LineEnds;
        Text.erase(a, b - a);
        EraseRange(Ends, k, n);
        EraseRange(Lo, k, n);
        Shift(k, -static_cast<int64_t>(b - a));
        if (Hi) {
            EraseRange(HiA, k, n);
            EraseRange(B, k, n);
        }
        if (Extra) {
            EraseRange(Values, k, n);
            EraseRange(DataStrs, k, n);
        }
    }
    // Len bytes at Pos of row k's text become Mid.
    void Edit(size_t k, size_t Pos, size_t Len, std::string_view Mid) {
        const size_t a = Begin(k) + Pos;
        if (Mid.size() > Len) MakeRoom(Text, Mid.size() - Len);
        Text.replace(a, Len, Mid.data(), Mid.size());
        Shift(k, static_cast<int64_t>(Mid.size()) - static_cast<int64_t>(Len));
    }
    TRecordStringItem ItemAt(size_t k) const {
        TRecordStringItem r;
        r.Str.assign(Str(k));
        r.AttrA = AttrA(k);
        r.AttrB = AttrB(k);
        if (Extra) {
            r.Value = Values[k];
            r.DataStr = DataStrs[k];
        }
        return r;
    }
    // Moves the rows from k on into a new block.
    std::unique_ptr<Block> SplitOff(size_t k) {
        auto nb = std::make_unique<Block>();
        const size_t base = Begin(k);
        const auto at = static_cast<std::ptrdiff_t>(k);
        nb->Text.assign(Text, base, std::string::npos);
        nb->Ends.reserve(Size() - k);
        for (size_t j = k; j < Size(); ++j) nb->Ends.push_back(static_cast<uint32_t>(Ends[j] - base));
        nb->Lo.assign(Lo.begin() + at, Lo.end());
        for (uint8_t l : nb->Lo)
            if (EndsLine(l)) ++nb->LineEnds;
        if (Hi) {
            nb->Hi = true;
            nb->HiA.assign(HiA.begin() + at, HiA.end());
            nb->B.assign(B.begin() + at, B.end());
            HiA.resize(k);
            B.resize(k);
        }
        if (Extra) {
            nb->Extra = true;
            nb->Values.assign(Values.begin() + at, Values.end());
            nb->DataStrs.assign(std::make_move_iterator(DataStrs.begin() + at), std::make_move_iterator(DataStrs.end()));
            Values.resize(k);
            DataStrs.resize(k);
        }
        nb->StatesReset = StatesReset;
        LineEnds -= nb->LineEnds;
        Text.resize(base);
        Ends.resize(k);
        Lo.resize(k);
        Shrink();
        return nb;
    }
    // Takes the rows of Other at the end.
    void Join(Block& Other) {
        const size_t n = Size();
        if (Other.Hi && !Hi) {
            HiA.assign(n, 0);
            B.assign(n, 0);
            Hi = true;
        }
        if (Other.Extra) EnsureExtra();
        const size_t base = Text.size();
        Text.append(Other.Text);
        for (uint32_t e : Other.Ends) Ends.push_back(static_cast<uint32_t>(e + base));
        Lo.insert(Lo.end(), Other.Lo.begin(), Other.Lo.end());
        if (Hi) {
            if (Other.Hi) {
                HiA.insert(HiA.end(), Other.HiA.begin(), Other.HiA.end());
                B.insert(B.end(), Other.B.begin(), Other.B.end());
            } else {
                HiA.resize(Size(), 0);
                B.resize(Size(), 0);
            }
        }
        if (Extra) {
            if (Other.Extra) {
                Values.insert(Values.end(), Other.Values.begin(), Other.Values.end());
                DataStrs.insert(DataStrs.end(), std::make_move_iterator(Other.DataStrs.begin()),
                                std::make_move_iterator(Other.DataStrs.end()));
            } else {
                Values.resize(Size(), 0);
                DataStrs.resize(Size());
            }
        }
        LineEnds += Other.LineEnds;
    }
    void Reserve(size_t rows) {
        Ends.reserve(rows);
        Lo.reserve(rows);
    }
    void Shrink() {
        if (Text.capacity() > Text.size() + Text.size() / 16 + 64) Text.shrink_to_fit();
        if (Ends.capacity() > Ends.size() + 16) {
            Ends.shrink_to_fit();
            Lo.shrink_to_fit();
        }
    }
    bool Full() const { return Size() >= kBlockFill || Text.size() >= kBlockBytes; }
};

// Moves rows [from, to) into new blocks of up to kBlockFill rows and
// kBlockBytes bytes (a longer row has a block of its own), appended to out.
void TRowBlocks::MakeBlocks(std::vector<TRecordStringItem>& rows, size_t from, size_t to,
                            std::vector<std::unique_ptr<Block>>& out) {
    size_t s = from;
    while (s < to) {
        size_t e = s, bytes = 0;
        while (e < to && e - s < kBlockFill && (e == s || bytes + rows[e].Str.size() <= kBlockBytes)) {
            bytes += rows[e].Str.size();
            ++e;
        }
        auto nb = std::make_unique<Block>();
        nb->Text.reserve(bytes);
        nb->Reserve(e - s);
        nb->Insert(0, rows.data() + s, e - s);
        for (size_t k = s; k < e; ++k) rows[k] = TRecordStringItem();
        out.push_back(std::move(nb));
        s = e;
    }
}

TRowBlocks::TRowBlocks() {
    static std::atomic<uint64_t> lists{0};
    FId = ++lists;
}
TRowBlocks::~TRowBlocks() = default;

void TRowBlocks::AddCounts(uint32_t attrB, int sign) {
    uint32_t m = attrB >> 16;
    while (m) {
        int bit = __builtin_ctz(m);
        FMarkCount[static_cast<size_t>(bit)] += sign;
        m &= m - 1;
    }
}

uint16_t TRowBlocks::MarksUnion() const {
    uint16_t u = 0;
    for (size_t i = 0; i < 16; ++i)
        if (FMarkCount[i] > 0) u = static_cast<uint16_t>(u | (1u << i));
    return u;
}

void TRowBlocks::Invalidate(size_t b) const {
    if (FValid > b + 1) FValid = b + 1;
}

void TRowBlocks::Validate() const {
    size_t n = FBlocks.size();
    FRowStart.resize(n);
    FLineStart.resize(n);
    if (FValid > n) FValid = n;
    if (FValid == 0 && n > 0) {
        FRowStart[0] = 0;
        FLineStart[0] = 0;
        FValid = 1;
    }
    for (size_t b = FValid; b < n; ++b) {
        FRowStart[b] = FRowStart[b - 1] + static_cast<int>(FBlocks[b - 1]->Size());
        FLineStart[b] = FLineStart[b - 1] + FBlocks[b - 1]->LineEnds;
    }
    FValid = n;
}

size_t TRowBlocks::BlockOf(int row) const {
    if (FValid != FBlocks.size() || FRowStart.size() != FBlocks.size()) Validate();
    size_t h = FHint;
    if (h < FBlocks.size() && row >= FRowStart[h] && row < FRowStart[h] + static_cast<int>(FBlocks[h]->Size()))
        return h;
    auto it = std::upper_bound(FRowStart.begin(), FRowStart.end(), row);
    size_t b = static_cast<size_t>(it - FRowStart.begin()) - 1;
    // Empty blocks never exist, so b holds the row.
    FHint = b;
    return b;
}

void TRowBlocks::Materialise(Block& b) const {
    if (!b.StatesReset) return;
    b.ResetStates(0);
    b.StatesReset = false;
}

TRowBlocks::Block* TRowBlocks::Find(int i, int& off) const {
    size_t b = BlockOf(i);
    off = i - FRowStart[b];
    Block* blk = FBlocks[b].get();
    Materialise(*blk);
    return blk;
}

TRowRef TRowBlocks::Get(int i) const {
    int off;
    const Block* b = Find(i, off);
    const size_t k = static_cast<size_t>(off);
    TRowRef r;
    r.Str = b->Str(k);
    r.AttrA = b->AttrA(k);
    r.AttrB = b->AttrB(k);
    if (b->Extra) {
        r.Value = b->Values[k];
        r.DataStr = b->DataStrs[k];
    }
    return r;
}

TRowRun TRowBlocks::Run(int i) const {
    const size_t b = BlockOf(i);
    const Block& k = *FBlocks[b];
    TRowRun r;
    r.Text = k.Text.data();
    r.Ends = k.Ends.data();
    r.Lo = k.Lo.data();
    r.Base = i - FRowStart[b];
    r.Count = static_cast<int>(k.Size()) - r.Base;
    return r;
}

uint32_t TRowBlocks::AttrA(int i) const {
    int off;
    return Find(i, off)->AttrA(static_cast<size_t>(off));
}

uint32_t TRowBlocks::AttrB(int i) const {
    int off;
    return Find(i, off)->AttrB(static_cast<size_t>(off));
}

std::string_view TRowBlocks::Text(int i) const {
    size_t b = BlockOf(i);
    return FBlocks[b]->Str(static_cast<size_t>(i - FRowStart[b]));
}

TRecordStringItem TRowBlocks::Item(int i) const {
    int off;
    return Find(i, off)->ItemAt(static_cast<size_t>(off));
}

void TRowBlocks::SetStr(int i, std::string_view s) {
    int off;
    Block* b = Find(i, off);
    EditStr(i, 0, b->Str(static_cast<size_t>(off)).size(), s);
}

void TRowBlocks::EditStr(int i, size_t Pos, size_t Len, std::string_view Mid) {
    Touched(i);
    size_t bi = BlockOf(i);
    Block& b = *FBlocks[bi];
    Materialise(b);
    b.Edit(static_cast<size_t>(i - FRowStart[bi]), Pos, Len, Mid);
    SplitIfLarge(bi);
}

void TRowBlocks::SetDataStr(int i, std::string_view s) {
    int off;
    Block* b = Find(i, off);
    if (s.empty() && !b->Extra) return;
    b->EnsureExtra();
    b->DataStrs[static_cast<size_t>(off)].assign(s.data(), s.size());
}

void TRowBlocks::SetValue(int i, int32_t v) {
    int off;
    Block* b = Find(i, off);
    if (v == 0 && !b->Extra) return;
    b->EnsureExtra();
    b->Values[static_cast<size_t>(off)] = v;
}

// Changes row i's packed data (AttrA and AttrB), keeping the line-end and mark counts.
template <class F>
void TRowBlocks::ChangeRow(int i, F&& Change) {
    size_t bi = BlockOf(i);
    Block& b = *FBlocks[bi];
    Materialise(b);
    const size_t k = static_cast<size_t>(i - FRowStart[bi]);
    uint32_t a = b.AttrA(k), v = b.AttrB(k);
    AddCounts(v, -1);
    bool was = EndsLine(a);
    Change(a, v);
    b.SetAttrs(k, a, v);
    AddCounts(v, 1);
    bool now = EndsLine(a);
    if (was != now) {
        int d = now ? 1 : -1;
        b.LineEnds += d;
        FLineEnds += d;
        Invalidate(bi);
    }
}

void TRowBlocks::SetAttrA(int i, uint32_t a) {
    ChangeRow(i, [&](uint32_t& A, uint32_t&) {
        if ((A ^ a) & 3u) Touched(i);
        A = a;
    });
}

void TRowBlocks::SetAttrB(int i, uint32_t v) {
    ChangeRow(i, [&](uint32_t&, uint32_t& B) { B = v; });
}

void TRowBlocks::SetItem(int i, const TRecordStringItem& item) {
    Touched(i);
    ChangeRow(i, [&](uint32_t& A, uint32_t& B) {
        A = item.AttrA;
        B = item.AttrB;
    });
    SetValue(i, item.Value);
    SetDataStr(i, item.DataStr);
    SetStr(i, item.Str);
}

void TRowBlocks::SplitIfLarge(size_t bi) {
    Block& b = *FBlocks[bi];
    if (b.Size() <= kBlockMax && (b.Text.size() <= kBlockBytesMax || b.Size() < 2)) return;
    // Cut into pieces of kBlockFill rows or kBlockBytes bytes (a longer row alone).
    std::vector<size_t> cuts;
    size_t start = 0;
    for (size_t k = 1; k < b.Size(); ++k)
        if (k - start >= kBlockFill || b.Ends[k - 1] - b.Begin(start) + b.Str(k).size() > kBlockBytes) {
            cuts.push_back(k);
            start = k;
        }
    std::vector<std::unique_ptr<Block>> pieces(cuts.size());
    for (size_t c = cuts.size(); c-- > 0;) pieces[c] = b.SplitOff(cuts[c]);
    FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(bi + 1), std::make_move_iterator(pieces.begin()),
                   std::make_move_iterator(pieces.end()));
    Invalidate(bi);
}

void TRowBlocks::RemoveEmpty(size_t bi) {
    if (bi < FBlocks.size() && FBlocks[bi]->Size() == 0) {
        FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(bi));
        Invalidate(bi == 0 ? 0 : bi - 1);
        if (FValid > bi) FValid = bi;
    }
}

void TRowBlocks::InsertRow(int i, TRecordStringItem row) {
    std::vector<TRecordStringItem> v;
    v.push_back(std::move(row));
    InsertRows(i, std::move(v));
}

void TRowBlocks::InsertRows(int i, std::vector<TRecordStringItem>&& rows) {
    if (rows.empty()) return;
    Touched(std::min(i, FCount));
    int n = static_cast<int>(rows.size());
    int le = 0;
    for (auto& r : rows) {
        if (EndsLine(r.AttrA)) ++le;
        AddCounts(r.AttrB, 1);
    }
    if (FBlocks.empty()) {
        AssignRowsCounted(std::move(rows));
        FCount = n;
        FLineEnds = le;
        return;
    }
    size_t bi;
    size_t off;
    if (i >= FCount) {
        bi = FBlocks.size() - 1;
        off = FBlocks[bi]->Size();
        // Appending: a full last block is left as it is (and its buffer fitted)
        // and a new one begun, so that a text built line by line never moves
        // or splits its blocks.
        if (FBlocks[bi]->Full() && rows.size() <= kBlockFill) {
            FBlocks[bi]->Shrink();
            auto nb = std::make_unique<Block>();
            nb->Reserve(kBlockFill);
            nb->Insert(0, rows.data(), rows.size());
            FBlocks.push_back(std::move(nb));
            FCount += n;
            FLineEnds += le;
            Invalidate(FBlocks.size() - 1);
            SplitIfLarge(FBlocks.size() - 1);
            return;
        }
    } else {
        bi = BlockOf(i);
        off = static_cast<size_t>(i - FRowStart[bi]);
    }
    Block& b = *FBlocks[bi];
    Materialise(b);
    FCount += n;
    FLineEnds += le;
    if (rows.size() <= kBlockMax) {
        b.Insert(off, rows.data(), rows.size());
        Invalidate(bi);
        SplitIfLarge(bi);
        return;
    }
    // Many rows: the block is cut at the insertion point and new blocks go between.
    std::vector<std::unique_ptr<Block>> mid;
    MakeBlocks(rows, 0, rows.size(), mid);
    if (off < b.Size()) mid.push_back(b.SplitOff(off));
    FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(bi + 1), std::make_move_iterator(mid.begin()),
                   std::make_move_iterator(mid.end()));
    Invalidate(bi);
    RemoveEmpty(bi);
}

uint16_t TRowBlocks::EraseRows(int i, int n) {
    uint16_t marks = 0;
    if (n <= 0 || i < 0 || i >= FCount) return 0;
    if (i + n > FCount) n = FCount - i;
    Touched(i);
    size_t bi = BlockOf(i);
    size_t off = static_cast<size_t>(i - FRowStart[bi]);
    size_t firstTouched = bi;
    int left = n;
    while (left > 0) {
        Block& b = *FBlocks[bi];
        Materialise(b);
        size_t take = std::min(static_cast<size_t>(left), b.Size() - off);
        for (size_t k = off; k < off + take; ++k) {
            const uint32_t v = b.AttrB(k);
            marks = static_cast<uint16_t>(marks | (v >> 16));
            AddCounts(v, -1);
            if (EndsLine(b.Lo[k])) FLineEnds--;
        }
        b.Erase(off, take);
        left -= static_cast<int>(take);
        FCount -= static_cast<int>(take);
        if (b.Size() == 0) {
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(bi));
        } else {
            ++bi;
        }
        off = 0;
    }
    FValid = std::min(FValid, firstTouched);
    FHint = 0;
    // Keep small neighbours from piling up: merge the block at the cut with the next one.
    if (firstTouched + 1 < FBlocks.size()) {
        Block& a = *FBlocks[firstTouched];
        Block& c = *FBlocks[firstTouched + 1];
        if (a.Size() + c.Size() <= kBlockFill && a.Text.size() + c.Text.size() <= kBlockBytes) {
            Materialise(a);
            Materialise(c);
            a.Join(c);
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(firstTouched + 1));
        }
    }
    return marks;
}

void TRowBlocks::ReplaceRange(int i, int n, std::vector<TRecordStringItem>&& rows) {
    if (n > 0) EraseRows(i, n);
    InsertRows(std::min(i, FCount), std::move(rows));
}

void TRowBlocks::Exchange(int i, int j) {
    if (i == j) return;
    TRecordStringItem a = Item(i), c = Item(j);
    SetItem(i, c);
    SetItem(j, a);
}

void TRowBlocks::Clear() {
    FBlocks.clear();
    FRowStart.clear();
    FLineStart.clear();
    FValid = 0;
    FHint = 0;
    FCount = 0;
    FLineEnds = 0;
    FMarkCount.fill(0);
    Touched(0);
}

void TRowBlocks::AssignRowsCounted(std::vector<TRecordStringItem>&& rows) {
    FBlocks.clear();
    MakeBlocks(rows, 0, rows.size(), FBlocks);
    rows.clear();
    Touched(0);
    FValid = 0;
    FHint = 0;
}

void TRowBlocks::AssignRows(std::vector<TRecordStringItem>&& rows) {
    Clear();
    int le = 0;
    for (auto& r : rows) {
        if (EndsLine(r.AttrA)) ++le;
        AddCounts(r.AttrB, 1);
    }
    FCount = static_cast<int>(rows.size());
    FLineEnds = le;
    AssignRowsCounted(std::move(rows));
}

int TRowBlocks::RowOfLineEnd(int k) const {
    if (k < 0 || k >= FLineEnds) return -1;
    Validate();
    // The last block whose line-end count before it is <= k.
    auto it = std::upper_bound(FLineStart.begin(), FLineStart.end(), k);
    size_t b = static_cast<size_t>(it - FLineStart.begin()) - 1;
    while (FBlocks[b]->LineEnds <= k - FLineStart[b]) ++b;  // skips blocks without line ends
    int want = k - FLineStart[b];
    const auto& rows = FBlocks[b]->Lo;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (EndsLine(rows[r])) {
            if (want == 0) return FRowStart[b] + static_cast<int>(r);
            --want;
        }
    }
    return -1;
}

int TRowBlocks::LineEndsBefore(int row) const {
    if (row <= 0) return 0;
    if (row >= FCount) return FLineEnds;
    size_t b = BlockOf(row);
    int n = FLineStart[b];
    const auto& rows = FBlocks[b]->Lo;
    int off = row - FRowStart[b];
    for (int r = 0; r < off; ++r)
        if (EndsLine(rows[static_cast<size_t>(r)])) ++n;
    return n;
}

int TRowBlocks::PrevLineEnd(int row) const {
    if (row > FCount) row = FCount;
    if (row <= 0) return -1;
    int k = LineEndsBefore(row);
    return k == 0 ? -1 : RowOfLineEnd(k - 1);
}

int TRowBlocks::NextLineEnd(int row) const {
    if (row < 0) row = 0;
    if (row >= FCount) return -1;
    int k = LineEndsBefore(row);
    return RowOfLineEnd(k);
}

void TRowBlocks::ResetStatesFrom(int from) {
    if (from < 0) from = 0;
    if (from >= FCount) return;
    size_t bi = BlockOf(from);
    Block& b = *FBlocks[bi];
    Materialise(b);
    b.ResetStates(static_cast<size_t>(from - FRowStart[bi]));
    for (size_t k = bi + 1; k < FBlocks.size(); ++k) FBlocks[k]->StatesReset = true;
}

void TRowBlocks::PushBack(std::string_view Text, uint32_t AttrA, uint32_t AttrB) {
    Touched(FCount);
    // A long row gets a block of its own, so that editing its neighbours never moves it.
    if (FBlocks.empty() || FBlocks.back()->Full() || Text.size() >= kBlockBytes) {
        // A text built row by row has rows much alike: a block that follows a
        // full one takes about as many bytes, so its buffer is made that large
        // at once instead of being grown (and copied) step by step.
        size_t guess = 0;
        if (!FBlocks.empty()) {
            Block& last = *FBlocks.back();
            last.Shrink();
            if (last.Size() >= kBlockFill) guess = std::min(last.Text.size() + last.Text.size() / 64, kBlockBytes);
        }
        FBlocks.push_back(std::make_unique<Block>());
        FBlocks.back()->Reserve(Text.size() >= kBlockBytes ? 1 : kBlockFill);
        if (Text.size() < kBlockBytes) FBlocks.back()->Text.reserve(guess);
    }
    Block& b = *FBlocks.back();
    Materialise(b);
    AddCounts(AttrB, 1);
    if (EndsLine(AttrA)) FLineEnds++;
    b.Append(Text, AttrA, AttrB);
    FCount++;
    Invalidate(FBlocks.size() - 1);
}

void TRowBlocks::PushBack(const TRecordStringItem& row) {
    PushBack(row.Str, row.AttrA, row.AttrB);
    if (row.Value != 0) SetValue(FCount - 1, row.Value);
    if (!row.DataStr.empty()) SetDataStr(FCount - 1, row.DataStr);
}

bool TRowBlocks::PopFrontBlock(std::vector<TRecordStringItem>& out) {
    out.clear();
    if (FBlocks.empty()) return false;
    Touched(0);
    Block& b = *FBlocks.front();
    Materialise(b);
    out.reserve(b.Size());
    for (size_t k = 0; k < b.Size(); ++k) {
        AddCounts(b.AttrB(k), -1);
        out.push_back(b.ItemAt(k));
    }
    FCount -= static_cast<int>(b.Size());
    FLineEnds -= b.LineEnds;
    FBlocks.erase(FBlocks.begin());
    FValid = 0;
    FHint = 0;
    return true;
}

void TRowBlocks::Swap(TRowBlocks& other) {
    FBlocks.swap(other.FBlocks);
    FRowStart.swap(other.FRowStart);
    FLineStart.swap(other.FLineStart);
    std::swap(FValid, other.FValid);
    std::swap(FHint, other.FHint);
    std::swap(FCount, other.FCount);
    std::swap(FLineEnds, other.FLineEnds);
    std::swap(FMarkCount, other.FMarkCount);
    Touched(0);
    other.Touched(0);
}

size_t TRowBlocks::BytesHeld() const {
    size_t n = FBlocks.capacity() * sizeof(FBlocks[0]) + (FRowStart.capacity() + FLineStart.capacity()) * sizeof(int);
    for (const auto& b : FBlocks) {
        n += sizeof(Block) + b->Text.capacity() + b->Ends.capacity() * sizeof(uint32_t) + b->Lo.capacity();
        n += (b->HiA.capacity() + b->B.capacity()) * sizeof(uint32_t);
        n += b->Values.capacity() * sizeof(int32_t) + b->DataStrs.capacity() * sizeof(std::string);
        for (const auto& d : b->DataStrs)
            if (d.capacity() > 15) n += d.capacity() + 1;
    }
    return n;
}

int TRowBlocks::PrevComputedRow(int row) const {
    if (row > FCount) row = FCount;
    if (row <= 0) return -1;
    size_t bi = BlockOf(row - 1);
    int off = row - 1 - FRowStart[bi];
    for (;;) {
        const Block& b = *FBlocks[bi];
        if (!b.StatesReset) {
            for (int k = off; k >= 0; --k)
                if (((b.Lo[static_cast<size_t>(k)] >> 4) & 0xFu) != 0) return FRowStart[bi] + k;
        }
        if (bi == 0) return -1;
        --bi;
        off = static_cast<int>(FBlocks[bi]->Size()) - 1;
    }
}
