#include "web/ConnectionSlots.h"

#include <sys/socket.h>

#include <algorithm>
#include <tuple>

struct TConnectionSlots::TConnection {
    int Fd;
    bool Answering = false;  // the request is in, its answer not yet sent
    bool Served = false;     // a keep-alive connection that has had an answer
    bool Closing = false;    // told to go; the library closes it on its next round
    Clock::time_point Since;
};

namespace {

// The library sees the socket end on its next round and closes the
// connection as one the client closed; it has no call of its own to close
// a connection from outside a request.
void SendAway(TConnectionSlots::TConnection& c) {
    shutdown(c.Fd, SHUT_RDWR);
    c.Closing = true;
}

// Which connection goes first when a newcomer needs room: one idle between
// keep-alive requests costs its client nothing but a reconnect, then one
// whose request is still coming, then one that is slow to read its answer;
// the oldest of a kind first, so a newcomer is the last to go.
auto Rank(const TConnectionSlots::TConnection& c) {
    const int kind = c.Answering ? 2 : c.Served ? 0 : 1;
    return std::make_tuple(kind, c.Since);
}

}  // namespace

TConnectionSlots::TConnectionSlots(TLimits limits) : limits_(limits) {}
TConnectionSlots::~TConnectionSlots() = default;

TConnectionSlots::TConnection* TConnectionSlots::Opened(int fd, Clock::time_point now) {
    CloseOverdue(now);
    try {
        open_.push_back(std::make_unique<TConnection>(TConnection{.Fd = fd, .Since = now}));
    } catch (...) {
        return nullptr;
    }
    TConnection* c = open_.back().get();
    MakeRoom(c);
    return c;
}

void TConnectionSlots::RequestIn(TConnection* c, Clock::time_point now) {
    if (c != nullptr && !c->Answering) {
        c->Answering = true;
        c->Since = now;
    }
    CloseOverdue(now);
}

void TConnectionSlots::Answered(TConnection* c, Clock::time_point now) {
    if (c != nullptr) {
        c->Answering = false;
        c->Served = true;
        c->Since = now;
    }
    CloseOverdue(now);
}

void TConnectionSlots::Closed(TConnection* c) {
    std::erase_if(open_, [c](const auto& o) { return o.get() == c; });
}

// Checked whenever the server has something to do, not on a clock of its
// own: a connection past its time holds a slot at most until the next
// client comes, and then it goes.
void TConnectionSlots::CloseOverdue(Clock::time_point now) {
    for (const auto& c : open_)
        if (!c->Closing && now - c->Since > (c->Answering ? limits_.Answer : limits_.Request)) SendAway(*c);
}

void TConnectionSlots::MakeRoom(const TConnection* newcomer) {
    const auto held = std::count_if(open_.begin(), open_.end(), [](const auto& c) { return !c->Closing; });
    if (static_cast<std::size_t>(held) <= limits_.Slots) return;
    TConnection* first = nullptr;
    for (const auto& c : open_)
        if (!c->Closing && c.get() != newcomer && (first == nullptr || Rank(*c) < Rank(*first))) first = c.get();
    if (first != nullptr) SendAway(*first);
}
