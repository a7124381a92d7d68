// The command line of zr6180-host.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace host {

struct Options {
    std::string driver;     // empty: the library beside the program
    std::string paramFile;
    bool tsv = false;
    bool json = false;           // one JSON object per command, JSON lines for watch
    bool force = false;          // send NaN, infinite and out-of-range reals anyway
    bool all = false;            // info: undeclared interfaces too
    bool declared = false;       // read: every declared input
    bool strict = false;         // check: warnings give exit status 1
    bool follow = false;         // log: keep showing what is appended
    uint32_t monitor = 0;        // 0: none; else the channel shown through 3, 4, 5
    uint32_t timeoutMs = 70000;  // above the driver's own 65 s limit, so its time-out shows
    uint32_t level = 0;
    uint32_t windowSeconds = 0;
    uint32_t intervalMs = 1000;  // watch
    uint32_t count = 0;          // watch: 0 until interrupted
    bool help = false;
    bool version = false;
    std::string command;
    std::vector<std::string> args;
};

// Options may stand before or after the command; "--" ends them.
bool ParseOptions(int argc, char** argv, Options& o, std::string& error);

void PrintUsage(std::FILE* out);

// Whether --json stands among the options, for a usage error that stopped
// the reading before it.
bool AsksForJson(int argc, char** argv);

}  // namespace host
