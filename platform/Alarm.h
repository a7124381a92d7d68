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
    uint32_t Generation() const noexcept { return generation_.load(std::memory_order_acquire); }

    void Ring() noexcept {
        generation_.fetch_add(1, std::memory_order_seq_cst);
        if (sleepers_.load(std::memory_order_seq_cst) != 0) WakeSleepers();
    }

    // Sleeps until the generation differs from `seen` or `ms` have passed.
    void Wait(uint32_t seen, uint32_t ms) noexcept {
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        if (generation_.load(std::memory_order_seq_cst) == seen) SleepUnlessMoved(seen, ms);
        sleepers_.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    void WakeSleepers() noexcept;
    void SleepUnlessMoved(uint32_t seen, uint32_t ms) noexcept;

    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> sleepers_{0};
};
