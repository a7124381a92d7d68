// What the driver counts for plant monitoring (the metrics page). Counters
// only go up while an instance runs; Init starts them from zero before any
// thread runs. An interface's counters have one writer, its own thread, and
// take a plain relaxed load and store; the few with several writers (the
// host's threads and the call-back thread) take a relaxed fetch_add. No lock.
#pragma once

#include <array>
#include <cstdint>

#include "base/Atom.h"

// Upper bounds of the exchange-time buckets, in microseconds: a gateway on
// the LAN answers in 50 to 200 us, a slow serial bus in seconds.
inline constexpr std::array<uint32_t, 16> ExchangeBucketsUs = {100,    200,    500,     1000,    2000,   5000,
                                                               10000,  20000,  50000,   100000,  200000, 500000,
                                                               1000000, 2000000, 5000000, 10000000};

struct TInterfaceCounters {
    // Written by the interface's own thread.
    Atom<uint64_t> Sent;      // request datagrams, every attempt
    Atom<uint64_t> Retries;   // of those, the ones after the first attempt
    std::array<Atom<uint64_t>, 256> Answers;  // matching answers, by the gateway's status code
    Atom<uint64_t> UdpTimeouts;   // requests that ended with 21 after every attempt
    Atom<uint64_t> Exceptions;    // requests that ended with 19
    Atom<uint64_t> InvalidDatagrams;  // no valid packet: too short (or empty), or not well formed
    Atom<uint64_t> ForeignDatagrams;  // valid, for another channel or for no exchange
    Atom<int32_t> QueueDepthMax;      // committed entries seen before a take
    // Exchange time (DobaLAN) of the answers and UDP time-outs; one more
    // bucket for the times above the last bound.
    std::array<Atom<uint64_t>, ExchangeBucketsUs.size() + 1> ExchangeBuckets;
    Atom<uint64_t> ExchangeUsSum;
    // Tick of the last valid answer of the gateway (any status it carries);
    // Answered tells whether there was one since Init.
    Atom<uint32_t> LastAnswerTick;
    Atom<uint8_t> Answered;
    // Written by the call-back thread and by OutputFinalized.
    Atom<uint64_t> InterfaceTimeouts;  // requests that ended with 26

    void ObserveExchange(uint64_t us) noexcept {
        std::size_t i = 0;
        while (i < ExchangeBucketsUs.size() && us > ExchangeBucketsUs[i]) ++i;
        ExchangeBuckets[i].Add(1);
        ExchangeUsSum.Add(us);
    }
    void ObserveQueueDepth(int32_t depth) noexcept {
        // The depth falls only when this thread takes an entry, so its
        // highest value is always seen just before a take.
        if (depth > QueueDepthMax) QueueDepthMax = depth;
    }
};

struct TDriverCounters {
    // Requests finished at once without an exchange, by their status code
    // (3 queue full, 17, 18, 22, 23); from the host's threads.
    std::array<Atom<uint64_t>, 256> Refused;
    Atom<uint64_t> CallBacks;  // calls of the host's call-back
    Atom<int64_t> StartRealMs;  // wall clock of the Init that started the instance
};

// The log files whose failed writes are counted, in the order of
// LogKindNames.
enum class TLogKind : uint8_t { Main, Run, Err, Interface, CallBack };
inline constexpr std::size_t LogKindCount = 5;
inline constexpr const char* LogKindNames[LogKindCount] = {"main", "run", "err", "interface", "callback"};
// Main, RUN, Err and call-back log, then the log of each interface 1..16:
// each file starts and stops failing on its own.
inline constexpr std::size_t LogFileCount = 4 + 16;

inline std::size_t LogFileSlot(TLogKind kind, int rozhrani) noexcept {
    switch (kind) {
        case TLogKind::Main: return 0;
        case TLogKind::Run: return 1;
        case TLogKind::Err: return 2;
        case TLogKind::CallBack: return 3;
        case TLogKind::Interface: break;
    }
    return 3 + static_cast<std::size_t>(rozhrani >= 1 && rozhrani <= 16 ? rozhrani : 1);
}

// Log lines that could not be written. Only a failure counts, with a
// relaxed fetch_add (the main and interface logs have several writers); a
// line that is written costs one relaxed load of its file's flag.
struct TLogFailures {
    std::array<Atom<uint64_t>, LogKindCount> Failed;  // lines lost, by kind
    std::array<Atom<uint8_t>, LogFileCount> Failing;  // the file's last write failed
    std::array<Atom<uint64_t>, LogFileCount> Lost;    // lines lost since it began to fail
};

// Zero again; a fresh record, so no counter can be forgotten.
template <class T>
void ClearCounters(T& c) {
    c = T{};
}
