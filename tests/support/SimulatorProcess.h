// zr6180-sim as a child process, as a user runs it. Its output goes to files
// in a directory of the test, so a long trace can never block it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

class TSimulatorProcess {
public:
    TSimulatorProcess() = default;
    ~TSimulatorProcess();
    TSimulatorProcess(const TSimulatorProcess&) = delete;
    TSimulatorProcess& operator=(const TSimulatorProcess&) = delete;

    // Starts it with these arguments; stdout to dir/sim.out, stderr to dir/sim.err.
    bool Start(const TTempDir& dir, std::vector<std::string> args);
    // The next line of its standard output, or "" after `ms`.
    std::string Line(int ms = 5000);
    // Waits for the "gateway N listening on" lines of gateways 1..n; false
    // when the process ended or the time ran out first.
    bool WaitForPorts(int n, int ms = 10000);
    uint16_t Port(int gateway) const;
    std::string Output() const { return ReadFile(out_); }
    std::string Errors() const { return ReadFile(err_); }
    // Sends SIGTERM and waits: the exit code, 128 + signal, or -1.
    int Stop();

private:
    pid_t pid_ = -1;
    std::string out_, err_;
    std::size_t read_ = 0;  // of the output, by Line
    std::map<int, uint16_t> ports_;
};
