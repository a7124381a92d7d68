// Who holds the web server's connection slots, in which phase and since
// when, so that no client can keep the others out: a newcomer takes the
// place of the connection that matters least when the slots are full, and
// a request or an answer that takes too long in all is cut off whatever its
// pace. Runs on the server's one thread only, so nothing here is locked.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

class TConnectionSlots {
public:
    using Clock = std::chrono::steady_clock;
    struct TLimits {
        std::size_t Slots;        // connections held at once before a newcomer pushes one out
        Clock::duration Request;  // from ready for a request to the request in full
        Clock::duration Answer;   // from the request in full to its answer sent
    };
    struct TConnection;

    explicit TConnectionSlots(TLimits limits);
    ~TConnectionSlots();
    TConnectionSlots(const TConnectionSlots&) = delete;
    TConnectionSlots& operator=(const TConnectionSlots&) = delete;

    // A new connection on socket `fd`, with room made for it; null when out
    // of memory (the connection is then served, but not counted).
    TConnection* Opened(int fd, Clock::time_point now);
    void RequestIn(TConnection* c, Clock::time_point now);
    void Answered(TConnection* c, Clock::time_point now);  // ready for the next request
    void Closed(TConnection* c);

private:
    void CloseOverdue(Clock::time_point now);
    void MakeRoom(const TConnection* newcomer);

    TLimits limits_;
    std::vector<std::unique_ptr<TConnection>> open_;
};
