#include "LargeBlock.h"

#include <sys/mman.h>

#include <cstdint>

namespace largeblock {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
size_t RoundUp(size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
}  // namespace

void* Allocate(size_t bytes) {
    const size_t size = RoundUp(bytes);
    // Map one huge page more than needed and keep the aligned part: huge pages
    // need 2 MB aligned addresses.
    void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t begin = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (begin + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    if (aligned > begin) munmap(raw, aligned - begin);
    const uintptr_t end = begin + size + kHugePage;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(p, size, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
#endif
    return p;
}

void Free(void* p, size_t bytes) noexcept {
    if (p) munmap(p, RoundUp(bytes));
}

}  // namespace largeblock
