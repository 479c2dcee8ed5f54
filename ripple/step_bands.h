// Worker threads that share the rows of a water step on very large screens. The thread that
// steps the water takes the first band itself and waits for the others, so the step has
// ended when it returns; the workers compute rows and nothing else (no window, no drawing
// through the platform).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The work of one band: band runs from 0 to the count given to Run.
typedef void (*BandJob)(void* context, int band);

class StepBandPool {
public:
    // Starts the workers; throws what std::thread throws when the system refuses a thread.
    explicit StepBandPool(int workers);
    ~StepBandPool();  // lets the workers finish and joins them
    StepBandPool(const StepBandPool&) = delete;
    StepBandPool& operator=(const StepBandPool&) = delete;

    int Bands() const { return int(threads.size()) + 1; }

    // Runs bands 1..count-1 on the workers and band 0 on the calling thread, and returns
    // when all are done. count must lie in 1..Bands().
    void Run(int count, BandJob job, void* context);

private:
    void Work(int band);
    void Stop();

    std::mutex lock;
    std::condition_variable wake;  // a new round of bands, or the end
    std::condition_variable done;  // the last worker of a round has finished
    std::vector<std::thread> threads;
    uint64_t round = 0;
    int roundBands = 0;
    int unfinished = 0;
    BandJob roundJob = nullptr;
    void* roundContext = nullptr;
    bool stopping = false;
};

// Pools belong to an owner, found by its address, so that the owner's record may stay plain
// memory that is cleared and copied without ceremony. Starting replaces and stops the
// owner's previous pool; it returns null when no pool could be started.
StepBandPool* StartStepBandPool(const void* owner, int bands);
StepBandPool* FindStepBandPool(const void* owner);
void StopStepBandPool(const void* owner);
