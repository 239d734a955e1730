#include "images/PixelMemory.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace korvalen {
namespace {

#ifdef __linux__
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kHugeFrom = size_t{8} << 20;  // smaller buffers are not worth a huge page

size_t RoundedToHugePages(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
#endif

}  // namespace

uint8_t* AllocatePixelMemory(size_t bytes) {
#ifdef __linux__
    if (bytes >= kHugeFrom) {
        const size_t rounded = RoundedToHugePages(bytes);
        void* memory = std::aligned_alloc(kHugePage, rounded);
        if (!memory)
            throw std::bad_alloc();
        madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: failure only costs speed
        return static_cast<uint8_t*>(memory);
    }
#endif
    return static_cast<uint8_t*>(::operator new(bytes));
}

void FreePixelMemory(uint8_t* memory, size_t bytes) {
#ifdef __linux__
    if (bytes >= kHugeFrom) {
        std::free(memory);
        return;
    }
#endif
    ::operator delete(memory);
}

}  // namespace korvalen
