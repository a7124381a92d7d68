// One driver instance driven as a control-system runtime drives it:
// MakeDriver and Init, batches of requests completed through the call-back,
// then Done and DisposeDriver.
#pragma once

#include <cstdint>
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

    // Lets the driver's window live for `ms`, or until interrupted.
    void Pump(uint32_t ms);

private:
    template <class Finalize>
    void Settle(int direction, uint64_t seen, uint32_t timeoutMs, std::vector<std::size_t> pending,
                Finalize finalize);
    template <class Ready>
    void Idle(uint32_t ms, Ready ready);
    void TurnMainContext();

    const Driver& d_;
    MainContextIteration iterate_;  // the GLib main context, once loaded
    PData data_ = nullptr;
};

}  // namespace host
