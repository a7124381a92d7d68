// The driver's threads: a base class with start, stop request, wake-up and
// join around a virtual Execute, and the seam that creates the system thread.
// Production starts a system thread; a test puts in a starter that refuses,
// to see what the driver does when the system has no thread to give.
#pragma once

#include <atomic>
#include <functional>
#include <system_error>
#include <thread>

#include "platform/Budik.h"

class TThreadStart {
public:
    virtual ~TThreadStart() = default;
    // Runs `body` on a new thread held by `t`; false when none was created.
    virtual bool Start(std::thread& t, std::function<void()> body) const {
        try {
            t = std::thread(std::move(body));
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
};

class TThread {
public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts Execute on a thread called `name` (15 characters at most, as
    // top, gdb and perf show it); false when none could be created. A null
    // starter means the system's.
    bool Start(const TThreadStart* starter, const char* name);
    void Stop();  // stop request; waits in Execute end at once
    void Join();  // waits for the thread's end (never from the thread itself)
    void Wake() { alarm_->Vzbud(); }  // ends the current or next wait early
    bool Stopping() const { return stop_.load(std::memory_order_acquire); }

protected:
    // Waits are taken on `alarm`: the thread's own, or one that others ring
    // without holding the thread object.
    explicit TThread(TBudik* alarm = nullptr) : alarm_(alarm != nullptr ? alarm : &own_) {}
    // Derived classes call Stop and Join in their own destructor: Execute
    // must not run while the derived part is being destroyed.
    virtual ~TThread();
    virtual void Execute() = 0;
    TBudik& Alarm() { return *alarm_; }

private:
    TBudik own_;
    TBudik* alarm_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Sleeps the calling thread for `ms` milliseconds.
void SleepMs(int ms);
