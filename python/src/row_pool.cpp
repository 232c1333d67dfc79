#include "python/src/row_pool.h"

#include <unistd.h>

#include <system_error>
#include <thread>
#include <utility>

namespace glidestone::python {

RowPool& RowPool::Get() {
    // Never destroyed: its threads outlive every caller and may still be
    // waiting when the process exits.
    static RowPool* pool = nullptr;
    pid_t const self = getpid();
    if (pool == nullptr || pool->owner_ != self) pool = new RowPool(self);
    return *pool;
}

std::size_t RowPool::Start(std::size_t count, const std::function<void()>& task) {
    std::lock_guard lock(mutex_);
    // Each queued task waits for an idle thread of its own.
    std::size_t taken = 0;
    for (; taken < count; ++taken) {
        if (idle_ <= tasks_.size()) {
            try {
                std::thread(&RowPool::Serve, this).detach();
            } catch (const std::system_error&) {
                break;
            }
            ++idle_;
        }
        tasks_.push_back(task);
    }
    if (taken == 1)
        wake_.notify_one();
    else if (taken > 1)
        wake_.notify_all();
    return taken;
}

void RowPool::Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !tasks_.empty(); });
        std::function<void()> const task = std::move(tasks_.front());
        tasks_.pop_front();
        --idle_;
        lock.unlock();
        task();
        lock.lock();
        ++idle_;
    }
}

}  // namespace glidestone::python
