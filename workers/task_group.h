#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>

#include "workers/worker_pool.h"

namespace glidestone {

// Tasks run on the shared WorkerPool and waited for together, as threads
// started and joined would be, without starting any.
//
// Wait returns once every task started has returned, and rethrows the first
// exception a task threw (the others are dropped). A task that should stop
// early when another fails checks Failed() itself. The destructor waits too,
// so no task outlives the state it refers to. One group belongs to one
// thread: Run and Wait are not to be called from its tasks.
class TaskGroup {
public:
    explicit TaskGroup(WorkerPool& pool = WorkerPool::Shared()) : pool_(pool) {}
    ~TaskGroup();
    TaskGroup(const TaskGroup&) = delete;
    TaskGroup& operator=(const TaskGroup&) = delete;

    // Starts `task` on a pool thread. Throws std::system_error, without
    // running it, when the system refuses a thread; the tasks already
    // started go on.
    void Run(std::function<void()> task);

    void Wait();

    // Waits at most `timeout`: true when every task has returned (then Wait
    // returns at once, and rethrows a task's exception if there was one).
    bool WaitFor(std::chrono::milliseconds timeout);

    // A task has thrown.
    bool Failed() const;

private:
    WorkerPool& pool_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::size_t running_ = 0;
    std::exception_ptr failure_;
};

}  // namespace glidestone
