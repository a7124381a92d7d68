#include "diag/WebServer.h"

#include <charconv>

#include "base/Contained.h"
#include "base/Cp1250.h"
#include "base/Text.h"
#include "config/MainLog.h"
#include "config/Model.h"
#include "diag/ExchangeHistory.h"
#include "diag/WebModule.h"
#include "diag/WebView.h"
#include "platform/Environment.h"
#include "platform/Module.h"

namespace {

bool AllDigits(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

bool ReadPort(std::string_view t, uint16_t& port) {
    unsigned v = 0;
    if (!AllDigits(t) || t.size() > 5) return false;
    std::from_chars(t.data(), t.data() + t.size(), v);
    if (v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

bool IsIpv4(std::string_view t) {
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = t.find('.');
        if ((dot == std::string_view::npos) != (part == 3)) return false;  // exactly three dots
        const std::string_view number = t.substr(0, dot);
        unsigned v = 0;
        if (!AllDigits(number) || number.size() > 3) return false;
        std::from_chars(number.data(), number.data() + number.size(), v);
        if (v > 255) return false;
        if (dot != std::string_view::npos) t.remove_prefix(dot + 1);
    }
    return true;
}

// The server's own check (inet_pton) is exact; this keeps out what plainly
// is no IPv6 address.
bool LooksLikeIpv6(std::string_view t) {
    if (t.size() < 2 || t.size() > 45 || t.find(':') == std::string_view::npos) return false;
    for (char c : t) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') return false;
    }
    return true;
}

bool IsLoopback(std::string_view ip) { return ip.starts_with("127.") || ip == "::1"; }

// The variable's text as the main log may show it: printable, short.
std::string Shown(std::string_view t) {
    std::string s;
    for (char c : t.substr(0, 64)) s.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
    return s;
}

const RvWebModule* LoadWebModule(std::string& error) {
    const std::string path = ModulePath("RV_ZR6180_WEB_MODULE", RV_WEB_MODULE_FILE);
    if (path.empty()) return nullptr;
    void* entry = LoadModuleSymbol(path, RV_WEB_MODULE_ENTRY, error);
    if (entry == nullptr) return nullptr;
    const RvWebModule* m = reinterpret_cast<RvWebModuleEntry>(entry)();
    if (m == nullptr || m->version != RV_WEB_MODULE_VERSION) return nullptr;
    return m;
}

std::string Url(const TListenAddress& a, uint16_t port) {
    const bool v6 = a.Ip.find(':') != std::string::npos;
    return std::string("http://") + (v6 ? "[" : "") + a.Ip + (v6 ? "]" : "") + ":" + std::to_string(port) + "/";
}

void Log(TData& d, std::string_view m) { ZapisDoLogu(&d, d.Cfg, m); }

}  // namespace

bool ParseListenAddress(std::string_view t, TListenAddress& a) {
    a = TListenAddress{};
    if (AllDigits(t)) {
        a.Ip = "127.0.0.1";
        return ReadPort(t, a.Port);
    }
    std::string_view host;
    std::string_view port;
    if (t.starts_with('[')) {
        const std::size_t end = t.find("]:");
        if (end == std::string_view::npos) return false;
        host = t.substr(1, end - 1);
        port = t.substr(end + 2);
        if (!LooksLikeIpv6(host)) return false;
    } else {
        const std::size_t colon = t.rfind(':');
        if (colon == std::string_view::npos) return false;
        host = t.substr(0, colon);
        port = t.substr(colon + 1);
        if (host == "localhost") host = "127.0.0.1";
        if (!IsIpv4(host)) return false;
    }
    a.Ip = std::string(host);
    a.Loopback = IsLoopback(a.Ip);
    return ReadPort(port, a.Port);
}

std::unique_ptr<TWebServer> TWebServer::Start(TData& d) {
    const std::string_view asked = EnvironmentValue("RV_ZR6180_HTTP");
    if (asked.empty()) return nullptr;
    TListenAddress a;
    if (!ParseListenAddress(asked, a)) {
        Log(d, TLine("Webovou diagnostiku nelze spustit: neplatná adresa RV_ZR6180_HTTP \""_cp, Shown(asked), "\".").sv());
        return nullptr;
    }
    std::string error;
    const RvWebModule* m = LoadWebModule(error);
    if (m == nullptr) {
        Log(d, TLine("Webovou diagnostiku nelze spustit: modul "_cp, RV_WEB_MODULE_FILE, " nelze načíst."_cp).sv());
        return nullptr;
    }
    auto server = std::make_unique<TWebServer>(d, *m);
    if (!server->Listen(a)) {
        Log(d, TLine("Webovou diagnostiku nelze spustit na adrese "_cp, Shown(asked), ".").sv());
        return nullptr;
    }
    Log(d, TLine("Webová diagnostika naslouchá na "_cp, Url(a, m->port(server->s_)), ".").sv());
    // Off the loopback the server answers under any host name: whoever
    // reaches the address reads the page.
    if (!a.Loopback)
        Log(d, TLine("Webová diagnostika naslouchá na adrese mimo tento počítač ("_cp, a.Ip,
                     "): stránka je dosažitelná ze sítě, bez přihlášení a pro jakékoli jméno hostitele."_cp).sv());
    return server;
}

TWebServer::TWebServer(TData& d, const RvWebModule& m)
    : d_(d), m_(m), history_(std::make_unique<TExchangeHistory>()) {}

bool TWebServer::Listen(const TListenAddress& a) {
    const RvWebCalls calls{this, &Answer};
    const RvWebListen listen{a.Ip.c_str(), a.Port, a.Loopback ? 1 : 0};
    s_ = m_.start(&calls, &listen);
    return s_ != nullptr;
}

TWebServer::~TWebServer() {
    if (s_ != nullptr) m_.stop(s_);
}

uint32_t TWebServer::Answer(void* model, const char* path, const char** contentType,
                            void (*write)(void*, const char*, std::size_t), void* sink) noexcept {
    uint32_t status = 500;
    *contentType = "text/plain; charset=utf-8";
    Contained([&] {
        TWebServer& s = *static_cast<TWebServer*>(model);
        // Whoever asks (the page every second, a scraper) moves the charts'
        // clock on; the exchanging threads never do.
        s.history_->Sample(s.d_);
        const TWebAnswer a = WebAnswer(s.d_, path != nullptr ? path : "", s.history_.get());
        *contentType = a.ContentType;
        write(sink, a.Body.data(), a.Body.size());
        status = a.Status;
    });
    return status;
}
