// The search's cores: every job of a round runs exactly once, whether its worker is quick,
// slow, or beaten to it by the caller, and callers meeting at the pool still get all jobs run.
#include "joining/SearchWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace korvalen {
namespace {

// Runs rounds of count jobs; job 0 (the caller's) takes callerMicros, the others otherMicros.
// Gives how often each job index ran, summed over all rounds.
std::vector<int> RunRounds(int rounds, int count, int callerMicros, int otherMicros) {
    std::vector<std::atomic<int>> ran(static_cast<size_t>(count));
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::atomic<int>> once(static_cast<size_t>(count));
        RunOnCores(count, [&](int index) {
            const int micros = index == 0 ? callerMicros : otherMicros;
            if (micros > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(micros));
            once[static_cast<size_t>(index)].fetch_add(1);
        });
        // Everything has run by the time the round returns.
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(once[static_cast<size_t>(i)].load(), 1) << "round " << r << " job " << i;
        for (int i = 0; i < count; ++i)
            ran[static_cast<size_t>(i)] += once[static_cast<size_t>(i)].load();
    }
    std::vector<int> counts;
    for (const std::atomic<int>& n : ran)
        counts.push_back(n.load());
    return counts;
}

TEST(SearchWorkers, EveryJobRunsOncePerRound) {
    struct Case {
        const char* name;
        int rounds;
        int count;
        int callerMicros;
        int otherMicros;
    };
    const int cores = SearchCores();
    for (const Case& c :
         {Case{"all at once", 2000, cores, 0, 0}, Case{"caller slow", 20, cores, 3000, 0},
          Case{"workers slow", 20, cores, 0, 3000}, Case{"one core", 20, 1, 0, 0},
          Case{"more than the cores", 20, cores + 2, 0, 100}}) {
        for (int n : RunRounds(c.rounds, c.count, c.callerMicros, c.otherMicros))
            EXPECT_EQ(n, c.rounds) << c.name;
    }
}

TEST(SearchWorkers, CallersMeetingAtThePoolBothGetEveryJobRun) {
    std::vector<int> first, second;
    std::thread other([&] { second = RunRounds(200, SearchCores(), 0, 50); });
    first = RunRounds(200, SearchCores(), 50, 0);
    other.join();
    for (int n : first)
        EXPECT_EQ(n, 200);
    for (int n : second)
        EXPECT_EQ(n, 200);
}

}  // namespace
}  // namespace korvalen
