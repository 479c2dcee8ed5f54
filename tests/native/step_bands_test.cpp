// The worker threads that share a water step: every band of a round runs once, the first on
// the calling thread, and the round has ended when Run returns; pools belong to an owner,
// which may replace or stop them, with or without work done.
#include "ripple/step_bands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

struct Round {
    std::vector<std::atomic<int>> runs;
    std::vector<std::thread::id> threads;
    explicit Round(int bands) : runs(bands), threads(bands) {}
};

void Count(void* context, int band)
{
    Round* round = static_cast<Round*>(context);
    round->runs[band]++;
    round->threads[band] = std::this_thread::get_id();
}

TEST(StepBandPool, EveryBandOfARoundRunsOnceAndTheFirstOnTheCaller)
{
    StepBandPool pool(6);
    ASSERT_EQ(7, pool.Bands());
    for (int repeat = 0; repeat < 200; ++repeat) {
        const int count = 1 + repeat % 7;
        Round round(count);
        pool.Run(count, Count, &round);
        for (int band = 0; band < count; ++band) ASSERT_EQ(1, round.runs[band].load()) << band;
        EXPECT_EQ(std::this_thread::get_id(), round.threads[0]);
        EXPECT_EQ(size_t(count), std::set<std::thread::id>(round.threads.begin(), round.threads.end()).size());
    }
}

TEST(StepBandPool, PoolsBelongToTheirOwnerAndAreReplacedOrStopped)
{
    int first = 0;
    int second = 0;
    EXPECT_EQ(nullptr, FindStepBandPool(&first));
    StepBandPool* pool = StartStepBandPool(&first, 3);
    ASSERT_NE(nullptr, pool);
    EXPECT_EQ(3, pool->Bands());
    EXPECT_EQ(pool, FindStepBandPool(&first));
    EXPECT_EQ(nullptr, FindStepBandPool(&second));

    StepBandPool* other = StartStepBandPool(&second, 2);
    StepBandPool* replaced = StartStepBandPool(&first, 4);
    ASSERT_NE(nullptr, replaced);
    EXPECT_EQ(4, replaced->Bands());
    EXPECT_EQ(replaced, FindStepBandPool(&first));
    EXPECT_EQ(other, FindStepBandPool(&second));

    StopStepBandPool(&first);
    StopStepBandPool(&first);
    EXPECT_EQ(nullptr, FindStepBandPool(&first));
    EXPECT_EQ(other, FindStepBandPool(&second));
    StopStepBandPool(&second);
    EXPECT_EQ(nullptr, FindStepBandPool(&second));
}

}  // namespace
