#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace glidestone::python {

// Threads kept between calls for the module's short batches of work (a
// delivery or a shot a row, a tenth of a millisecond or so): starting and
// joining threads for every call cost about as much as the rows themselves
// when an environment steps two games at a time.
//
// Contract: Start(count, task) has `count` pool threads each run `task` once
// (a copy of it), starting threads when too few are idle, and returns how
// many took it: fewer than `count` only when the system refuses a thread.
// The caller must wait, by its own means, until every task it started has
// finished, and a task must not throw. Tasks of several callers may run at
// once. Threads never end; they wait, without a CPU, for the next task.
class RowPool {
public:
    // The process's pool. Threads do not survive fork(): a child gets a new
    // pool (the parent's is left untouched). Call with the GIL held.
    static RowPool& Get();

    std::size_t Start(std::size_t count, const std::function<void()>& task);

private:
    explicit RowPool(pid_t owner) : owner_(owner) {}
    void Serve();

    pid_t const owner_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::size_t idle_ = 0;  // threads not running a task, started or not
};

}  // namespace glidestone::python
