// What the process holds, read from /proc/self: open file descriptors and
// threads, for checks that a driver instance leaves nothing behind.
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

int OpenDescriptors();  // not counting the one that reads the listing
int ThreadCount();      // tasks of this process
std::vector<std::string> ThreadNames();  // of every task of this process
// Waits until the process has at most n tasks; the count at the end.
int WaitForThreadCount(int n, int ms = 3000);  // a loaded machine reaps joined tasks late

// A sanitizer runtime starts a helper thread of its own with the first
// thread of the process; start one before counting, so that it is counted.
void WarmUpThreads();

// The descriptor table of this process filled up to a lowered limit, so that
// only `free` more descriptors can be opened; all is given back at the end.
class TDescriptorsExhausted {
public:
    explicit TDescriptorsExhausted(int free);
    ~TDescriptorsExhausted();
    TDescriptorsExhausted(const TDescriptorsExhausted&) = delete;
    TDescriptorsExhausted& operator=(const TDescriptorsExhausted&) = delete;
    bool Ok() const { return ok_; }  // the table is as asked

private:
    rlimit before_{};
    std::vector<int> filled_;
    bool ok_ = false;
};
