// A plain HTTP client on the loopback, byte by byte: whole requests as a
// browser sends them, or any bytes at all, as a hostile client does. The
// bench plays the page and the scraper with it; the tests, every client.
#pragma once

#include <cstdint>
#include <string>

struct THttpReply {
    int Status = 0;       // 0: no status line came
    std::string Headers;  // the header lines, CR LF kept
    std::string Body;
};

// A connected TCP socket to 127.0.0.1:port (blocking, or not); -1 on failure.
int ConnectLoopback(uint16_t port, bool blocking = true);
// Sends `request` as it is and reads until the server closes or `ms` pass.
THttpReply HttpExchange(uint16_t port, const std::string& request, int ms = 5000);
// GET with the Host the page's own address gives, and the connection closed after.
THttpReply HttpGet(uint16_t port, const std::string& path, const std::string& host = "127.0.0.1");
// A header's value ("" when absent), its name matched without case.
std::string HeaderValue(const THttpReply& r, const std::string& name);
