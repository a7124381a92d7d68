// The web module: the diagnostic web server behind the C table of
// diag/WebModule.h, served by libmicrohttpd on one poll()-based thread of
// its own. It holds the page and the rules of the protocol (methods, host
// names, limits, headers); every value comes from the driver's `answer`.
// Nothing may unwind into the library's C frames.
#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <chrono>
#include <cstring>
#include <string>
#include <string_view>

#include "web/ConnectionSlots.h"
#include "diag/WebModule.h"

namespace {

// Bounds that keep a hostile or broken client from costing the host more
// than a little memory and one thread: this many connections held at once
// (a newcomer then takes the place of one of them, so that a scrape always
// gets in), each closed after this many idle seconds, a request in full
// within this many seconds of the connection being ready for it however
// fast its bytes trickle in, an answer sent within this many seconds, and a
// request line with its headers within this many bytes (longer ones get 431
// or 414). The library itself may hold a few connections more: those told
// to go until its next round.
constexpr std::size_t ConnectionSlots = 64;
constexpr unsigned ConnectionLimit = ConnectionSlots + 4;
constexpr unsigned IdleSeconds = 5;
constexpr auto RequestTime = std::chrono::seconds(10);
constexpr auto AnswerTime = std::chrono::seconds(10);
constexpr std::size_t RequestMemory = 16 * 1024;
constexpr unsigned Backlog = 128;

}  // namespace

struct RvWebServer {
    RvWebCalls calls{};
    TConnectionSlots slots{{ConnectionSlots, RequestTime, AnswerTime}};  // outlives the daemon
    MHD_Daemon* daemon = nullptr;
    bool loopback = true;
};

