#include "images/PixelMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

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

PixelBuffer::PixelBuffer(size_t bytes) {
    if (bytes == 0)
        return;
    data_ = AllocatePixelMemory(bytes + kSlack);
    size_ = bytes;
    std::memset(data_ + bytes, 0, kSlack);  // read past a row's end, never used; still defined
}

PixelBuffer::PixelBuffer(const PixelBuffer& other) : PixelBuffer(other.size_) {
    if (size_)
        std::memcpy(data_, other.data_, size_);
}

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other) {
    if (this != &other) {
        PixelBuffer copy(other);
        Swap(copy);
    }
    return *this;
}

PixelBuffer::~PixelBuffer() {
    if (data_)
        FreePixelMemory(data_, size_ + kSlack);
}

struct PageWarmer::Worker {
    std::atomic<bool> stop{false};
    std::thread thread;
};

void PageWarmer::Start([[maybe_unused]] uint8_t* memory, [[maybe_unused]] size_t bytes) {
    Stop();
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (bytes < kHugeFrom)
        return;
    constexpr uintptr_t kPage = 4096;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(memory) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(kPage - 1);
    if (first >= end)
        return;
    try {
        worker_ = new Worker;
        worker_->thread = std::thread([worker = worker_, first, end] {
            for (uintptr_t at = first; at < end && !worker->stop.load(std::memory_order_relaxed);
                 at += kHugePage) {
                const size_t length = std::min<uintptr_t>(kHugePage, end - at);
                if (madvise(reinterpret_cast<void*>(at), length, MADV_POPULATE_WRITE) != 0)
                    break;  // not supported, or no memory: the writer faults the pages itself
            }
        });
    } catch (const std::exception&) {
        delete worker_;  // no thread to spare: the writer faults the pages itself
        worker_ = nullptr;
    }
#endif
}

void PageWarmer::Stop() {
    if (!worker_)
        return;
    worker_->stop.store(true, std::memory_order_relaxed);
    if (worker_->thread.joinable())
        worker_->thread.join();
    delete worker_;
    worker_ = nullptr;
}

}  // namespace korvalen
