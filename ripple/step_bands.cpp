// The worker threads of the banded water step, and the table that ties each pool to the
// field that owns it. The table is plain, constant-initialised memory, usable from static
// destructors at process exit.
#include "ripple/step_bands.h"

#include <exception>

StepBandPool::StepBandPool(int workers)
{
    threads.reserve(workers > 0 ? workers : 0);
    try {
        for (int i = 0; i < workers; ++i) threads.emplace_back(&StepBandPool::Work, this, i + 1);
    } catch (...) {
        Stop();
        throw;
    }
}

StepBandPool::~StepBandPool()
{
    Stop();
}

void StepBandPool::Stop()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads) thread.join();
    threads.clear();
}

void StepBandPool::Run(int count, BandJob job, void* context)
{
    if (count > 1) {
        std::lock_guard<std::mutex> hold(lock);
        roundBands = count;
        unfinished = count - 1;
        roundJob = job;
        roundContext = context;
        ++round;
    }
    if (count > 1) wake.notify_all();
    job(context, 0);
    if (count > 1) {
        std::unique_lock<std::mutex> hold(lock);
        done.wait(hold, [this] { return unfinished == 0; });
    }
}

// Each worker owns one band number; a round with fewer bands leaves it idle.
void StepBandPool::Work(int band)
{
    uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        wake.wait(hold, [&] { return stopping || round != seen; });
        if (stopping) return;
        seen = round;
        if (band >= roundBands) continue;
        const BandJob job = roundJob;
        void* const context = roundContext;
        hold.unlock();
        job(context, band);
        hold.lock();
        if (--unfinished == 0) done.notify_one();
    }
}

namespace {

struct PoolEntry {
    const void* owner;
    StepBandPool* pool;
};

// Few fields live at once (one in the saver); an owner beyond the table steps alone.
const int POOL_TABLE_SIZE = 16;
PoolEntry g_pools[POOL_TABLE_SIZE];
std::mutex g_poolsLock;

StepBandPool* TakePool(const void* owner)
{
    std::lock_guard<std::mutex> hold(g_poolsLock);
    for (PoolEntry& entry : g_pools)
        if (entry.owner == owner && entry.pool) {
            StepBandPool* pool = entry.pool;
            entry = PoolEntry{nullptr, nullptr};
            return pool;
        }
    return nullptr;
}

}  // namespace

StepBandPool* StartStepBandPool(const void* owner, int bands)
{
    StopStepBandPool(owner);
    StepBandPool* pool = nullptr;
    try {
        pool = new StepBandPool(bands - 1);
    } catch (const std::exception&) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(g_poolsLock);
    for (PoolEntry& entry : g_pools)
        if (!entry.pool) {
            entry = PoolEntry{owner, pool};
            return pool;
        }
    delete pool;
    return nullptr;
}

StepBandPool* FindStepBandPool(const void* owner)
{
    std::lock_guard<std::mutex> hold(g_poolsLock);
    for (const PoolEntry& entry : g_pools)
        if (entry.owner == owner && entry.pool) return entry.pool;
    return nullptr;
}

void StopStepBandPool(const void* owner)
{
    delete TakePool(owner);
}
