#include "workers/task_group.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
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

// The pool's threads are kept: a second round of work finds them idle.
TEST(TaskGroupTest, ThreadsAreKeptBetweenGroups) {
    auto ids = [] {
        std::vector<std::thread::id> seen(4);
        std::atomic<int> arrived{0};
        TaskGroup group;
        for (int i = 0; i < 4; ++i) {
            group.Run([&, i] {
                seen[static_cast<std::size_t>(i)] = std::this_thread::get_id();
                ++arrived;
                while (arrived.load() < 4) std::this_thread::yield();  // four threads at once
            });
        }
        group.Wait();
        std::sort(seen.begin(), seen.end());
        return seen;
    };
    std::vector<std::thread::id> const first = ids();
    EXPECT_EQ(ids(), first);
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
