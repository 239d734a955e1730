#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace korvalen {

// Memory for bitmap pixels. Large buffers are aligned to 2 MiB and, on Linux, asked to be
// backed by huge pages: a map of many megapixels is otherwise filled one 4 KiB page fault
// at a time, which costs more than decoding or composing it.
uint8_t* AllocatePixelMemory(size_t bytes);
void FreePixelMemory(uint8_t* memory, size_t bytes);

// The bytes of one bitmap. A new buffer's bytes are unset: its owner fills them before anyone
// reads them. Behind the last byte lie kSlack more that may be read, never written, so pixel
// loops can load a 3-byte pixel as one 4-byte word.
class PixelBuffer {
public:
    static constexpr size_t kSlack = 8;

    PixelBuffer() = default;
    explicit PixelBuffer(size_t bytes);
    PixelBuffer(const PixelBuffer& other);
    PixelBuffer& operator=(const PixelBuffer& other);
    PixelBuffer(PixelBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        PixelBuffer moved(std::move(other));
        Swap(moved);
        return *this;
    }
    ~PixelBuffer();

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    void Swap(PixelBuffer& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Faults the pages of a new buffer in, front to back, on a thread of its own, while one writer
// fills it in the same order: the kernel clears the pages beside the writer instead of in its
// way. Only the kernel touches the memory (no byte is written), so the writer needs no locking.
// Stops, and is waited for, when destroyed. Does nothing for small buffers or where the system
// cannot populate pages on request.
class PageWarmer {
public:
    PageWarmer() = default;
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;
    ~PageWarmer() { Stop(); }

    void Start(uint8_t* memory, size_t bytes);
    void Stop();

private:
    struct Worker;
    Worker* worker_ = nullptr;
};

}  // namespace korvalen
