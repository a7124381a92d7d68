#include "tools/host/Session.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>

#include "tools/host/Encoding.h"

namespace host {
namespace {

// The host's own waits, as a control system's: a process of its own that only
// loads the driver, so not the driver's clock seam (which belongs to an instance).
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Context handed to Init; the call-back only counts calls that carry it.
constexpr int32_t kContext = 0x6180;

// How often a still-pending request is asked again even without a call-back,
// and how long one wait lasts before the window gets its turn.
constexpr milliseconds kRepoll{250};
constexpr milliseconds kSlice{10};

// The call-back arrives on the driver's thread and names only the
// direction, so the host counts calls and asks the pending channels again.
class CallbackSink {
public:
    static int32_t Receive(int32_t context, int32_t way, PData) {
        if (context != kContext || (way != 0 && way != 1)) return 0;
        CallbackSink& s = Instance();
        {
            std::lock_guard<std::mutex> g(s.m_);
            ++s.count_[way];
        }
        s.cv_.notify_all();
        return 0;
    }

    static CallbackSink& Instance() {
        static CallbackSink s;
        return s;
    }

    uint64_t Count(int way) {
        std::lock_guard<std::mutex> g(m_);
        return count_[way];
    }

    uint64_t Total() {
        std::lock_guard<std::mutex> g(m_);
        return count_[0] + count_[1];
    }

