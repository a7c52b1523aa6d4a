// The block storage under the row lists.
#include <algorithm>
#include <atomic>

#include "EditorStrings.h"

namespace {
constexpr size_t kBlockMax = 1024;   // a block is split beyond this
constexpr size_t kBlockFill = 512;   // rows per block when blocks are built in bulk

inline bool EndsLine(const TRecordStringItem& r) { return (r.AttrA & 3u) != raWrapped; }
}  // namespace

struct TRowBlocks::Block {
    std::vector<TRecordStringItem> Rows;
    int LineEnds = 0;
    bool StatesReset = false;  // the rows' carried states read as not computed
};

// Moves rows [from, to) into new blocks of kBlockFill rows, appended to out.
void TRowBlocks::MakeBlocks(std::vector<TRecordStringItem>& rows, size_t from, size_t to,
                            std::vector<std::unique_ptr<Block>>& out) {
    for (size_t s = from; s < to; s += kBlockFill) {
        auto nb = std::make_unique<Block>();
        size_t e = std::min(to, s + kBlockFill);
        nb->Rows.reserve(e - s);
        for (size_t k = s; k < e; ++k) {
            if (EndsLine(rows[k])) nb->LineEnds++;
            nb->Rows.push_back(std::move(rows[k]));
        }
        out.push_back(std::move(nb));
    }
}

TRowBlocks::TRowBlocks() {
    static std::atomic<uint64_t> lists{0};
    FId = ++lists;
}
TRowBlocks::~TRowBlocks() = default;

void TRowBlocks::AddCounts(const TRecordStringItem& r, int sign) {
    uint32_t m = r.AttrB >> 16;
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
        FRowStart[b] = FRowStart[b - 1] + static_cast<int>(FBlocks[b - 1]->Rows.size());
        FLineStart[b] = FLineStart[b - 1] + FBlocks[b - 1]->LineEnds;
    }
    FValid = n;
}

size_t TRowBlocks::BlockOf(int row) const {
    Validate();
    size_t h = FHint;
    if (h < FBlocks.size() && row >= FRowStart[h] &&
        row < FRowStart[h] + static_cast<int>(FBlocks[h]->Rows.size()))
        return h;
    auto it = std::upper_bound(FRowStart.begin(), FRowStart.end(), row);
    size_t b = static_cast<size_t>(it - FRowStart.begin()) - 1;
    // Empty blocks never exist, so b holds the row.
    FHint = b;
    return b;
}

void TRowBlocks::Materialise(Block& b) const {
    if (!b.StatesReset) return;
    for (auto& r : b.Rows) {
        r.AttrA &= ~kAttrAStateMask;
        r.AttrB &= ~kAttrBStateMask;
        r.DataStr.clear();
    }
    b.StatesReset = false;
}

TRowBlocks::Block* TRowBlocks::Find(int i, int& off) const {
    size_t b = BlockOf(i);
    off = i - FRowStart[b];
    Block* blk = FBlocks[b].get();
    Materialise(*blk);
    return blk;
}

const TRecordStringItem& TRowBlocks::Get(int i) const {
    int off;
    Block* b = Find(i, off);
    return b->Rows[static_cast<size_t>(off)];
}

const TRecordStringItem* TRowBlocks::Run(int i, int& Count) const {
    int off;
    Block* b = Find(i, off);
    Count = static_cast<int>(b->Rows.size()) - off;
    return b->Rows.data() + off;
}

void TRowBlocks::SetStr(int i, std::string s) {
    Touched(i);
    int off;
    Find(i, off)->Rows[static_cast<size_t>(off)].Str = std::move(s);
}

std::string& TRowBlocks::StrRef(int i) {
    Touched(i);
    int off;
    return Find(i, off)->Rows[static_cast<size_t>(off)].Str;
}

void TRowBlocks::SetDataStr(int i, std::string s) {
    int off;
    Find(i, off)->Rows[static_cast<size_t>(off)].DataStr = std::move(s);
}

void TRowBlocks::SetValue(int i, int32_t v) {
    int off;
    Find(i, off)->Rows[static_cast<size_t>(off)].Value = v;
}

// Replaces row i by what Change makes of it, keeping the line-end and mark counts.
template <class F>
void TRowBlocks::ChangeRow(int i, F&& Change) {
    size_t bi = BlockOf(i);
    Block& b = *FBlocks[bi];
    Materialise(b);
    auto& r = b.Rows[static_cast<size_t>(i - FRowStart[bi])];
    AddCounts(r, -1);
    bool was = EndsLine(r);
    Change(r);
    AddCounts(r, 1);
    bool now = EndsLine(r);
    if (was != now) {
        int d = now ? 1 : -1;
        b.LineEnds += d;
        FLineEnds += d;
        Invalidate(bi);
    }
}

