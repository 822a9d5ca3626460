// OutputThread: jobs run in the order posted, and the wait sees what they wrote. A job stuck
// (as a write to a pipe nobody reads) holds neither the poster, nor the wait past its deadline,
// nor the destructor; the jobs behind it are dropped, and it ends on its own when let go.
#include "platform/OutputThread.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(OutputThread, JobsRunInTheOrderPostedAndTheWaitSeesWhatTheyDid)
{
    std::vector<int> done;
    OutputThread worker;
    for (int i = 0; i < 1000; ++i)
        worker.post([&done, i] { done.push_back(i); });
    ASSERT_TRUE(worker.waitUntilDone(Clock::time_point::max()));
    ASSERT_EQ(done.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(done[static_cast<std::size_t>(i)], i);
    worker.post([&done] { done.push_back(-1); });
    EXPECT_TRUE(worker.waitUntilDone(Clock::now() + 10s));
    EXPECT_EQ(done.back(), -1);
}

TEST(OutputThread, AStuckJobHoldsNeitherThePosterNorTheWaitNorTheDestructor)
{
    struct Shared {
        std::promise<void> release;
        std::atomic<bool> stuckEnded{false};
        std::atomic<int> laterRan{0};
    };
    auto shared = std::make_shared<Shared>();
    std::shared_future<void> released = shared->release.get_future().share();
    {
        OutputThread worker;
        worker.post([shared, released] {
            released.wait();
            shared->stuckEnded = true;
        });
        const Clock::time_point before = Clock::now();
        for (int i = 0; i < 100; ++i)
            worker.post([shared] { ++shared->laterRan; });
        EXPECT_FALSE(worker.waitUntilDone(Clock::now() + 100ms));
        EXPECT_LT(Clock::now() - before, 5s);
    } // destroyed with its job stuck
    EXPECT_FALSE(shared->stuckEnded);
    shared->release.set_value();
    const Clock::time_point deadline = Clock::now() + 10s;
    while (!shared->stuckEnded && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(shared->stuckEnded) << "the stuck job did not end once let go";
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(shared->laterRan, 0) << "jobs behind the stuck one ran after the destructor";
}

} // namespace
