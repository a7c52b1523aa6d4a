// Compact columnar storage of a materialised result: one store per column,
// rows kept in chunks of 65536 so that growing never copies the whole column
// (the first chunk grows with its rows, so a small result takes little room).
// Fixed-size values sit in plain arrays, text and bytes in one byte arena per
// chunk with end offsets (4 bytes a value; 8 once a chunk's arena passes 4 GB),
// and a null bitmap marks the nulls. No heap object per cell.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSet.h"

class TColumnStore {
public:
    enum TStorage : uint8_t { csInteger, csFloat, csTimeStamp, csText, csBytes };
    explicit TColumnStore(TStorage storage) : FStorage(storage) {}

    TStorage Storage() const { return FStorage; }
    size_t Count() const { return FCount; }

    void AppendNull();
    void AppendInteger(int64_t v);
    void AppendFloat(double v);
    void AppendTimeStamp(const TSQLTimeStamp& v);
    void AppendBytes(std::string_view v);   // text (CP932) or bytes
    // Text given as UTF-16, stored as CP932; true when a substitute was needed.
    bool AppendUtf16(std::u16string_view v);
    // Text as UTF-8 (utf8) or UTF-16 bytes, stored as CP932; true when a substitute was needed.
    bool AppendApiText(std::string_view bytes, bool utf8);

    bool IsNull(size_t row) const {
        const Chunk& c = *FChunks[row >> kShift];
        size_t i = row & kMask;
        return (c.Nulls[i >> 6] >> (i & 63)) & 1;
    }
    int64_t Integer(size_t row) const { return FChunks[row >> kShift]->Ints[row & kMask]; }
    double Float(size_t row) const { return FChunks[row >> kShift]->Floats[row & kMask]; }
    const TSQLTimeStamp& TimeStamp(size_t row) const { return FChunks[row >> kShift]->Stamps[row & kMask]; }
    std::string_view Bytes(size_t row) const {
        const Chunk& c = *FChunks[row >> kShift];
        size_t i = row & kMask;
        uint64_t b = i ? c.End(i - 1) : 0;
        return std::string_view(c.Arena.Data + b, c.End(i) - b);
    }
    // The value as a variant (null, integer, double, date-time, text or bytes).
    TVariant Value(size_t row) const;

    size_t MemoryUsed() const;
    void Clear();

    // A chunk's arena longer than this keeps 8-byte ends (lowered by the tests).
    static inline uint64_t NarrowEndLimit = UINT32_MAX;

private:
    static constexpr unsigned kShift = 16;
    static constexpr size_t kChunkRows = size_t(1) << kShift;
    static constexpr size_t kMask = kChunkRows - 1;
    // Bytes grown with realloc, which moves large blocks without copying them.
    struct TArena {
        char* Data = nullptr;
        size_t Size = 0, Capacity = 0;
        TArena() = default;
        TArena(const TArena&) = delete;
        TArena& operator=(const TArena&) = delete;
        ~TArena();
        char* Grow(size_t extra);   // room for extra more bytes at Data + Size
    };
    struct Chunk {
        std::vector<uint64_t> Nulls;
        std::vector<int64_t> Ints;
        std::vector<double> Floats;
        std::vector<TSQLTimeStamp> Stamps;
        std::vector<uint32_t> Ends;      // where each value ends in Arena
        std::vector<uint64_t> WideEnds;  // in place of Ends once Arena passes NarrowEndLimit
        TArena Arena;
        uint64_t End(size_t i) const { return WideEnds.empty() ? Ends[i] : WideEnds[i]; }
        void PushEnd();                  // the end of the value just stored
    };
    Chunk& Tail();   // the chunk that takes the next row
    void MarkNull(Chunk& c, size_t i) { c.Nulls[i >> 6] |= uint64_t(1) << (i & 63); }

    TStorage FStorage;
    size_t FCount = 0;
    std::vector<std::unique_ptr<Chunk>> FChunks;
};
