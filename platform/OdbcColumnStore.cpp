#include "OdbcColumnStore.h"

#include "CP932.h"

TColumnStore::Chunk& TColumnStore::Tail() {
    if ((FCount & kMask) == 0 && FCount >> kShift == FChunks.size()) {
        auto c = std::make_unique<Chunk>();
        c->Nulls.assign(kChunkRows / 64, 0);
        switch (FStorage) {
        case csInteger: c->Ints.reserve(kChunkRows); break;
        case csFloat: c->Floats.reserve(kChunkRows); break;
        case csTimeStamp: c->Stamps.reserve(kChunkRows); break;
        default: c->Ends.reserve(kChunkRows); break;
        }
        FChunks.push_back(std::move(c));
    }
    return *FChunks.back();
}

void TColumnStore::AppendNull() {
    Chunk& c = Tail();
    MarkNull(c, FCount & kMask);
    switch (FStorage) {
    case csInteger: c.Ints.push_back(0); break;
    case csFloat: c.Floats.push_back(0); break;
    case csTimeStamp: c.Stamps.emplace_back(); break;
    default: c.Ends.push_back(c.Arena.size()); break;
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
    c.Arena.append(v.data(), v.size());
    c.Ends.push_back(c.Arena.size());
    ++FCount;
}

bool TColumnStore::AppendUtf16(std::u16string_view v) {
    Chunk& c = Tail();
    bool lossy = false;
    cp932::AppendFromUtf16(v, c.Arena, &lossy);
    c.Ends.push_back(c.Arena.size());
    ++FCount;
    return lossy;
}

bool TColumnStore::AppendApiText(std::string_view bytes, bool utf8) {
    Chunk& c = Tail();
    bool lossy = false;
    if (utf8) cp932::AppendFromUtf8(bytes, c.Arena, &lossy);
    else cp932::AppendFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2), c.Arena, &lossy);
    c.Ends.push_back(c.Arena.size());
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
             c->Stamps.capacity() * sizeof(TSQLTimeStamp) + c->Ends.capacity() * 8 + c->Arena.capacity();
    return n;
}

void TColumnStore::Clear() {
    FChunks.clear();
    FCount = 0;
}
