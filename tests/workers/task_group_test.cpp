#include "workers/task_group.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

namespace glidestone {
namespace {

TEST(TaskGroupTest, EveryTaskRunsOnceBeforeWaitReturns) {
    std::vector<std::atomic<int>> runs(64);
    TaskGroup group;
    for (auto& count : runs) group.Run([&count] { ++count; });
    group.Wait();
    for (const auto& count : runs) EXPECT_EQ(count.load(), 1);
}

// The pool starts a thread whenever none is idle, so a task may wait for one
// started after it: the batch tool's workers wait for its reader and its
// writer for the workers.
TEST(TaskGroupTest, ATaskMayWaitForOneStartedAfterIt) {
    std::promise<void> later;
    std::shared_future<void> ready = later.get_future().share();
    std::atomic<bool> first_done{false};
    TaskGroup group;
    group.Run([&] {
        ready.wait();
        first_done = true;
    });
    group.Run([&] { later.set_value(); });
    group.Wait();
    EXPECT_TRUE(first_done);
}

TEST(TaskGroupTest, WaitRethrowsTheFirstFailureAfterAllHaveFinished) {
    std::atomic<int> finished{0};
    TaskGroup group;
    group.Run([] { throw std::runtime_error("first"); });
    // The second waits until the first has failed, then fails too.
    group.Run([&] {
        while (!group.Failed()) std::this_thread::yield();
        throw std::runtime_error("second");
    });
    group.Run([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++finished;
    });
    try {
        group.Wait();
        ADD_FAILURE() << "no failure reported";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "first");
    }
    EXPECT_EQ(finished.load(), 1);
    group.Wait();  // reported once
}

TEST(TaskGroupTest, WaitForReportsWhetherAllHaveFinished) {
    std::promise<void> release;
    std::shared_future<void> go = release.get_future().share();
    TaskGroup group;
    group.Run([go] { go.wait(); });
    EXPECT_FALSE(group.WaitFor(std::chrono::milliseconds(10)));
    release.set_value();
    EXPECT_TRUE(group.WaitFor(std::chrono::seconds(30)));
    group.Wait();
}

// Runs `count` tasks that all wait until every one has begun (so each has a
// thread of its own), and returns their threads' ids, sorted.
std::vector<std::thread::id> ThreadsOfTasksAtOnce(std::size_t count) {
    std::vector<std::thread::id> seen(count);
    std::atomic<std::size_t> arrived{0};
    TaskGroup group;
    for (std::size_t i = 0; i < count; ++i) {
        group.Run([&, i] {
            seen[i] = std::this_thread::get_id();
            ++arrived;
            while (arrived.load() < count) std::this_thread::yield();
        });
    }
    group.Wait();
    std::sort(seen.begin(), seen.end());
    return seen;
}

std::size_t ThreadsOfThisProcess() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator()));
}

std::size_t Cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// As many threads as there are cores are kept: a later round of work runs on
// threads that ran tasks before. A thread goes back to waiting just after its
// task has reported done, so a round that follows at once may still start a
// new one; later rounds find them all.
TEST(TaskGroupTest, ThreadsAreKeptBetweenGroups) {
    thread_local int tasks_run_here = 0;
    auto round = [] {
        std::size_t const count = Cores();
        std::atomic<std::size_t> arrived{0};
        std::atomic<int> fresh{0};
        TaskGroup group;
        for (std::size_t i = 0; i < count; ++i) {
            group.Run([&] {
                if (++tasks_run_here == 1) ++fresh;
                ++arrived;
                while (arrived.load() < count) std::this_thread::yield();
            });
        }
        group.Wait();
        return fresh.load();
    };
    round();
    int fresh = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        fresh = round();
        if (fresh == 0) break;
    }
    EXPECT_EQ(fresh, 0) << "threads that never ran a task before";
}

// A burst of many more tasks than cores leaves no more threads behind than
// there are cores: their stacks are the system's again.
TEST(TaskGroupTest, ABurstLeavesOnlyAsManyThreadsAsCores) {
    std::size_t const before = ThreadsOfThisProcess();
    ThreadsOfTasksAtOnce(Cores() + 24);
    // The threads beyond the kept ones end just after their tasks return.
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ThreadsOfThisProcess() > before + Cores() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_LE(ThreadsOfThisProcess(), before + Cores());
}

TEST(TaskGroupTest, TheDestructorWaitsForTheTasks) {
    std::atomic<bool> done{false};
    {
        TaskGroup group;
        group.Run([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            done = true;
        });
    }
    EXPECT_TRUE(done);
}

}  // namespace
}  // namespace glidestone
