#pragma once
// An allocator for large arrays: LargeVector<T> is a std::vector whose
// blocks of 2 MiB and more are mapped from the system directly, aligned to
// 2 MiB and marked for transparent huge pages. Filling such a block takes
// one page fault per 2 MiB instead of one per 4 KiB (page faults dominate
// the loading of large files otherwise), and freeing it returns the memory
// to the system at once, so a vector that grows leaves no holes behind.
// Smaller blocks, and every block in sanitizer builds (so they stay
// checked), come from operator new.
//
// Elements are default-initialised: resize leaves bytes that are about to
// be overwritten unwritten (a new mapping reads as zeros anyway).

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace pix {

inline constexpr size_t kLargeBlockBytes = size_t{2} << 20;

// Maps at least size bytes (size >= kLargeBlockBytes); throws std::bad_alloc.
void* MapLargeBlock(size_t size);
void UnmapLargeBlock(void* block, size_t size);
// Gives the system back the whole huge pages of [block, block + upTo) of
// a block from LargeAllocator of blockSize bytes; they read as zeros
// afterwards. Does nothing for blocks from operator new.
void ReleaseLargeBlockPages(void* block, size_t blockSize, size_t upTo);
// Whether blocks of size bytes are mapped.
bool IsMappedSize(size_t size);
// Marks the whole huge pages inside [p, p + size) of any allocation for
// transparent huge pages, before it is first written (a big buffer that
// is filled once then takes a page fault per 2 MiB). Only advice.
void AdviseHugePages(void* p, size_t size);

template <typename T>
class LargeAllocator {
public:
    using value_type = T;

    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }

    // Every element type here needs no more than operator new's alignment.
    T* allocate(size_t n)
    {
        if (n > SIZE_MAX / sizeof(T))
            throw std::bad_array_new_length();
        const size_t size = n * sizeof(T);
        if (IsMappedSize(size))
            return static_cast<T*>(MapLargeBlock(size));
        return static_cast<T*>(::operator new(size));
    }
    void deallocate(T* p, size_t n) noexcept
    {
        const size_t size = n * sizeof(T);
        if (IsMappedSize(size))
            UnmapLargeBlock(p, size);
        else
            ::operator delete(p);
    }

    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;
using LargeBytes = LargeVector<uint8_t>;

}  // namespace pix
