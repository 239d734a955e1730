#include "joining/SearchWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace korvalen {
namespace {

constexpr int kMaxCores = 64;

// Threads started once and woken for each round; starting threads anew for every ring side
// would cost more than a small side takes to score.
class WorkerPool {
public:
    explicit WorkerPool(int workers) {
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
        {
            std::lock_guard lock(mutex_);
            job_ = &job;
            jobCount_ = count;
            pending_ = count - 1;
            ++generation_;
        }
        wake_.notify_all();
        job(0);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
        job_ = nullptr;
        return true;
    }

private:
    void Work(int index) {
        uint64_t seen = 0;
        for (;;) {
            const std::function<void(int)>* job = nullptr;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_)
                    return;
                seen = generation_;
                if (index >= jobCount_)
                    continue;
                job = job_;
            }
            (*job)(index);
            {
                std::lock_guard lock(mutex_);
                --pending_;
            }
            done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex roundMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    int jobCount_ = 0;
    int pending_ = 0;
    uint64_t generation_ = 0;
    bool stopping_ = false;
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
