// Large images written as JPEG in strips encoded side by side.
#include "images/JpegStrips.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

namespace korvalen {
namespace {

// A strip of 128 rows is eight MCU rows of 16. Encoded on its own with a restart marker after
// every MCU row, its entropy-coded data is exactly the part a single encoder with the same
// restarts would write for those rows: the DC predictions start anew at every restart, and
// since each strip begins at a multiple of eight MCU rows its markers RST0..RST7 are numbered
// as in the whole image. Joined with RST7 between them, under the first strip's headers with
// the full height, the strips make that whole-image file, whatever the number of threads.

constexpr int kStripRows = 128;
// Smaller images are encoded in one piece, without restart markers.
constexpr uint64_t kStripMinPixels = uint64_t{1} << 21;
constexpr unsigned kMaxEncoderThreads = 4;
// How far the helpers may run ahead of the strip being written: finished strips wait in
// memory until their turn, and this keeps them few.
constexpr int kStripsAhead = 2 * kMaxEncoderThreads;

// Where a strip's stream keeps its height (in the frame header) and its entropy-coded data
// (from the end of the scan header to the end-of-image marker).
struct StripStream {
    size_t heightAt = 0;
    size_t dataBegin = 0;
    size_t dataEnd = 0;
};

bool FindStripParts(const std::vector<uint8_t>& bytes, StripStream& parts) {
    const size_t size = bytes.size();
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[size - 2] != 0xFF ||
        bytes[size - 1] != 0xD9)
        return false;
    size_t at = 2;
    while (at + 4 <= size && bytes[at] == 0xFF) {
        const uint8_t marker = bytes[at + 1];
        const size_t length = size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (marker == 0xC0 && at + 7 <= size)
            parts.heightAt = at + 5;
        if (marker == 0xDA) {
            parts.dataBegin = at + 2 + length;
            parts.dataEnd = size - 2;
            return parts.heightAt != 0 && parts.dataBegin <= parts.dataEnd;
        }
        at += 2 + length;
    }
    return false;
}

struct EncodedStrip {
    std::vector<uint8_t> bytes;
    std::string error;
    bool done = false;
    bool ok = false;
};

// The strips of one image, taken in order by whichever thread is free.
class StripQueue {
public:
    StripQueue(const Bitmap& bitmap, int quality)
        : bitmap_(bitmap),
          quality_(quality),
          strips_((bitmap.Height() + kStripRows - 1) / kStripRows),
          results_(static_cast<size_t>(strips_)) {}

    int Count() const { return strips_; }

    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        ready_.notify_all();
    }

    // Strip s is in the file: the helpers may go further.
    void Written(int s) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            written_ = s + 1;
        }
        ready_.notify_all();
    }

    // Encodes the next strip nobody has taken; false when none is left. A helper waits while
    // that strip is too far ahead of the writer; the writing thread never waits here.
    bool EncodeNext(bool helper) {
        const int s = next_.fetch_add(1);
        if (s >= strips_ || stop_)
            return false;
        if (helper) {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [&] { return stop_ || s < written_ + kStripsAhead; });
            if (stop_)
                return false;
        }
        EncodedStrip strip;
        const int first = s * kStripRows;
        const int rows = std::min(kStripRows, bitmap_.Height() - first);
        strip.ok = EncodeJpegStrip(bitmap_, quality_, first, rows, strip.bytes, strip.error);
        strip.done = true;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            results_[static_cast<size_t>(s)] = std::move(strip);
        }
        ready_.notify_all();
        return true;
    }

    // Strip s once it is encoded; the calling thread encodes other strips while it waits.
    EncodedStrip Take(int s) {
        EncodedStrip& wanted = results_[static_cast<size_t>(s)];
        for (;;) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (wanted.done)
                    break;
            }
            if (!EncodeNext(false)) {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [&] { return wanted.done; });
                break;
            }
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        return std::move(wanted);
    }

private:
    const Bitmap& bitmap_;
    const int quality_;
    const int strips_;
    std::vector<EncodedStrip> results_;
    std::atomic<int> next_{0};
    std::atomic<bool> stop_{false};
    int written_ = 0;  // strips in the file; guarded by mutex_
    std::mutex mutex_;
    std::condition_variable ready_;
};

// Helper threads that stop and are joined however the write ends.
class EncoderThreads {
public:
    explicit EncoderThreads(StripQueue& queue) : queue_(queue) {
        const unsigned cores = std::thread::hardware_concurrency();
        const unsigned helpers = std::min(cores, kMaxEncoderThreads);
        for (unsigned i = 1; i < helpers && int(i) < queue.Count(); ++i) {
            try {
                threads_.emplace_back([&queue] {
                    while (queue.EncodeNext(true)) {
                    }
                });
            } catch (const std::exception&) {
                break;  // fewer helpers; the caller's thread does the rest
            }
        }
    }
    ~EncoderThreads() {
        queue_.Stop();
        for (std::thread& thread : threads_)
            thread.join();
    }
    EncoderThreads(const EncoderThreads&) = delete;
    EncoderThreads& operator=(const EncoderThreads&) = delete;

private:
    StripQueue& queue_;
    std::vector<std::thread> threads_;
};

}  // namespace

bool UsesJpegStrips(const Bitmap& bitmap) {
    return bitmap.Height() > kStripRows &&
           uint64_t(bitmap.Width()) * uint64_t(bitmap.Height()) >= kStripMinPixels;
}

// Writes a large image strip by strip as the strips come in, in order. The progress hears of
// every strip written, always on the calling thread.
bool WriteJpegStrips(const Bitmap& bitmap, int quality, std::FILE* file,
                     const WriteProgress& progress, std::string& error) {
    const auto put = [file](const uint8_t* data, size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    };
    StripQueue queue(bitmap, quality);
    const EncoderThreads helpers(queue);
    for (int s = 0; s < queue.Count(); ++s) {
        EncodedStrip strip = queue.Take(s);
        StripStream parts;
        if (!strip.ok) {
            error = strip.error;
            return false;
        }
        if (!FindStripParts(strip.bytes, parts)) {
            error = "Cannot encode JPEG: the encoder wrote an unexpected stream";
            return false;
        }
        bool written = true;
        if (s == 0) {
            std::vector<uint8_t> headers(strip.bytes.begin(),
                                         strip.bytes.begin() + static_cast<long>(parts.dataBegin));
            headers[parts.heightAt] = static_cast<uint8_t>(bitmap.Height() >> 8);
            headers[parts.heightAt + 1] = static_cast<uint8_t>(bitmap.Height() & 0xFF);
            written = put(headers.data(), headers.size());
        } else {
            const uint8_t restart[2] = {0xFF, 0xD7};
            written = put(restart, 2);
        }
        written =
            written && put(strip.bytes.data() + parts.dataBegin, parts.dataEnd - parts.dataBegin);
        if (!written) {
            error = std::strerror(errno);
            return false;
        }
        queue.Written(s);
        const int rowsDone = std::min(bitmap.Height(), (s + 1) * kStripRows);
        if (progress && !progress(rowsDone, bitmap.Height())) {
            error = "the write was cancelled";
            return false;
        }
    }
    const uint8_t end[2] = {0xFF, 0xD9};
    if (!put(end, 2)) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace korvalen
