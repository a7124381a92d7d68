#include "platform/Alarm.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>

namespace {

long Futex(std::atomic<uint32_t>& word, int op, uint32_t val, const timespec* t) noexcept {
    static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), op, val, t, nullptr, 0);
}

}  // namespace

void TAlarm::WakeSleepers() noexcept { Futex(generation_, FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr); }

// Returns at once if the generation moved on before the kernel looked.
void TAlarm::SleepUnlessMoved(uint32_t seen, uint32_t ms) noexcept {
    const timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    Futex(generation_, FUTEX_WAIT_PRIVATE, seen, &t);
}