void TRowBlocks::SetAttrA(int i, uint32_t a) {
    ChangeRow(i, [&](TRecordStringItem& r) {
        if ((r.AttrA ^ a) & 3u) Touched(i);
        r.AttrA = a;
    });
}

void TRowBlocks::SetAttrB(int i, uint32_t v) {
    ChangeRow(i, [&](TRecordStringItem& r) { r.AttrB = v; });
}

void TRowBlocks::SetItem(int i, TRecordStringItem item) {
    Touched(i);
    ChangeRow(i, [&](TRecordStringItem& r) { r = std::move(item); });
}

void TRowBlocks::SplitIfLarge(size_t bi) {
    Block& b = *FBlocks[bi];
    if (b.Rows.size() <= kBlockMax) return;
    // Cut into pieces of kBlockFill rows.
    std::vector<std::unique_ptr<Block>> pieces;
    MakeBlocks(b.Rows, kBlockFill, b.Rows.size(), pieces);
    for (auto& p : pieces) p->StatesReset = b.StatesReset;
    b.Rows.resize(kBlockFill);
    b.Rows.shrink_to_fit();
    int le = 0;
    for (auto& r : b.Rows)
        if (EndsLine(r)) ++le;
    b.LineEnds = le;
    FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(bi + 1),
                   std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
    Invalidate(bi);
}

void TRowBlocks::RemoveEmpty(size_t bi) {
    if (bi < FBlocks.size() && FBlocks[bi]->Rows.empty()) {
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
        if (EndsLine(r)) ++le;
        AddCounts(r, 1);
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
        off = FBlocks[bi]->Rows.size();
        // Appending: a full last block is left as it is and a new one begun,
        // so that a text built line by line never moves or splits its blocks.
        if (off >= kBlockFill && rows.size() <= kBlockFill) {
            auto nb = std::make_unique<Block>();
            nb->Rows.reserve(kBlockFill);
            nb->Rows.insert(nb->Rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
            nb->LineEnds = le;
            FBlocks.push_back(std::move(nb));
            FCount += n;
            FLineEnds += le;
            Invalidate(FBlocks.size() - 1);
            return;
        }
    } else {
        bi = BlockOf(i);
        off = static_cast<size_t>(i - FRowStart[bi]);
    }
    Block& b = *FBlocks[bi];
    Materialise(b);
    if (rows.size() <= kBlockMax) {
        b.Rows.insert(b.Rows.begin() + static_cast<std::ptrdiff_t>(off),
                      std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        b.LineEnds += le;
        FCount += n;
        FLineEnds += le;
        Invalidate(bi);
        SplitIfLarge(bi);
        return;
    }
    // Many rows: the block is cut at the insertion point and new blocks go between.
    std::vector<std::unique_ptr<Block>> mid;
    MakeBlocks(rows, 0, rows.size(), mid);
    auto tail = std::make_unique<Block>();
    if (off < b.Rows.size()) {
        tail->Rows.assign(std::make_move_iterator(b.Rows.begin() + static_cast<std::ptrdiff_t>(off)),
                          std::make_move_iterator(b.Rows.end()));
        b.Rows.resize(off);
        for (auto& r : tail->Rows)
            if (EndsLine(r)) tail->LineEnds++;
        b.LineEnds -= tail->LineEnds;
    }
    size_t at = bi + 1;
    if (!tail->Rows.empty()) mid.push_back(std::move(tail));
    FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(at),
                   std::make_move_iterator(mid.begin()), std::make_move_iterator(mid.end()));
    FCount += n;
    FLineEnds += le;
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
        size_t take = std::min(static_cast<size_t>(left), b.Rows.size() - off);
        for (size_t k = off; k < off + take; ++k) {
            auto& r = b.Rows[k];
            marks = static_cast<uint16_t>(marks | (r.AttrB >> 16));
            AddCounts(r, -1);
            if (EndsLine(r)) {
                b.LineEnds--;
                FLineEnds--;
            }
        }
        b.Rows.erase(b.Rows.begin() + static_cast<std::ptrdiff_t>(off),
                     b.Rows.begin() + static_cast<std::ptrdiff_t>(off + take));
        left -= static_cast<int>(take);
        FCount -= static_cast<int>(take);
        if (b.Rows.empty()) {
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
        if (a.Rows.size() + c.Rows.size() <= kBlockFill) {
            Materialise(a);
            Materialise(c);
            a.Rows.insert(a.Rows.end(), std::make_move_iterator(c.Rows.begin()),
                          std::make_move_iterator(c.Rows.end()));
            a.LineEnds += c.LineEnds;
            FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(firstTouched + 1));
        }
    }
    return marks;
}

