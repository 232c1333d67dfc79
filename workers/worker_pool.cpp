#include "workers/worker_pool.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

namespace glidestone {

WorkerPool::WorkerPool(pid_t owner)
    : owner_(owner), max_idle_(std::max<std::size_t>(1, std::thread::hardware_concurrency())) {}

WorkerPool& WorkerPool::Shared() {
    // Never destroyed: its threads outlive every caller and may still be
    // waiting when the process exits. No lock: one held by another thread at
    // a fork() would stay held in the child.
    static std::atomic<WorkerPool*> pool{nullptr};
    pid_t const self = getpid();
    WorkerPool* current = pool.load(std::memory_order_acquire);
    if (current != nullptr && current->owner_ == self) return *current;
    auto* made = new WorkerPool(self);
    if (pool.compare_exchange_strong(current, made, std::memory_order_acq_rel)) return *made;
    delete made;  // another thread of this process made one first
    return *current;
}

void WorkerPool::Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    // Each queued task has an idle thread of its own.
    if (idle_ <= tasks_.size()) {
        std::thread(&WorkerPool::Serve, this).detach();  // throws std::system_error
        ++idle_;
    }
    tasks_.push_back(std::move(task));
    wake_.notify_one();
}

void WorkerPool::Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !tasks_.empty(); });
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        --idle_;
        lock.unlock();
        task();
        task = nullptr;  // what it holds goes before the thread waits again
        lock.lock();
        // Kept only while few enough wait: after a call that asked for many
        // threads (a thousand, say), their stacks go back to the system
        // instead of holding address space that later calls need.
        if (idle_ >= max_idle_) return;
        ++idle_;
    }
}

}  // namespace glidestone
