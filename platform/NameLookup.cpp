#include "platform/NameLookup.h"

#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>

#include <mutex>
#include <new>

// Everything glibc's helper thread reads or writes during one look-up, in
// one heap block: it must stay where it is until that thread is done.
struct TLookupJob {
    gaicb cb{};
    addrinfo hints{};
    std::string name;
    TLookupJob* next = nullptr;  // in the list of abandoned look-ups
};

namespace {

bool Running(TLookupJob* j) { return gai_error(&j->cb) == EAI_INPROGRESS; }

void Free(TLookupJob* j) {
    if (j->cb.ar_result != nullptr) freeaddrinfo(j->cb.ar_result);
    delete j;
}

// Look-ups abandoned while glibc still ran them. Each is freed by a later
// abandonment or when the library is unloaded, once it has finished; one
// that still runs then is left to glibc, which writes only into the block.
class TAbandoned {
public:
    ~TAbandoned() {
        std::lock_guard<std::mutex> g(mutex_);
        FreeFinished();
    }
    void Add(TLookupJob* j) {
        std::lock_guard<std::mutex> g(mutex_);
        FreeFinished();
        j->next = first_;
        first_ = j;
    }

private:
    void FreeFinished() {
        for (TLookupJob** p = &first_; *p != nullptr;) {
            TLookupJob* j = *p;
            if (Running(j)) {
                p = &j->next;
                continue;
            }
            *p = j->next;
            Free(j);
        }
    }

    std::mutex mutex_;
    TLookupJob* first_ = nullptr;
};

TAbandoned abandoned;

}  // namespace

TNameLookup::~TNameLookup() { Abandon(); }

TNameState TNameLookup::Address(const std::string& name, in_addr& a) {
    if (name != name_) {
        Abandon();
        name_ = name;
        state_ = TNameState::Unknown;
    }
    if (name_.empty()) return TNameState::Failed;
    if (job_ != nullptr && !Running(job_)) TakeOutcome();
    if (job_ == nullptr) Begin();
    if (state_ == TNameState::Known) a = addr_;
    return state_;
}

void TNameLookup::Await(int ms) {
    if (job_ == nullptr) return;
    const gaicb* list[1] = {&job_->cb};
    const timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    gai_suspend(list, 1, &t);  // early on an outcome, a signal or the time-out: the caller looks again
}

void TNameLookup::TakeOutcome() {
    const addrinfo* r = gai_error(&job_->cb) == 0 ? job_->cb.ar_result : nullptr;
    if (r != nullptr && r->ai_family == AF_INET && r->ai_addr != nullptr) {
        addr_ = reinterpret_cast<const sockaddr_in*>(r->ai_addr)->sin_addr;
        state_ = TNameState::Known;
    } else {
        state_ = TNameState::Failed;
    }
    Free(job_);
    job_ = nullptr;
}

void TNameLookup::Begin() {
    TLookupJob* j = new (std::nothrow) TLookupJob;
    if (j != nullptr) {
        j->name = name_;
        j->hints.ai_family = AF_INET;
        j->hints.ai_socktype = SOCK_DGRAM;
        j->cb.ar_name = j->name.c_str();
        j->cb.ar_request = &j->hints;
        gaicb* list[1] = {&j->cb};
        // No notification: glibc's thread never calls into the library.
        sigevent s{};
        s.sigev_notify = SIGEV_NONE;
        if (getaddrinfo_a(GAI_NOWAIT, list, 1, &s) == 0) {
            job_ = j;
            return;
        }
        delete j;
    }
    // No look-up could start: with no address known, the name fails as a
    // failed look-up does; a known address stays in use.
    if (state_ == TNameState::Unknown) state_ = TNameState::Failed;
}

void TNameLookup::Abandon() {
    TLookupJob* j = job_;
    job_ = nullptr;
    if (j == nullptr) return;
    if (gai_cancel(&j->cb) == EAI_CANCELED || !Running(j)) {
        Free(j);
        return;
    }
    abandoned.Add(j);
}
