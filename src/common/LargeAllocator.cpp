#include "common/LargeAllocator.h"

#include <sys/mman.h>

namespace pix {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kMapBlocks = false;
#else
constexpr bool kMapBlocks = true;
#endif
#else
constexpr bool kMapBlocks = true;
#endif

size_t RoundUp(size_t size) { return (size + kLargeBlockBytes - 1) & ~(kLargeBlockBytes - 1); }

}  // namespace

bool IsMappedSize(size_t size) { return kMapBlocks && size >= kLargeBlockBytes; }

void* MapLargeBlock(size_t size)
{
    // Map 2 MiB more than needed and cut the ends off, so the block starts
    // on a huge-page boundary.
    const size_t rounded = RoundUp(size);
    if (rounded < size || rounded + kLargeBlockBytes < rounded)
        throw std::bad_alloc();
    const size_t mapped = rounded + kLargeBlockBytes;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + kLargeBlockBytes - 1) & ~uintptr_t{kLargeBlockBytes - 1};
    if (aligned > start)
        ::munmap(p, aligned - start);
    const uintptr_t end = aligned + rounded;
    if (start + mapped > end)
        ::munmap(reinterpret_cast<void*>(end), start + mapped - end);
    // Only advice: without transparent huge pages the block works as well.
    ::madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void UnmapLargeBlock(void* block, size_t size) { ::munmap(block, RoundUp(size)); }

void AdviseHugePages(void* p, size_t size)
{
    if (!IsMappedSize(size))
        return;
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t first = (start + kLargeBlockBytes - 1) & ~uintptr_t{kLargeBlockBytes - 1};
    const uintptr_t end = (start + size) & ~uintptr_t{kLargeBlockBytes - 1};
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

void ReleaseLargeBlockPages(void* block, size_t blockSize, size_t upTo)
{
    if (!IsMappedSize(blockSize))
        return;
    const size_t whole = upTo & ~(kLargeBlockBytes - 1);
    if (whole > 0)
        ::madvise(block, whole, MADV_DONTNEED);
}

}  // namespace pix
