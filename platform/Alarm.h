// An early-wake alarm for one thread: it sleeps at most a given time and is
// woken sooner by Ring. A futex on a generation counter: waking costs one
// atomic increment and a system call only while the owner really sleeps, so
// the host's request path never takes a lock for it.
#pragma once

#include <atomic>
#include <cstdint>

class TAlarm {
public:
    // Read before looking for work; a wake-up after this read ends the next
    // Wait at once, so no wake-up between the look and the sleep is lost.
    uint32_t Generation() const noexcept { return generace_.load(std::memory_order_acquire); }

    void Ring() noexcept {
        generace_.fetch_add(1, std::memory_order_seq_cst);
        if (spici_.load(std::memory_order_seq_cst) != 0) WakeSleepers();
    }

    // Sleeps until the generation differs from `videna` or `ms` have passed.
    void Wait(uint32_t videna, uint32_t ms) noexcept {
        spici_.fetch_add(1, std::memory_order_seq_cst);
        if (generace_.load(std::memory_order_seq_cst) == videna) SleepUnlessMoved(videna, ms);
        spici_.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    void WakeSleepers() noexcept;
    void SleepUnlessMoved(uint32_t videna, uint32_t ms) noexcept;

    std::atomic<uint32_t> generace_{0};
    std::atomic<uint32_t> spici_{0};
};
