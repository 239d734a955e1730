#pragma once

#include <functional>

namespace korvalen {

// The cores a search may use.
int SearchCores();

// Runs job(0) .. job(count - 1) at the same time, job(0) on the calling thread and the others
// on worker threads kept for the whole program, and returns when all have finished; a job
// whose worker has not begun it by the time job(0) is done runs on the calling thread. When
// the workers are busy for another caller, or count is 1, all jobs run one after another here.
void RunOnCores(int count, const std::function<void(int)>& job);

}  // namespace korvalen
