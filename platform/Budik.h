// An early-wake alarm for one thread: it sleeps at most a given time and is
// woken sooner by Vzbud. A futex on a generation counter: waking costs one
// atomic increment and a system call only while the owner really sleeps, so
// the host's request path never takes a lock for it.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <ctime>

class TBudik {
public:
    // Read before looking for work; a wake-up after this read ends the next
    // Cekej at once, so no wake-up between the look and the sleep is lost.
    uint32_t Generace() const noexcept { return generace_.load(std::memory_order_acquire); }

    void Vzbud() noexcept {
        generace_.fetch_add(1, std::memory_order_seq_cst);
        if (spici_.load(std::memory_order_seq_cst) != 0) Futex(FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr);
    }

    // Sleeps until the generation differs from `videna` or `ms` have passed.
    void Cekej(uint32_t videna, uint32_t ms) noexcept {
        spici_.fetch_add(1, std::memory_order_seq_cst);
        if (generace_.load(std::memory_order_seq_cst) == videna) {
            timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
            Futex(FUTEX_WAIT_PRIVATE, videna, &t);  // returns at once if the value moved on
        }
        spici_.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    void Futex(int op, uint32_t val, const timespec* t) noexcept {
        static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
        syscall(SYS_futex, reinterpret_cast<uint32_t*>(&generace_), op, val, t, nullptr, 0);
    }

    std::atomic<uint32_t> generace_{0};
    std::atomic<uint32_t> spici_{0};
};
