// TSimulator: ZR-6180 gateways on loopback UDP for tests and the
// zr6180-sim tool. Each gateway of the plant gets its own socket and bus;
// one thread serves them all with poll(). Every public member may be called
// from any thread; the plant sits behind one small lock.
//
//   TSimulator sim;                          // one gateway, every address answers
//   ASSERT_TRUE(sim.Start());                // any free port on 127.0.0.1
//   sim.SetValue(5, 3, zrsim::EncodeReal(12.5));
//   sim.SetFault(9, TSimFault{.drop = true});
//   ... driver talks to 127.0.0.1:sim.Port() ...
//   sim.Requests();  sim.AnswersSent();
//
// Gateway index g counts the plant's gateways from 0; a g past the end is
// ignored (getters return empty values).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/sim/Exchange.h"
#include "tools/sim/Plant.h"
#include "tools/sim/SimValues.h"

// One datagram a gateway received.
struct TSimRequestRecord {
    std::string text;    // raw, as received
    uint64_t timeMs = 0; // since Start
    bool valid = false;  // false: ignored, see reason
    std::string reason;  // "length 43", "checksum", "hex", "tag", "no CR LF"
};

class TSimulator {
public:
    TSimulator();  // one gateway, port 0, every address a module with zero data
    explicit TSimulator(TSimPlant plant);
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Binds one UDP socket per gateway on host and starts serving. anyPort
    // ignores the plant's ports and takes free ones (see Port).
    bool Start(bool anyPort = false, const std::string& host = "127.0.0.1", std::string* error = nullptr);
    void Stop();  // pending delayed answers are dropped
    bool Running() const;
    uint16_t Port(size_t g = 0) const;  // the bound port, 0 before Start
    size_t Gateways() const;

    // The plant. Value/SetValue are bytes 0..3 of a periphery (a channel's
    // value, see SimValues.h); Data/SetData all 16.
    void SetData(uint8_t address, uint8_t periphery, const TSimPeriphery& data, size_t g = 0);
    TSimPeriphery Data(uint8_t address, uint8_t periphery, size_t g = 0) const;
    void SetValue(uint8_t address, uint8_t periphery, const zrsim::TBytes4& value, size_t g = 0);
    zrsim::TBytes4 Value(uint8_t address, uint8_t periphery, size_t g = 0) const;
    void SetStatusRegister(uint8_t address, uint8_t value, size_t g = 0);
    uint8_t StatusRegister(uint8_t address, size_t g = 0) const;
    void SetAnswerByte(uint8_t address, uint8_t value, size_t g = 0);
    // Status for addresses without a module (-1: every address answers).
    void SetAbsentStatus(int status, size_t g = 0);
    TSimPlant Plant() const;  // a copy

    // Faults: data, applied by the gateway to the exchanges they match.
    void SetFault(uint8_t address, const TSimFault& f, size_t g = 0);
    void ClearFault(uint8_t address, size_t g = 0);
    void SetRandomFaults(const TSimRandomFaults& r, size_t g = 0);  // restarts the dice at r.seed
    // A silent gateway records requests but neither acts on them nor answers.
    void SetSilent(bool silent, size_t g = 0);

    // What happened.
    std::vector<TSimRequestRecord> Requests(size_t g = 0) const;
    size_t RequestCount(size_t g = 0) const;
    bool WaitForRequests(size_t count, int timeoutMs, size_t g = 0) const;
    uint64_t AnswersSent(size_t g = 0) const;  // datagrams sent for requests, extras included
    uint64_t Ignored(size_t g = 0) const;      // requests with bad length, tag, hex or checksum
    void ClearRecords(size_t g = 0);           // requests and both counters
    // Sends any text to whoever asked this gateway last; false if nobody has.
    bool SendToLastRequester(std::string_view datagram, size_t g = 0);

    // One line per exchange, called on the simulator's thread; taken at Start.
    using TTrace = std::function<void(const std::string&)>;
    void SetTrace(TTrace trace);

private:
    struct TRuntime {
        int fd = -1;
        uint16_t port = 0;
        bool silent = false;
        bool hasRequester = false;
        sockaddr_in requester{};
        zrsim::TDice dice;
        std::vector<TSimRequestRecord> requests;
        uint64_t answers = 0;
        uint64_t ignored = 0;
    };
    struct TPending {
        uint64_t dueMs;
        size_t g;
        sockaddr_in to;
        std::string text;
    };

    void Run();
    void Receive(size_t g, std::vector<TPending>& pending, const TTrace& trace);
    std::string Handle(size_t g, std::string_view text, const sockaddr_in& from, std::vector<TPending>& out);
    void SendDue(std::vector<TPending>& pending);
    int PollTimeout(const std::vector<TPending>& pending) const;
    uint64_t NowMs() const;
    TSimGateway* Gateway(size_t g);
    const TSimGateway* Gateway(size_t g) const;
    void CloseSockets();

    mutable std::mutex lock_;
    mutable std::condition_variable arrived_;
    TSimPlant plant_;
    std::vector<TRuntime> run_;
    TTrace trace_;
    std::thread thread_;
    int wake_ = -1;
    bool running_ = false;
    uint64_t startNs_ = 0;
};
