// The diagnostic web server as the driver sees it: RV_ZR6180_HTTP read, the
// web module (diag/WebModule.h) loaded, the server started and stopped, and
// its questions answered by the view model. The module is loaded on the
// first start and never unloaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct TData;
class TExchangeHistory;
struct RvWebModule;
struct RvWebServer;

// Where to listen, from the variable's text: "PORT" (loopback),
// "IPv4:PORT", "[IPv6]:PORT" or "localhost:PORT".
struct TListenAddress {
    std::string Ip;  // numeric, without brackets
    uint16_t Port = 0;
    bool Loopback = true;
};
bool ParseListenAddress(std::string_view text, TListenAddress& a);

class TWebServer {
public:
    // The server RV_ZR6180_HTTP asks for, with its start or the reason it
    // could not start written to the main log; null when it is not asked
    // for or could not start. Never fails Init.
    static std::unique_ptr<TWebServer> Start(TData& d);
    ~TWebServer();  // returns once no answer runs any more
    TWebServer(const TWebServer&) = delete;
    TWebServer& operator=(const TWebServer&) = delete;

    TWebServer(TData& d, const RvWebModule& m);

private:
    bool Listen(const TListenAddress& a);
    static uint32_t Answer(void* model, const char* path, const char** contentType,
                           void (*write)(void*, const char*, std::size_t), void* sink) noexcept;

    TData& d_;
    const RvWebModule& m_;
    std::unique_ptr<TExchangeHistory> history_;  // the charts' last minutes, sampled as answers go out
    RvWebServer* s_ = nullptr;
};
