// What the process holds: open file descriptors and threads, for checks
// that a driver instance leaves nothing behind.
#pragma once

#include <dirent.h>

#include <cstddef>
#include <thread>

// Entries of a /proc/self directory, "." and ".." left out.
inline std::size_t PolozkyProc(const char* adresar) {
    DIR* d = opendir(adresar);
    if (d == nullptr) return 0;
    std::size_t n = 0;
    while (const dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}

// Less the descriptor that reads the listing.
inline std::size_t OtevreneDeskriptory() { return PolozkyProc("/proc/self/fd") - 1; }
inline std::size_t BeziciVlakna() { return PolozkyProc("/proc/self/task"); }

// A sanitizer runtime starts a helper thread of its own with the first
// thread of the process; start one before counting, so that it is counted.
inline void ZahrejVlakna() { std::thread([] {}).join(); }
