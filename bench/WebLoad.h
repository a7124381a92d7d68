// What an open diagnostic page and plant monitoring ask of the web server:
// once a second the page's two questions and one scrape of the metrics, on
// a thread of the bench, until stopped. With the channel overview open the
// page asks for the list once, then each second for the values and the
// charts' history.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TWebLoad {
public:
    TWebLoad() = default;
    ~TWebLoad() { Stop(); }
    TWebLoad(const TWebLoad&) = delete;
    TWebLoad& operator=(const TWebLoad&) = delete;

    void Start(uint16_t port, bool overview = false);
    void Stop();
    uint64_t Answered() const { return answered_.load(); }  // 200s so far
    uint64_t Failed() const { return failed_.load(); }

private:
    void Run(uint16_t port, bool overview);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::atomic<uint64_t> answered_{0}, failed_{0};
};

// A TCP port of the loopback that nobody listens on just now.
uint16_t FreeTcpPort();