void TRowBlocks::Exchange(int i, int j) {
    if (i == j) return;
    Touched(std::min(i, j));
    int oi, oj;
    Block* bi = Find(i, oi);
    Block* bj = Find(j, oj);
    auto& a = bi->Rows[static_cast<size_t>(oi)];
    auto& c = bj->Rows[static_cast<size_t>(oj)];
    if (bi != bj && EndsLine(a) != EndsLine(c)) {
        int d = EndsLine(a) ? 1 : -1;
        bi->LineEnds -= d;
        bj->LineEnds += d;
        FValid = 0;
    }
    std::swap(a, c);
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
    Touched(0);
    FValid = 0;
    FHint = 0;
}

void TRowBlocks::AssignRows(std::vector<TRecordStringItem>&& rows) {
    Clear();
    int le = 0;
    for (auto& r : rows) {
        if (EndsLine(r)) ++le;
        AddCounts(r, 1);
    }
    FCount = static_cast<int>(rows.size());
    FLineEnds = le;
    AssignRowsCounted(std::move(rows));
}

std::vector<TRecordStringItem> TRowBlocks::TakeRows() {
    std::vector<TRecordStringItem> out;
    out.reserve(static_cast<size_t>(FCount));
    for (auto& b : FBlocks) {
        Materialise(*b);
        for (auto& r : b->Rows) out.push_back(std::move(r));
    }
    Clear();
    return out;
}

int TRowBlocks::RowOfLineEnd(int k) const {
    if (k < 0 || k >= FLineEnds) return -1;
    Validate();
    // The last block whose line-end count before it is <= k.
    auto it = std::upper_bound(FLineStart.begin(), FLineStart.end(), k);
    size_t b = static_cast<size_t>(it - FLineStart.begin()) - 1;
    while (FBlocks[b]->LineEnds <= k - FLineStart[b]) ++b;  // skips blocks without line ends
    int want = k - FLineStart[b];
    const auto& rows = FBlocks[b]->Rows;
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
    const auto& rows = FBlocks[b]->Rows;
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
    for (size_t k = static_cast<size_t>(from - FRowStart[bi]); k < b.Rows.size(); ++k) {
        auto& r = b.Rows[k];
        r.AttrA &= ~kAttrAStateMask;
        r.AttrB &= ~kAttrBStateMask;
        r.DataStr.clear();
    }
    for (size_t k = bi + 1; k < FBlocks.size(); ++k) FBlocks[k]->StatesReset = true;
}

void TRowBlocks::PushBack(TRecordStringItem&& row) {
    Touched(FCount);
    if (FBlocks.empty() || FBlocks.back()->Rows.size() >= kBlockFill) {
        FBlocks.push_back(std::make_unique<Block>());
        FBlocks.back()->Rows.reserve(kBlockFill);
    }
    Block& b = *FBlocks.back();
    Materialise(b);
    AddCounts(row, 1);
    if (EndsLine(row)) {
        b.LineEnds++;
        FLineEnds++;
    }
    b.Rows.push_back(std::move(row));
    FCount++;
    Invalidate(FBlocks.size() - 1);
}

bool TRowBlocks::PopFrontBlock(std::vector<TRecordStringItem>& out) {
    out.clear();
    if (FBlocks.empty()) return false;
    Touched(0);
    Block& b = *FBlocks.front();
    Materialise(b);
    for (auto& r : b.Rows) AddCounts(r, -1);
    FCount -= static_cast<int>(b.Rows.size());
    FLineEnds -= b.LineEnds;
    out = std::move(b.Rows);
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

int TRowBlocks::PrevComputedRow(int row) const {
    if (row > FCount) row = FCount;
    if (row <= 0) return -1;
    size_t bi = BlockOf(row - 1);
    int off = row - 1 - FRowStart[bi];
    for (;;) {
        const Block& b = *FBlocks[bi];
        if (!b.StatesReset) {
            for (int k = off; k >= 0; --k)
                if (((b.Rows[static_cast<size_t>(k)].AttrA >> 4) & 0xFu) != 0) return FRowStart[bi] + k;
        }
        if (bi == 0) return -1;
        --bi;
        off = static_cast<int>(FBlocks[bi]->Rows.size()) - 1;
    }
}
