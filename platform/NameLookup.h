// The look-up of a gateway given by name, kept off the interface thread.
//
// glibc's getaddrinfo_a resolves in helper threads of glibc's own; the
// interface thread only starts a look-up and later reads its outcome, so a
// resolver that never answers stalls neither a send nor Done. A blocked
// getaddrinfo cannot be interrupted, and a thread of ours blocked in it
// would return into our code after the host has unloaded the library; the
// helper threads run glibc's code only (no notification, SIGEV_NONE), and
// the one block they write into is heap memory that outlives the library.
#pragma once

#include <netinet/in.h>

#include <string>

struct TLookupJob;  // one look-up in glibc's hands

enum class TNameState {
    Unknown,  // the first look-up of the name has no outcome yet
    Known,    // the latest finished look-up gave an address
    Failed,   // the latest finished look-up (or its start) failed
};

class TNameLookup {
public:
    TNameLookup() = default;
    ~TNameLookup();  // a look-up still running is left to finish on its own
    TNameLookup(const TNameLookup&) = delete;
    TNameLookup& operator=(const TNameLookup&) = delete;

    // What the latest finished look-up of `name` gave (the address in `a`
    // when Known). Starts a fresh look-up whenever none is running, so a
    // changed address is followed from the next call on. Never blocks.
    TNameState Address(const std::string& name, in_addr& a);
    // Waits at most `ms` for the running look-up to finish.
    void Await(int ms);
    // No more waiting for the first look-up: until one finishes, the name
    // counts as Failed.
    void StopWaiting() {
        if (state_ == TNameState::Unknown) state_ = TNameState::Failed;
    }

private:
    void TakeOutcome();
    void Begin();
    void Abandon();

    std::string name_;
    TLookupJob* job_ = nullptr;  // the running look-up; nullptr: none
    in_addr addr_{};
    TNameState state_ = TNameState::Unknown;
};
