// The datagram socket seam of the interface threads: one unbound UDP endpoint
// that sends to a host given as text and receives with a wait of 0 or 1 ms.
// Failures are values; the interface thread turns them into status 19.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/NameLookup.h"

inline constexpr std::size_t ReceiveSize = 8096;

enum class TReceived { Nothing, Datagram, Error };

// NameUnknown: the host is a name whose first look-up has no outcome yet;
// AwaitName waits for it, StopWaitingForName makes it a failure.
enum class TSendResult { Sent, Failed, NameUnknown };

class TUdp {
public:
    TUdp() = default;
    ~TUdp();
    TUdp(const TUdp&) = delete;
    TUdp& operator=(const TUdp&) = delete;

    bool Open();  // IPv4 datagram socket, no fixed local port
    int OpenError() const { return openError_; }  // the system's error number of the last failed Open
    void Close();  // the socket and the look-up thread
    // Who starts the look-up thread of a gateway given by name, and its name.
    void SetLookupThread(const TThreadStart* starter, const char* name) { lookup_.SetThread(starter, name); }
    bool IsOpen() const { return fd_ >= 0; }

    // One datagram to host:port. A numeric host is taken as it is; a name
    // goes to the address of its latest finished look-up, and every call
    // asks for a fresh one when none is running (see NameLookup.h).
    TSendResult Send(const std::string& host, int32_t port, std::string_view data);
    void AwaitName(int ms) { lookup_.Await(ms); }
    void StopWaitingForName() { lookup_.StopWaiting(); }
    // Waits at most `cekejMs` (0 or 1) for one datagram; on Datagram its
    // bytes (none for an empty one) are in Data() until the next call.
    TReceived Receive(int cekejMs);
    std::string_view Data() const { return {buf_, n_}; }

private:
    int fd_ = -1;
    int openError_ = 0;
    TNameLookup lookup_;
    std::size_t n_ = 0;
    char buf_[ReceiveSize];
};
