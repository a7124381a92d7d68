// Seams that tests put into the driver: a clock a test moves by hand, a clock
// that raises an exception, and a thread starter that refuses a thread.
#pragma once

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <stdexcept>
#include <thread>

#include "platform/Clock.h"
#include "platform/Thread.h"

// The system's clocks read directly: the tests loaded with the library as a
// host have no platform layer of their own.
inline int64_t SystemMs(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Follows the system clocks until a test freezes the tick or sets the real time.
// A hook may take the next tick (or wall-clock) read on one named thread: it
// runs in that read and gives the value read, so a test can act at that
// very moment.
class TTestClock final : public TClock {
public:
    using THook = std::function<uint32_t(uint32_t tick)>;

    uint32_t Tick() const override {
        const uint32_t t = frozen_.load() ? tick_.load() : static_cast<uint32_t>(SystemMs(CLOCK_MONOTONIC));
        return hooked_.load() && !hookReal_ ? RunHook(t) : t;
    }
    // Before the driver's threads may read the clock again.
    void OnNextTickOf(const char* threadName, THook hook, bool realTime = false) {
        hookReal_ = realTime;
        hookThread_ = threadName;
        hook_ = std::move(hook);
        hooked_ = true;
    }
    bool HookRan() const { return ran_.load(); }
    int64_t RealMs() const override {
        const int64_t r = real_.load();
        const int64_t v = r != INT64_MIN ? r : SystemMs(CLOCK_REALTIME);
        if (hooked_.load() && hookReal_) RunHook(0);
        return v;
    }
    void Freeze(uint32_t t) { tick_ = t; frozen_ = true; }
    void SetRealMs(int64_t ms) { real_ = ms; }

private:
    uint32_t RunHook(uint32_t t) const {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        if (hookThread_ != name || !hooked_.exchange(false)) return t;
        const uint32_t v = hook_(t);
        ran_ = true;
        return v;
    }

    std::atomic<bool> frozen_{false};
    std::atomic<uint32_t> tick_{0};
    std::atomic<int64_t> real_{INT64_MIN};
    mutable std::atomic<bool> hooked_{false};
    mutable std::atomic<bool> ran_{false};
    bool hookReal_ = false;
    std::string hookThread_;
    THook hook_;
};

// The system's clocks, until armed: then the next call (of one thread, or of
// any) raises std::runtime_error, once.
class TThrowingClock final : public TClock {
public:
    void ThrowOnNextCall() { Arm(std::thread::id()); }
    void ThrowOnNextCallOf(std::thread::id t) { Arm(t); }
    bool Thrown() const { return thrown_.load(); }

    uint32_t Tick() const override {
        MaybeThrow();
        return static_cast<uint32_t>(SystemMs(CLOCK_MONOTONIC));
    }
    int64_t RealMs() const override {
        MaybeThrow();
        return SystemMs(CLOCK_REALTIME);
    }

private:
    void Arm(std::thread::id t) {
        only_.store(t);
        thrown_ = false;
        armed_ = true;
    }
    void MaybeThrow() const {
        const std::thread::id t = only_.load();
        if (!armed_.load() || (t != std::thread::id() && t != std::this_thread::get_id())) return;
        if (!armed_.exchange(false)) return;
        thrown_ = true;
        throw std::runtime_error("test clock");
    }

    mutable std::atomic<bool> armed_{false};
    mutable std::atomic<bool> thrown_{false};
    std::atomic<std::thread::id> only_{};
};

// Starts the first `allowed` threads and refuses every later one.
class TRefusingStarter final : public TThreadStart {
public:
    explicit TRefusingStarter(int allowed) : left_(allowed) {}
    bool Start(std::thread& t, std::function<void()> body) const override {
        if (left_.fetch_sub(1) <= 0) return false;
        return TThreadStart::Start(t, std::move(body));
    }

private:
    mutable std::atomic<int> left_;
};
