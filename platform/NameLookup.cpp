#include "platform/NameLookup.h"

#include <netdb.h>
#include <pthread.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/Module.h"

struct TLookupState {
    std::mutex mutex;
    std::condition_variable changed;
    std::string wanted;     // the name to look up next; empty: nothing asked
    bool inside = false;    // the thread is in getaddrinfo
    bool stop = false;
    uint32_t finished = 0;  // look-ups finished so far
    std::string looked;     // the name of the latest finished one
    bool ok = false;
    in_addr addr{};
};

namespace {

using Guard = std::unique_lock<std::mutex>;

inline constexpr int GraceMs = 100;

// The look-up thread: owns a share of the state, so nothing it touches
// goes away while it waits in getaddrinfo.
void LookUp(const std::shared_ptr<TLookupState>& s) {
    Guard z(s->mutex);
    std::string hostName;  // the copies keep their capacity: no allocation of ours per look-up
    for (;;) {
        s->changed.wait(z, [&] { return s->stop || !s->wanted.empty(); });
        if (s->stop) return;
        hostName = s->wanted;
        s->wanted.clear();
        s->inside = true;
        z.unlock();
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* v = nullptr;
        const bool ok = getaddrinfo(hostName.c_str(), nullptr, &hints, &v) == 0 && v != nullptr &&
                        v->ai_family == AF_INET && v->ai_addr != nullptr;
        in_addr a{};
        if (ok) a = reinterpret_cast<const sockaddr_in*>(v->ai_addr)->sin_addr;
        if (v != nullptr) freeaddrinfo(v);
        z.lock();
        s->inside = false;
        s->looked = hostName;
        s->ok = ok;
        s->addr = a;
        ++s->finished;
        s->changed.notify_all();
    }
}

}  // namespace

void TNameLookup::SetThread(const TThreadStart* starter, const char* name) {
    starter_ = starter;
    std::strncpy(threadName_, name != nullptr ? name : "", sizeof threadName_ - 1);
}

bool TNameLookup::StartThread() {
    auto s = std::make_shared<TLookupState>();
    const TThreadStart system;
    const TThreadStart& starter = starter_ != nullptr ? *starter_ : system;
    if (!starter.Start(thread_, [s] { LookUp(s); })) return false;
    pthread_setname_np(thread_.native_handle(), threadName_);
    shared_ = std::move(s);
    seen_ = 0;
    return true;
}

TNameState TNameLookup::Address(const std::string& name, in_addr& a) {
    if (name != name_) {
        name_ = name;
        known_ = TNameState::Unknown;
    }
    if (name_.empty()) return TNameState::Failed;
    if (!shared_ && !StartThread()) {
        // No look-up can run: a known address stays in use.
        StopWaiting();
    } else {
        TLookupState& s = *shared_;
        std::lock_guard<std::mutex> z(s.mutex);
        if (s.finished != seen_) {
            seen_ = s.finished;
            if (s.looked == name_) {
                known_ = s.ok ? TNameState::Known : TNameState::Failed;
                addr_ = s.addr;
            }
        }
        if (!s.inside && s.wanted.empty()) {
            s.wanted = name_;
            s.changed.notify_all();
        }
    }
    if (known_ == TNameState::Known) a = addr_;
    return known_;
}

void TNameLookup::Await(int ms) {
    if (!shared_) return;
    TLookupState& s = *shared_;
    Guard z(s.mutex);
    s.changed.wait_for(z, std::chrono::milliseconds(ms), [&] { return s.finished != seen_; });
}

void TNameLookup::Stop() {
    if (!shared_) return;
    bool inside = false;
    {
        TLookupState& s = *shared_;
        Guard z(s.mutex);
        s.stop = true;
        s.changed.notify_all();
        // A look-up about to finish is given a moment, so that the library
        // need not stay loaded for it; a short one, since Done waits too.
        s.changed.wait_for(z, std::chrono::milliseconds(GraceMs), [&] { return !s.inside; });
        inside = s.inside;
    }
    // Not inside getaddrinfo, the thread sees the stop at once.
    if (!inside) {
        thread_.join();
    } else {
        KeepLibraryLoaded();
        thread_.detach();
    }
    shared_.reset();
    name_.clear();
    known_ = TNameState::Unknown;
}
