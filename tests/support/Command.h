// A command run through the shell, as a user runs the tools.
#pragma once

#include <string>

struct TRun {
    int Code = -1;       // exit code, or 128 + signal
    std::string Output;  // stdout and stderr together
};

// `s` in single quotes, for a shell command line.
std::string Quoted(const std::string& s);
// Runs `command` with its stderr joined to its stdout.
TRun RunShell(const std::string& command);
