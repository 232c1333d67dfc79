#include "workers/task_group.h"

#include <utility>

namespace glidestone {

TaskGroup::~TaskGroup() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return running_ == 0; });
}

void TaskGroup::Run(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    try {
        pool_.Post([this, task = std::move(task)] {
            std::exception_ptr failure;
            try {
                task();
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard lock(mutex_);
            if (failure && !failure_) failure_ = std::move(failure);
            // Notified under the lock: the group may be destroyed as soon as
            // its waiter sees the count reach zero.
            if (--running_ == 0) finished_.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(mutex_);
        --running_;
        throw;
    }
}

void TaskGroup::Wait() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return running_ == 0; });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

bool TaskGroup::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

bool TaskGroup::Failed() const {
    std::lock_guard lock(mutex_);
    return failure_ != nullptr;
}

}  // namespace glidestone
