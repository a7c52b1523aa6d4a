// Storage for large arrays (millions of ranges of a big script). Blocks of
// 4 MB and more come straight from the system, in huge pages where it offers
// them, so that filling them does not take a page fault every 4 KB; smaller
// ones come from the ordinary heap.
#pragma once
#include <cstddef>
#include <new>

namespace largeblock {

inline constexpr size_t kThreshold = size_t{4} << 20;

void* Allocate(size_t bytes);               // raises std::bad_alloc
void Free(void* p, size_t bytes) noexcept;  // bytes as given to Allocate

// A std::allocator stand-in for vectors that may grow large.
template <class T>
struct Allocator {
    using value_type = T;
    Allocator() noexcept = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept {}
    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        return static_cast<T*>(bytes >= kThreshold ? Allocate(bytes) : ::operator new(bytes));
    }
    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (bytes >= kThreshold) Free(p, bytes);
        else ::operator delete(p);
    }
    template <class U>
    bool operator==(const Allocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const Allocator<U>&) const noexcept { return false; }
};

}  // namespace largeblock
