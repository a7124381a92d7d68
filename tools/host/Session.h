// One driver instance driven as a control-system runtime drives it:
// MakeDriver and Init, batches of requests completed through the call-back,
// then Done and DisposeDriver.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/host/Channels.h"
#include "tools/host/Driver.h"

namespace host {

// SIGINT and SIGTERM end the waits early; the command then still reaches
// Done and DisposeDriver.
void CatchInterrupts();
bool Interrupted();

struct InputResult {
    uint32_t channel = 0;
    Kind kind = Kind::Invalid;
    bool finished = false;  // InputFinalized said true within the time
    int32_t word = 3;       // status word of InputFinalized
    THodnota value{};
    int32_t status = -1;    // the channel's Status, -1 while unknown
};

struct OutputResult {
    uint32_t channel = 0;
    bool finished = false;
    int32_t word = 3;
    int32_t status = -1;
};

// What service channels 3, 4 and 5 tell of the monitored channel.
struct MonitorResult {
    uint32_t channel = 0;
    int32_t address = -1;
    int32_t status = -1;
    int32_t statusRegister = -1;  // masked with 0xF7 by the driver
};

class Session {
public:
    explicit Session(const Driver& d) : d_(d), iterate_(d.IterateMainContext) {}
    ~Session() { Stop(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // MakeDriver and Init; on failure `error` holds the driver's message in
    // UTF-8. Stop is needed either way.
    bool Start(const std::string& paramFile, uint32_t level, std::string& error);
    // Done and DisposeDriver, once.
    void Stop();
    PData Data() const { return data_; }

    // One input cycle with GetInput for every channel that finished.
    std::vector<InputResult> Read(const std::vector<uint32_t>& channels, uint32_t timeoutMs);
    // One output cycle; text values point into `values` during the calls.
    std::vector<OutputResult> Write(const std::vector<OutputValue>& values, uint32_t timeoutMs);

    // Points service channel 6 at the channel and reads its Status from
    // service channel 4; -1 when the driver gave no answer.
    int32_t ChannelStatus(uint32_t channel);
    void Monitor(uint32_t channel);
    // Points service channel 6 at the channel, leaves it there, and reads
    // service channels 3, 4 and 5.
    MonitorResult ReadMonitor(uint32_t channel);

    // Called while a read waits: the time waited so far and the first
    // channel still pending; a channel of 0 when the wait is over.
    std::function<void(uint32_t waitedMs, uint32_t channel)> onWait;

    // Lets the driver's window live for `ms`, or until interrupted.
    void Pump(uint32_t ms);

private:
    template <class Finalize, class ChannelOf>
    void Settle(int direction, uint64_t seen, uint32_t timeoutMs, std::vector<std::size_t> pending,
                Finalize finalize, ChannelOf channelOf);
    // Finalized for every result, then the call-backs of those that ran on.
    template <class Result, class Finalized>
    void FinishCycle(int direction, uint64_t seen, uint32_t timeoutMs, std::vector<Result>& r, Finalized finalized);
    template <class Ready>
    void Idle(uint32_t ms, Ready ready);
    void TurnMainContext();

    const Driver& d_;
    MainContextIteration iterate_;  // the GLib main context, once loaded
    PData data_ = nullptr;
};

}  // namespace host
