#pragma once

#include <cstddef>
#include <cstdint>

namespace korvalen {

// Memory for bitmap pixels. Large buffers are aligned to 2 MiB and, on Linux, asked to be
// backed by huge pages: a map of many megapixels is otherwise filled one 4 KiB page fault
// at a time, which costs more than decoding or composing it.
uint8_t* AllocatePixelMemory(size_t bytes);
void FreePixelMemory(uint8_t* memory, size_t bytes);

template <class T>
struct PixelAllocator {
    static_assert(sizeof(T) == 1, "pixel memory holds bytes");
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) {}
    T* allocate(size_t n) { return reinterpret_cast<T*>(AllocatePixelMemory(n)); }
    void deallocate(T* p, size_t n) { FreePixelMemory(reinterpret_cast<uint8_t*>(p), n); }
    friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

}  // namespace korvalen
