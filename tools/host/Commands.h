// The commands of zr6180-host and the pieces they share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/Json.h"
#include "tools/host/Options.h"
#include "tools/host/ParamFile.h"
#include "tools/host/Session.h"

namespace host {

enum ExitCode : int {
    kExitOk = 0,
    kExitFault = 1,        // a channel not in order, or no result
    kExitUsage = 2,        // command line or driver library unusable
    kExitInit = 3,         // parameter file unreadable, or Init failed
    kExitInterrupted = 130,
};

// Loads the driver, runs the command between Init and Done, and returns the
// exit status.
int RunCommand(const Options& o);

struct Context {
    const Options& o;
    const Driver& d;
    Session& s;
    const ParamFile& p;
};

int CommandRead(Context& c, const std::vector<uint32_t>& channels);
int CommandWrite(Context& c, const std::vector<OutputValue>& values);
int CommandWatch(Context& c, const std::vector<uint32_t>& channels);
int CommandInfo(Context& c);

// Fills `status` of the finished channels that have a record, then points
// the monitored channel back at `monitor`.
void ProbeStatuses(Session& s, std::vector<InputResult>& r, uint32_t monitor);

// Channel, value, status and status text of one read channel.
std::vector<std::string> InputRow(const InputResult& r, uint32_t timeoutMs);
bool InOrder(const InputResult& r);

// The monitored channel's table or JSON member, when --monitor asked for it.
void PrintMonitor(Context& c, const MonitorResult& m);
void AddMonitorJson(Json& j, const Context& c, const MonitorResult& m);

// A progress line on standard error while a read waits, when that is a
// terminal; nothing otherwise.
void ShowProgressOnTerminal(Context& c);

// The driver's status text of a code, for the terminal.
std::string StatusTextUtf8(int64_t code);

}  // namespace host
