// One driver instance as a host runs it: a parameter file in a temporary
// directory, the gateways played by the in-process simulator, Init with a
// call-back that counts and wakes the waiting host thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/WebLoad.h"
#include "tools/common/DriverLibrary.h"

class TSimulator;

struct TRigConfig {
    int interfaces = 1;                        // declared 1..n, gateway k-1 of the simulator each
    std::vector<std::pair<int, int>> channels; // (channel, interface)
    bool runLog = false;                       // RUN and Err logs
    bool windowShown = false;                  // the window refreshes its page every 200 ms
    bool simulator = true;                     // false: nobody listens (nothing may be sent)
    bool web = false;                          // the web server on, with a page and a scraper asking
    bool overview = false;                     // ... the page on the channel overview
    bool webLoad = true;                       // false: the server on, nobody asking (the bench asks)
};

// Channels first..first+count-1 on one interface.
std::vector<std::pair<int, int>> ChannelsOn(int first, int count, int interface);
// Every channel 99..6099, dealt round the interfaces 1..n.
std::vector<std::pair<int, int>> AllChannels(int interfaces);

class TRig {
public:
    explicit TRig(TDriverLibrary& driver);
    ~TRig();  // Stop
    TRig(const TRig&) = delete;
    TRig& operator=(const TRig&) = delete;

    bool Start(const TRigConfig& config, std::string& error);
    void Stop();  // Done, DisposeDriver, simulator, files

    uint32_t Callbacks() const { return count_.load(); }
    // Monotonic ns of the last request a gateway took and of the last call-back.
    int64_t LastRequestNs() const { return lastRequestNs_.load(); }
    int64_t LastCallbackNs() const { return lastCallbackNs_.load(); }
    // CPU time used so far by the driver's threads and by the simulator's.
    int64_t DriverCpuNs() const;
    int64_t SimulatorCpuNs() const;
    // Until `total` call-backs have arrived since Start; false on time-out.
    bool WaitForCallbacks(uint32_t total, int timeoutMs);

    const TWebLoad& Web() const { return web_; }
    uint16_t WebPort() const { return webPort_; }

    TDriverLibrary& drv;
    PData data = nullptr;

private:
    static int32_t OnCallBack(int32_t context, int32_t kind, PData data);
    bool WriteParameters(const TRigConfig& config, const std::string& path, std::string& error) const;

    std::atomic<uint32_t> count_{0};
    std::atomic<uint32_t> target_{UINT32_MAX};
    std::atomic<int64_t> lastRequestNs_{0};
    std::atomic<int64_t> lastCallbackNs_{0};
    int slot_ = -1;
    std::string dir_;
    std::unique_ptr<TSimulator> sim_;
    std::vector<uint16_t> ports_;
    std::vector<int> driverThreads_, simThreads_;
    TWebLoad web_;
    uint16_t webPort_ = 0;
};