    // Waits until a call beyond the `seen` total arrived, or until `until`.
    void WaitBeyond(uint64_t seen, Clock::time_point until) {
        std::unique_lock<std::mutex> g(m_);
        cv_.wait_until(g, until, [&] { return count_[0] + count_[1] != seen; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    uint64_t count_[2] = {0, 0};
};

}  // namespace

void CatchInterrupts() {
    struct sigaction a;
    std::memset(&a, 0, sizeof a);
    a.sa_handler = OnInterrupt;
    sigemptyset(&a.sa_mask);
    sigaction(SIGINT, &a, nullptr);
    sigaction(SIGTERM, &a, nullptr);
}

bool Interrupted() { return gInterrupted != 0; }

bool Session::Start(const std::string& paramFile, uint32_t level, std::string& error) {
    data_ = d_.MakeDriver();
    if (data_ == nullptr) {
        error = "MakeDriver returned no instance";
        return false;
    }
    char chyba[1024];
    std::memset(chyba, 0, sizeof chyba);
    const bool ok = d_.Init(data_, 0, paramFile.c_str(), sizeof chyba - 1, chyba, level, 0, kContext,
                            &CallbackSink::Receive) != 0;
    if (!ok) {
        error = Cp1250ToUtf8(std::string_view(chyba, strnlen(chyba, sizeof chyba)));
        if (error.empty()) error = "Init failed without a message";
    }
    iterate_ = FindMainContext();
    return ok;
}

void Session::Stop() {
    if (data_ == nullptr) return;
    d_.Done(data_);
    d_.DisposeDriver(data_);
    data_ = nullptr;
}

void Session::TurnMainContext() {
    if (iterate_ == nullptr) return;
    // Bounded, so that a source that is always ready cannot hold the host.
    for (int i = 0; i < 64 && iterate_(nullptr, 0) != 0; ++i) {
    }
}

template <class Ready>
void Session::Idle(uint32_t ms, Ready ready) {
    CallbackSink& sink = CallbackSink::Instance();
    const auto until = Clock::now() + milliseconds(ms);
    const auto slice = iterate_ ? kSlice : milliseconds(50);
    while (!Interrupted()) {
        // Taken before the test, so a call arriving in between ends the wait.
        const uint64_t total = sink.Total();
        if (ready()) return;
        const auto now = Clock::now();
        if (now >= until) return;
        TurnMainContext();
        sink.WaitBeyond(total, std::min(until, now + slice));
    }
}

void Session::Pump(uint32_t ms) {
    Idle(ms, [] { return false; });
}

template <class Finalize, class ChannelOf>
void Session::Settle(int direction, uint64_t seen, uint32_t timeoutMs, std::vector<std::size_t> pending,
                     Finalize finalize, ChannelOf channelOf) {
    CallbackSink& sink = CallbackSink::Instance();
    const auto start = Clock::now();
    const auto deadline = start + milliseconds(timeoutMs);
    bool waited = false;
    const auto report = [&](uint32_t channel) {
        if (!onWait) return;
        const auto ms = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
        waited = channel != 0;
        onWait(static_cast<uint32_t>(ms), channel);
    };
    while (!pending.empty() && !Interrupted()) {
        const auto now = Clock::now();
        if (now >= deadline) break;
        report(channelOf(pending.front()));
        const auto until = std::min(deadline, now + kRepoll);
        const auto left = std::chrono::duration_cast<milliseconds>(until - now).count();
        Idle(static_cast<uint32_t>(left), [&] { return sink.Count(direction) != seen; });
        seen = sink.Count(direction);
        std::vector<std::size_t> still;
        for (const std::size_t i : pending)
            if (!finalize(i)) still.push_back(i);
        pending.swap(still);
    }
    if (waited) report(0);
}

template <class Result, class Finalized>
void Session::FinishCycle(int direction, uint64_t seen, uint32_t timeoutMs, std::vector<Result>& r,
                          Finalized finalized) {
    const auto finalize = [&](std::size_t i) {
        r[i].finished = finalized(data_, r[i].channel, &r[i].word) != 0;
        return r[i].finished;
    };
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < r.size(); ++i)
        if (!finalize(i)) pending.push_back(i);
    Settle(direction, seen, timeoutMs, pending, finalize, [&](std::size_t i) { return r[i].channel; });
}

std::vector<InputResult> Session::Read(const std::vector<uint32_t>& channels, uint32_t timeoutMs) {
    std::vector<InputResult> r(channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i) {
        r[i].channel = channels[i];
        r[i].kind = InputKind(channels[i]);
        d_.InputRequest(data_, channels[i]);
    }
    const uint64_t seen = CallbackSink::Instance().Count(0);
    d_.InputRequestCompleted(data_);
    FinishCycle(0, seen, timeoutMs, r, d_.InputFinalized);
    for (InputResult& x : r) {
        if (!x.finished) continue;
        x.value.TypHodnoty = TypeCode(x.kind);
        d_.GetInput(data_, x.channel, &x.value);
    }
    return r;
}

std::vector<OutputResult> Session::Write(const std::vector<OutputValue>& values, uint32_t timeoutMs) {
    std::vector<OutputResult> r(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        r[i].channel = values[i].channel;
        THodnota v = values[i].value;
        if (values[i].kind == Kind::Text) v.Hodnota.Text = values[i].text.c_str();
        d_.OutputRequest(data_, values[i].channel, v);
    }
    const uint64_t seen = CallbackSink::Instance().Count(1);
    d_.OutputRequestCompleted(data_);
    FinishCycle(1, seen, timeoutMs, r, d_.OutputFinalized);
    return r;
}

void Session::Monitor(uint32_t channel) {
    THodnota v{};
    v.TypHodnoty = TypInt;
    v.Hodnota.Cele = static_cast<int32_t>(channel);
    d_.OutputRequest(data_, 6, v);
    int32_t word = 3;
    d_.OutputFinalized(data_, 6, &word);
}

MonitorResult Session::ReadMonitor(uint32_t channel) {
    Monitor(channel);
    MonitorResult m;
    m.channel = channel;
    int32_t* fields[] = {&m.address, &m.status, &m.statusRegister};
    for (uint32_t k = 3; k <= 5; ++k) {
        THodnota v{};
        v.TypHodnoty = TypInt;
        v.Hodnota.Cele = -1;
        d_.GetInput(data_, k, &v);
        *fields[k - 3] = v.Hodnota.Cele;
    }
    return m;
}

int32_t Session::ChannelStatus(uint32_t channel) {
    Monitor(channel);
    THodnota s{};
    s.TypHodnoty = TypInt;
    s.Hodnota.Cele = -1;
    d_.GetInput(data_, 4, &s);
    return s.Hodnota.Cele;
}

}  // namespace host
