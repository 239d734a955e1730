#include "joining/SearchWorkers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace korvalen {
namespace {

constexpr int kMaxCores = 64;
// A thread waiting for the next round, or for the others to finish one, first watches for it
// this long before it sleeps: a search hands out rounds a fraction of a millisecond apart, and
// on a busy machine a sleeping thread may wait a whole scheduler tick to be woken. It gives
// way while it watches, so that on a busy machine the watching costs others nothing.
constexpr std::chrono::microseconds kWatchBeforeSleeping{2000};

// Watches until done() holds or the time is up; true when it holds.
template <typename Predicate>
bool WatchFor(Predicate done) {
    const auto until = std::chrono::steady_clock::now() + kWatchBeforeSleeping;
    for (int i = 1;; ++i) {
        if (done())
            return true;
        std::this_thread::yield();
        if (i % 4 == 0 && std::chrono::steady_clock::now() >= until)
            return done();
    }
}

// Threads started once and woken for each round; starting threads anew for every ring side
// would cost more than a small side takes to score.
class WorkerPool {
public:
    explicit WorkerPool(int workers) : claimed_(static_cast<size_t>(workers) + 1) {
        for (std::atomic<uint64_t>& c : claimed_)
            c.store(0, std::memory_order_relaxed);
        for (int i = 0; i < workers; ++i)
            threads_.emplace_back([this, i] { Work(i + 1); });
    }
    ~WorkerPool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    int Workers() const { return static_cast<int>(threads_.size()); }

    // False when another caller holds the pool.
    bool TryRun(int count, const std::function<void(int)>& job) {
        std::unique_lock round(roundMutex_, std::try_to_lock);
        if (!round.owns_lock())
            return false;
        uint64_t generation = 0;
        {
            std::lock_guard lock(mutex_);
            job_ = &job;
            jobCount_ = count;
            pending_.store(count - 1, std::memory_order_relaxed);
            generation = generation_.load(std::memory_order_relaxed) + 1;
            generation_.store(generation, std::memory_order_release);
        }
        wake_.notify_all();
        job(0);
        // The jobs of workers that have not begun yet run here rather than be waited for.
        for (int index = 1; index < count; ++index) {
            if (Claim(index, generation)) {
                job(index);
                pending_.fetch_sub(1, std::memory_order_acq_rel);
            }
        }
        auto finished = [this] { return pending_.load(std::memory_order_acquire) == 0; };
        if (!WatchFor(finished)) {
            std::unique_lock lock(mutex_);
            done_.wait(lock, finished);
        }
        std::lock_guard lock(mutex_);
        job_ = nullptr;
        return true;
    }

private:
    // Whoever first claims job index of a round runs it: its worker or the caller.
    bool Claim(int index, uint64_t generation) {
        std::atomic<uint64_t>& claimed = claimed_[static_cast<size_t>(index)];
        uint64_t before = claimed.load(std::memory_order_relaxed);
        while (before < generation) {
            if (claimed.compare_exchange_weak(before, generation, std::memory_order_acq_rel))
                return true;
        }
        return false;
    }

    void Work(int index) {
        uint64_t seen = 0;
        for (;;) {
            const std::function<void(int)>* job = nullptr;
            WatchFor([&] {
                return generation_.load(std::memory_order_acquire) != seen ||
                       stopping_.load(std::memory_order_relaxed);
            });
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_)
                    return;
                seen = generation_;
                if (index >= jobCount_ || !Claim(index, seen))
                    continue;
                job = job_;
            }
            (*job)(index);
            {
                std::lock_guard lock(mutex_);
                pending_.fetch_sub(1, std::memory_order_acq_rel);
            }
            done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::vector<std::atomic<uint64_t>> claimed_;  // the last round each job index was taken in
    std::mutex roundMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    int jobCount_ = 0;
    std::atomic<int> pending_{0};
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> stopping_{false};
};

WorkerPool& Pool() {
    static WorkerPool pool(SearchCores() - 1);
    return pool;
}

}  // namespace

int SearchCores() {
    static const int cores =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxCores);
    return cores;
}

void RunOnCores(int count, const std::function<void(int)>& job) {
    if (count > 1 && count - 1 <= Pool().Workers() && Pool().TryRun(count, job))
        return;
    for (int i = 0; i < count; ++i)
        job(i);
}

}  // namespace korvalen
