// The commands of zr6180-host and the pieces they share. Commands.cpp runs
// the command line and reports failures; each command family has its file
// (ReadWrite, Watch, Info, Check, Logs); Results.cpp waits for and shows
// channel results for all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/Json.h"
#include "tools/host/Options.h"
#include "tools/host/Parameters.h"
#include "tools/host/Session.h"

namespace host {

enum ExitCode : int {
    kExitOk = 0,
    kExitFault = 1,        // a channel not in order, no result, check's warnings with --strict, no log
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
    const Parameters& p;
};

int CommandRead(Context& c, const std::vector<uint32_t>& channels);
int CommandWrite(Context& c, const std::vector<OutputValue>& values);
int CommandWatch(Context& c, const std::vector<uint32_t>& channels);
int CommandInfo(Context& c);
// check: Init's verdict, what the file declares and what looks like a
// mistake. `logBefore` is the main log's size before Init.
int CommandCheck(Context& c, bool started, const std::string& error, long long logBefore);
// log: the driver's log of a kind, in UTF-8; needs no driver.
int CommandLog(const Options& o, const Parameters& p);

// What the parameter file says of a failed reader: section, key, line.
// Empty when no reader failed or nothing more is known.
std::string InitFailureCause(const Parameters& p);
// The main log's size, or -1 when it is off or missing.
long long MainLogSize(const Parameters& p);

// Prints a failure on standard error, and with --json as the one JSON
// document on standard output; returns `code`.
int Fail(const Options& o, int code, const std::string& message);

// Fills `status` of the finished channels that have a record, then points
// the monitored channel back at `monitor`.
void ProbeStatuses(Session& s, std::vector<InputResult>& r, uint32_t monitor);

// Channel, code, name, value, status and status text of one read channel;
// the value stays empty when the status is not 0.
std::vector<std::string> InputRow(const InputResult& r, uint32_t timeoutMs, const Parameters& p);
std::vector<std::string> InputHeaders();
std::vector<bool> InputAlignment();
// The code and name of a declared channel as JSON members.
void AddNames(Json& j, const Parameters& p, uint32_t channel);
bool InOrder(const InputResult& r);

// The monitored channel's table or JSON member, when --monitor asked for it.
void PrintMonitor(Context& c, const MonitorResult& m);
void AddMonitorJson(Json& j, const Context& c, const MonitorResult& m);

// A progress line on standard error while a read or write waits, when that
// is a terminal; nothing otherwise.
void ShowProgressOnTerminal(Context& c);

// The driver's status text of a code, for the terminal.
std::string StatusTextUtf8(int64_t code);

}  // namespace host
