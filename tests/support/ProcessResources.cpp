#include "support/ProcessResources.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/Wait.h"

namespace {

// The entries of a /proc/self directory, "." and ".." left out.
std::vector<std::string> Entries(const char* dir) {
    std::vector<std::string> v;
    DIR* d = opendir(dir);
    if (d == nullptr) return v;
    while (const dirent* e = readdir(d))
        if (e->d_name[0] != '.') v.emplace_back(e->d_name);
    closedir(d);
    return v;
}

}  // namespace

int OpenDescriptors() { return static_cast<int>(Entries("/proc/self/fd").size()) - 1; }

int ThreadCount() { return static_cast<int>(Entries("/proc/self/task").size()); }

std::vector<std::string> ThreadNames() {
    std::vector<std::string> names;
    for (const std::string& t : Entries("/proc/self/task")) {
        std::ifstream f("/proc/self/task/" + t + "/comm");
        std::string n;
        if (std::getline(f, n)) names.push_back(n);
    }
    return names;
}

int WaitForThreadCount(int n, int ms) {
    // A joined thread leaves the task list a moment after the join returns.
    int p = ThreadCount();
    WaitFor([&] { return (p = ThreadCount()) <= n; }, ms);
    return p;
}

void WarmUpThreads() { std::thread([] {}).join(); }

TDescriptorsExhausted::TDescriptorsExhausted(int free) {
    if (getrlimit(RLIMIT_NOFILE, &before_) != 0) return;
    int highest = 0;
    for (const std::string& e : Entries("/proc/self/fd")) highest = std::max(highest, std::atoi(e.c_str()));
    // A limit just above what is open keeps the filling short.
    rlimit low = before_;
    low.rlim_cur = static_cast<rlim_t>(highest) + 16;
    if (low.rlim_cur > before_.rlim_cur || setrlimit(RLIMIT_NOFILE, &low) != 0) return;
    for (;;) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ok_ = errno == EMFILE;
            break;
        }
        filled_.push_back(fd);
    }
    for (int k = 0; k < free && !filled_.empty(); ++k) {
        close(filled_.back());
        filled_.pop_back();
    }
}

TDescriptorsExhausted::~TDescriptorsExhausted() {
    for (int fd : filled_) close(fd);
    setrlimit(RLIMIT_NOFILE, &before_);
}
