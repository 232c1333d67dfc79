#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace glidestone {

// Threads kept for the whole process's parallel work: the batch tool's
// pipeline, AnswerAll, Monte Carlo evaluation and the Python module's rows
// all run on the one pool (through TaskGroup). Much of that work is short (a
// request, a sample, a delivery: a tenth of a millisecond to a few), and
// starting and joining a thread for each call cost about as much as the work.
//
// Contract: Post runs a task exactly once on a pool thread, starting a new
// thread whenever no idle one is waiting, so tasks never wait for one
// another's threads (a task may wait for another task without deadlock).
// As many idle threads are kept as the machine has cores (more would find no
// core to run on), waiting without using a CPU; a thread that finishes a task
// while that many wait ends. Tasks must not
// throw. Thread-local state lives as long as a pool thread, so a task must
// not rely on finding it fresh.
class WorkerPool {
public:
    // The process's pool. Threads do not survive fork(): a child that calls
    // this gets a new pool (the parent's is left untouched there).
    static WorkerPool& Shared();

    // Throws std::system_error, without running the task, when the system
    // refuses to start a thread.
    void Post(std::function<void()> task);

private:
    explicit WorkerPool(pid_t owner);
    void Serve();

    pid_t const owner_;
    std::size_t const max_idle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::size_t idle_ = 0;  // threads not running a task, started or not
};

}  // namespace glidestone