namespace {

constexpr char Page[] =
#include "Page.inc"
    ;

constexpr const char* PlainText = "text/plain; charset=utf-8";
// The page brings everything it needs and talks only to this server.
constexpr const char* PagePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; connect-src 'self'; "
    "img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

void Append(void* sink, const char* data, std::size_t size) { static_cast<std::string*>(sink)->append(data, size); }

MHD_Result Queue(MHD_Connection* c, unsigned status, const char* type, MHD_Response* r) {
    if (r == nullptr) return MHD_NO;
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    MHD_add_response_header(r, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(r, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(r, "Referrer-Policy", "no-referrer");
    MHD_add_response_header(r, "Content-Security-Policy", PagePolicy);
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED) MHD_add_response_header(r, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result queued = MHD_queue_response(c, status, r);
    MHD_destroy_response(r);
    return queued;
}

MHD_Result Send(MHD_Connection* c, unsigned status, const char* type, const std::string& body) {
    return Queue(c, status, type,
                 MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY));
}

MHD_Result SendPage(MHD_Connection* c) {
    return Queue(c, MHD_HTTP_OK, "text/html; charset=utf-8",
                 MHD_create_response_from_buffer(sizeof Page - 1, const_cast<char*>(Page), MHD_RESPMEM_PERSISTENT));
}

bool IsLoopbackName(std::string_view name) {
    if (name == "localhost" || name == "[::1]") return true;
    if (!name.starts_with("127.")) return false;
    for (char c : name)
        if ((c < '0' || c > '9') && c != '.') return false;
    return true;
}

// A server on the loopback answers only requests addressed to the loopback:
// a web site that points a name of its own at 127.0.0.1 (DNS rebinding)
// gets nothing from it.
bool HostAllowed(const RvWebServer& s, MHD_Connection* c) {
    if (!s.loopback) return true;
    const char* h = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
    if (h == nullptr) return true;  // HTTP/1.0 without a name: no browser sends that
    std::string host(h);
    for (char& ch : host)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    std::string_view name = host;
    std::string_view port;
    const std::size_t colon = name.starts_with('[') ? name.find("]:") : name.rfind(':');
    if (colon != std::string_view::npos) {
        const std::size_t at = name.starts_with('[') ? colon + 1 : colon;
        port = name.substr(at + 1);
        name = name.substr(0, at);
        if (port.empty()) return false;
        for (char ch : port)
            if (ch < '0' || ch > '9') return false;
    }
    return IsLoopbackName(name);
}

bool HasBody(MHD_Connection* c) {
    const char* length = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    return MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr ||
           (length != nullptr && std::string_view(length) != "0");
}

MHD_Result Serve(RvWebServer& s, MHD_Connection* c, std::string_view url, std::string_view method) {
    if (method != MHD_HTTP_METHOD_GET && method != MHD_HTTP_METHOD_HEAD)
        return Send(c, MHD_HTTP_METHOD_NOT_ALLOWED, PlainText, "Only GET and HEAD are served.\n");
    if (!HostAllowed(s, c)) return Send(c, MHD_HTTP_FORBIDDEN, PlainText, "Not served under this host name.\n");
    if (url == "/") return SendPage(c);
    std::string body;
    const char* type = PlainText;
    const std::string path(url);
    const uint32_t status = s.calls.answer(s.calls.model, path.c_str(), &type, &Append, &body);
    return Send(c, status, type, body);
}

TConnectionSlots::TConnection* SlotOf(MHD_Connection* c) {
    const MHD_ConnectionInfo* i = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return i != nullptr ? static_cast<TConnectionSlots::TConnection*>(i->socket_context) : nullptr;
}

void Notify(void* cls, MHD_Connection* c, void** context, MHD_ConnectionNotificationCode what) noexcept {
    TConnectionSlots& slots = static_cast<RvWebServer*>(cls)->slots;
    if (what == MHD_CONNECTION_NOTIFY_STARTED) {
        const MHD_ConnectionInfo* i = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (i != nullptr) *context = slots.Opened(i->connect_fd, TConnectionSlots::Clock::now());
    } else if (*context != nullptr) {
        slots.Closed(static_cast<TConnectionSlots::TConnection*>(*context));
        *context = nullptr;
    }
}

void Completed(void* cls, MHD_Connection* c, void**, MHD_RequestTerminationCode) noexcept {
    static_cast<RvWebServer*>(cls)->slots.Answered(SlotOf(c), TConnectionSlots::Clock::now());
}

// The library calls this once when the headers are in and again when the
// request is complete; answering at the second call keeps the connection
// open for the page's next question. A method that is refused is refused at
// once, and so is a body; the library then closes the connection without
// reading the rest.
MHD_Result Access(void* cls, MHD_Connection* c, const char* url, const char* method, const char*, const char*,
                  std::size_t* uploadSize, void** request) noexcept {
    try {
        static_cast<RvWebServer*>(cls)->slots.RequestIn(SlotOf(c), TConnectionSlots::Clock::now());
        const std::string_view m = method != nullptr ? method : "";
        const bool served = m == MHD_HTTP_METHOD_GET || m == MHD_HTTP_METHOD_HEAD;
        if (served && *request == nullptr) {
            if (HasBody(c)) return Send(c, 413, PlainText, "A GET carries no body here.\n");
            *request = cls;  // any mark but null
            return MHD_YES;
        }
        if (served && *uploadSize != 0) return MHD_NO;  // a body after all: the connection is closed
        return Serve(*static_cast<RvWebServer*>(cls), c, url != nullptr ? url : "", m);
    } catch (...) {
        return MHD_NO;  // no memory for the answer: the connection is closed
    }
}

bool Address(const RvWebListen& l, sockaddr_storage& a) {
    std::memset(&a, 0, sizeof a);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
    if (inet_pton(AF_INET, l.address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(l.port);
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&a);
    if (inet_pton(AF_INET6, l.address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(l.port);
        return true;
    }
    return false;
}

RvWebServer* Start(const RvWebCalls* calls, const RvWebListen* listen) noexcept {
    try {
        sockaddr_storage a;
        if (calls == nullptr || listen == nullptr || listen->address == nullptr || !Address(*listen, a)) return nullptr;
        auto* s = new RvWebServer;
        s->calls = *calls;
        s->loopback = listen->loopback != 0;
        // An IPv6 socket listens on IPv6 only, as the address says.
        const unsigned flags = MHD_USE_POLL_INTERNAL_THREAD | MHD_USE_ITC | (a.ss_family == AF_INET6 ? MHD_USE_IPv6 : 0);
        s->daemon = MHD_start_daemon(flags, listen->port, nullptr, nullptr, &Access, s,
                                     MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&a),
                                     MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit,
                                     MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds,
                                     MHD_OPTION_CONNECTION_MEMORY_LIMIT, RequestMemory,
                                     MHD_OPTION_LISTEN_BACKLOG_SIZE, Backlog,
                                     MHD_OPTION_STRICT_FOR_CLIENT, 1,
                                     MHD_OPTION_NOTIFY_CONNECTION, &Notify, s,
                                     MHD_OPTION_NOTIFY_COMPLETED, &Completed, s,
                                     MHD_OPTION_END);
        if (s->daemon == nullptr) {
            delete s;
            return nullptr;
        }
        return s;
    } catch (...) {
        return nullptr;
    }
}

uint16_t Port(const RvWebServer* s) noexcept {
    if (s == nullptr || s->daemon == nullptr) return 0;
    const MHD_DaemonInfo* i = MHD_get_daemon_info(s->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return i != nullptr ? i->port : 0;
}

void Stop(RvWebServer* s) noexcept {
    if (s == nullptr) return;
    MHD_stop_daemon(s->daemon);  // joins the server's thread
    delete s;
}

constexpr RvWebModule Module{RV_WEB_MODULE_VERSION, &Start, &Port, &Stop};

}  // namespace

extern "C" __attribute__((visibility("default"))) const RvWebModule* rv_zr6180_web_module() noexcept { return &Module; }
