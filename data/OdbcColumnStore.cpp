#include "OdbcColumnStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "CP932.h"

TColumnStore::TArena::~TArena() { std::free(Data); }

char* TColumnStore::TArena::Grow(size_t extra) {
    if (Size + extra > Capacity) {
        size_t cap = std::max<size_t>({Capacity * 2, Size + extra, 4096});
        char* p = static_cast<char*>(std::realloc(Data, cap));
        if (!p) throw std::bad_alloc();
        Data = p;
        Capacity = cap;
    }
    return Data + Size;
}

void TColumnStore::Chunk::PushEnd() {
    if (WideEnds.empty() && Arena.Size <= NarrowEndLimit) {
        Ends.push_back(static_cast<uint32_t>(Arena.Size));
        return;
    }
    if (WideEnds.empty()) {
        WideEnds.reserve(Ends.capacity());
        WideEnds.assign(Ends.begin(), Ends.end());
        Ends = {};
    }
    WideEnds.push_back(Arena.Size);
}

TColumnStore::Chunk& TColumnStore::Tail() {
    const size_t i = FCount & kMask;
    if (i == 0 && FCount >> kShift == FChunks.size()) {
        auto c = std::make_unique<Chunk>();
        if (!FChunks.empty()) {
            // a column past one chunk is a large one: the next chunk takes its
            // rows' room at once, and about the text the previous one held
            const TArena& last = FChunks.back()->Arena;
            c->Arena.Grow(last.Size + last.Size / 8);
            c->Nulls.reserve(kChunkRows / 64);
            switch (FStorage) {
            case csInteger: c->Ints.reserve(kChunkRows); break;
            case csFloat: c->Floats.reserve(kChunkRows); break;
            case csTimeStamp: c->Stamps.reserve(kChunkRows); break;
            default: c->Ends.reserve(kChunkRows); break;
            }
        }
        // the first chunk grows with its rows, so that a small result stays small
        FChunks.push_back(std::move(c));
    }
    Chunk& c = *FChunks.back();
    if ((i & 63) == 0) c.Nulls.push_back(0);   // the null bits of the next 64 rows
    return c;
}

void TColumnStore::AppendNull() {
    Chunk& c = Tail();
    MarkNull(c, FCount & kMask);
    switch (FStorage) {
    case csInteger: c.Ints.push_back(0); break;
    case csFloat: c.Floats.push_back(0); break;
    case csTimeStamp: c.Stamps.emplace_back(); break;
    default: c.PushEnd(); break;
    }
    ++FCount;
}

void TColumnStore::AppendInteger(int64_t v) {
    Tail().Ints.push_back(v);
    ++FCount;
}

void TColumnStore::AppendFloat(double v) {
    Tail().Floats.push_back(v);
    ++FCount;
}

void TColumnStore::AppendTimeStamp(const TSQLTimeStamp& v) {
    Tail().Stamps.push_back(v);
    ++FCount;
}

void TColumnStore::AppendBytes(std::string_view v) {
    Chunk& c = Tail();
    if (!v.empty()) {
        std::memcpy(c.Arena.Grow(v.size()), v.data(), v.size());
        c.Arena.Size += v.size();
    }
    c.PushEnd();
    ++FCount;
}

bool TColumnStore::AppendUtf16(std::u16string_view v) {
    Chunk& c = Tail();
    bool lossy = false;
    c.Arena.Size += cp932::EncodeUtf16(v.data(), v.size(), c.Arena.Grow(v.size() * 2), &lossy);
    c.PushEnd();
    ++FCount;
    return lossy;
}

bool TColumnStore::AppendApiText(std::string_view bytes, bool utf8) {
    if (!utf8) return AppendUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2));
    Chunk& c = Tail();
    bool lossy = false;
    c.Arena.Size += cp932::EncodeUtf8(bytes.data(), bytes.size(), c.Arena.Grow(bytes.size()), &lossy);
    c.PushEnd();
    ++FCount;
    return lossy;
}

TVariant TColumnStore::Value(size_t row) const {
    if (IsNull(row)) return TVariant();
    switch (FStorage) {
    case csInteger: return TVariant(Integer(row));
    case csFloat: return TVariant(Float(row));
    case csTimeStamp: return TVariant(TimeStamp(row));
    case csText: return TVariant(std::string(Bytes(row)));
    default: return TVariant(TBytes{std::string(Bytes(row))});
    }
}

size_t TColumnStore::MemoryUsed() const {
    size_t n = 0;
    for (const auto& c : FChunks)
        n += c->Nulls.capacity() * 8 + c->Ints.capacity() * 8 + c->Floats.capacity() * 8 +
             c->Stamps.capacity() * sizeof(TSQLTimeStamp) + c->Ends.capacity() * 4 + c->WideEnds.capacity() * 8 +
             c->Arena.Capacity;
    return n;
}

void TColumnStore::Clear() {
    FChunks.clear();
    FCount = 0;
}
