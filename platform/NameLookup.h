// The look-up of a gateway given by name, kept off the interface thread: a
// named look-up thread of its own runs getaddrinfo, and the interface
// thread only asks for a fresh look-up and reads the latest outcome, so a
// resolver that never answers stalls neither a send nor Done.
//
// A thread blocked in getaddrinfo cannot be interrupted. Stop joins the
// look-up thread when it is not inside getaddrinfo; otherwise it leaves it
// to end on its own, holding nothing but its small shared state, and keeps
// the library loaded, since that thread returns into the library's code.
// (glibc's getaddrinfo_a would leave no code of ours on the stack, but its
// helper threads are unknown to ThreadSanitizer, whose allocator then
// crashes in them.)
#pragma once

#include <netinet/in.h>

#include <memory>
#include <string>
#include <thread>

#include "platform/Thread.h"

enum class TNameState {
    Unknown,  // the first look-up of the name has no outcome yet
    Known,    // the latest finished look-up gave an address
    Failed,   // the latest finished look-up failed, or none could start
};

struct TLookupState;  // shared by the owner and its look-up thread

class TNameLookup {
public:
    TNameLookup() = default;
    ~TNameLookup() { Stop(); }
    TNameLookup(const TNameLookup&) = delete;
    TNameLookup& operator=(const TNameLookup&) = delete;

    // Who starts the look-up thread (null: the system) and its name.
    void SetThread(const TThreadStart* starter, const char* name);
    // What the latest finished look-up of `name` gave (the address in `a`
    // when Known). Asks for a fresh look-up whenever none is running or
    // waiting, so a changed address is followed from a later call on.
    TNameState Address(const std::string& name, in_addr& a);
    // Waits at most `ms` for a look-up to finish.
    void Await(int ms);
    // No more waiting for the first look-up: until one finishes, the name
    // counts as Failed.
    void StopWaiting() {
        if (known_ == TNameState::Unknown) known_ = TNameState::Failed;
    }
    // Ends the look-up thread as described above; Address starts a new one.
    void Stop();

private:
    bool StartThread();

    const TThreadStart* starter_ = nullptr;
    char threadName_[16] = {};
    std::shared_ptr<TLookupState> shared_;
    std::thread thread_;
    std::string name_;
    in_addr addr_{};
    TNameState known_ = TNameState::Unknown;
    uint32_t seen_ = 0;  // finished look-ups already taken
};
