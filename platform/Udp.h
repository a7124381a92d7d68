// The datagram socket seam of the interface threads: one unbound UDP endpoint
// that sends to a host given as text and receives with a wait of 0 or 1 ms.
// Failures are values; the interface thread turns them into status 19.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t ReceiveSize = 8096;

enum class TPrijem { Nothing, Datagram, Error };

class TUdp {
public:
    TUdp() = default;
    ~TUdp();
    TUdp(const TUdp&) = delete;
    TUdp& operator=(const TUdp&) = delete;

    bool Open();  // IPv4 datagram socket, no fixed local port
    int OpenError() const { return openError_; }  // the system's error number of the last failed Open
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // One datagram to host:port; the host is resolved at every call.
    bool Send(const std::string& host, int32_t port, std::string_view data);
    // Waits at most `cekejMs` (0 or 1) for one datagram; on Datagram its
    // bytes (none for an empty one) are in Data() until the next call.
    TPrijem Receive(int cekejMs);
    std::string_view Data() const { return {buf_, n_}; }

private:
    int fd_ = -1;
    int openError_ = 0;
    std::size_t n_ = 0;
    char buf_[ReceiveSize];
};
