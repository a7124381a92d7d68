// Waiting for what a test looks for. The time given only guards against a
// hang: a busy machine may be slow, so no test asserts how long a wait took.
#pragma once

#include <chrono>
#include <thread>

constexpr int HangGuardMs = 20000;

// Asks `done` until it holds (true) or `ms` have passed (false); between
// two questions runs `between` (a main loop's dispatch, say) and sleeps `poll`.
template <class TDone, class TBetween>
bool WaitFor(TDone&& done, int ms, std::chrono::milliseconds poll, TBetween&& between) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        between();
        std::this_thread::sleep_for(poll);
    }
}

template <class TDone>
bool WaitFor(TDone&& done, int ms = HangGuardMs, std::chrono::milliseconds poll = std::chrono::milliseconds(1)) {
    return WaitFor(done, ms, poll, [] {});
}

// Runs `step` again and again for about `time` (a main loop dispatching, a
// stream of calls racing with other threads), sleeping `poll` in between.
template <class TStep>
void RepeatFor(std::chrono::milliseconds time, std::chrono::milliseconds poll, TStep&& step) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        step();
        std::this_thread::sleep_for(poll);
    }
}
