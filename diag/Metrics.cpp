// The driver's counters in the Prometheus text exposition format. The format
// is a few lines of text; the counters are the driver's own relaxed atomics,
// read here without stopping anyone.
#include <charconv>
#include <string>

#include "config/Model.h"
#include "diag/DrvDialog.h"
#include "diag/WebView.h"

#ifndef RV_ZR6180_VERSION
#define RV_ZR6180_VERSION "unknown"
#endif

namespace {

class TExposition {
public:
    // "# HELP" and "# TYPE" of a family, once before its samples.
    void Family(std::string_view name, std::string_view type, std::string_view help) {
        out_.append("# HELP ").append(name).append(" ").append(help).append("\n");
        out_.append("# TYPE ").append(name).append(" ").append(type).append("\n");
    }
    // name{labels} value; `labels` without the braces, may be empty.
    void Sample(std::string_view name, std::string_view labels, uint64_t v) {
        Head(name, labels);
        out_.append(std::to_string(v)).append("\n");
    }
    void Sample(std::string_view name, std::string_view labels, double v) {
        Head(name, labels);
        char b[32];
        const auto r = std::to_chars(b, b + sizeof b, v);
        out_.append(b, r.ptr).append("\n");
    }
    std::string Take() { return std::move(out_); }

private:
    void Head(std::string_view name, std::string_view labels) {
        out_.append(name);
        if (!labels.empty()) out_.append("{").append(labels).append("}");
        out_.append(" ");
    }
    std::string out_;
};

std::string InterfaceLabel(int i) { return "interface=\"" + std::to_string(i) + "\""; }

bool Declared(const TData& d, int i) { return d.Rozhrani[i].Pouzito != 0; }

// One counter of every declared interface.
template <class F>
void PerInterface(TExposition& e, const TData& d, std::string_view name, std::string_view help, F value) {
    e.Family(name, "counter", help);
    for (int i = FirstInterface; i <= LastInterface; ++i)
        if (Declared(d, i)) e.Sample(name, InterfaceLabel(i), static_cast<uint64_t>(value(d.InterfaceCounters[i])));
}

void Answers(TExposition& e, const TData& d) {
    constexpr std::string_view name = "rv_zr6180_answers_total";
    e.Family(name, "counter", "Valid answers of the gateway to a request, by the status code they carry.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        const auto& a = d.InterfaceCounters[i].Answers;
        for (std::size_t s = 0; s < a.size(); ++s) {
            const uint64_t n = a[s];
            // Every status the driver knows is there from the start, so that
            // an alert on its rate needs no first occurrence.
            if (n != 0 || s <= StatusInterfaceTimeout) e.Sample(name, InterfaceLabel(i) + ",status=\"" + std::to_string(s) + "\"", n);
        }
    }
}

void Queues(TExposition& e, const TData& d) {
    e.Family("rv_zr6180_queue_depth", "gauge", "Requests waiting in the interface's queue.");
    for (int i = FirstInterface; i <= LastInterface; ++i)
        if (Declared(d, i))
            e.Sample("rv_zr6180_queue_depth", InterfaceLabel(i), static_cast<uint64_t>(std::max(0, d.Fronty[i].PocetPotvrzenych.load())));
    e.Family("rv_zr6180_queue_depth_max", "gauge", "Highest queue depth since Init.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        const int32_t depth = std::max(d.InterfaceCounters[i].QueueDepthMax.load(), d.Fronty[i].PocetPotvrzenych.load());
        e.Sample("rv_zr6180_queue_depth_max", InterfaceLabel(i), static_cast<uint64_t>(std::max(0, depth)));
    }
}

void InterfaceStatus(TExposition& e, const TData& d) {
    e.Family("rv_zr6180_interface_status", "gauge", "Status code of the interface, 0 when it is in order.");
    for (int i = FirstInterface; i <= LastInterface; ++i)
        if (Declared(d, i))
            e.Sample("rv_zr6180_interface_status", InterfaceLabel(i), static_cast<double>(d.Rozhrani[i].Status.load()));
}

// What the window's boxes show, as numbers an alert can compare.
void Faults(TExposition& e, const TData& d) {
    e.Family("rv_zr6180_faulty_channels", "gauge", "Channels of the interface whose last request ended with a fault.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        uint64_t n = 0;
        for (const auto& s : d.Rozhrani[i].StatusKanalu) n += s != 0;
        e.Sample("rv_zr6180_faulty_channels", InterfaceLabel(i), n);
    }
    e.Family("rv_zr6180_faulty_modules", "gauge", "Modules of the interface whose last exchange ended with a fault.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        uint64_t n = 0;
        for (const auto& m : d.Rozhrani[i].Moduly) n += m.Status != 0;
        e.Sample("rv_zr6180_faulty_modules", InterfaceLabel(i), n);
    }
    // A state set: one sample per state, 1 for the box's colour now.
    constexpr std::string_view name = "rv_zr6180_indicator";
    e.Family(name, "gauge", "The interface's box in the window: 1 for the state it shows.");
    const std::pair<TColour, std::string_view> states[] = {
        {ColourGreen, "ok"}, {ColourYellow, "channel fault"}, {ColourRed, "interface fault"}, {ColourGrey, "undeclared"}};
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        const TColour c = TDrvDialog::BarvaRozhrani(d.Rozhrani[i]);
        for (const auto& [colour, state] : states)
            e.Sample(name, InterfaceLabel(i) + ",state=\"" + std::string(state) + "\"", uint64_t{c == colour});
    }
}

// Ticks turned into wall-clock seconds through one reading of both clocks.
void Times(TExposition& e, const TData& d) {
    const int64_t real = Clock(&d).RealMs();
    const uint32_t tick = Now(&d);
    e.Family("rv_zr6180_start_time_seconds", "gauge", "When Init started the driver, in seconds since the epoch.");
    e.Sample("rv_zr6180_start_time_seconds", "", static_cast<double>(d.DriverCounters.StartRealMs.load()) / 1000.0);
    constexpr std::string_view name = "rv_zr6180_last_answer_timestamp_seconds";
    e.Family(name, "gauge", "When the gateway last gave a valid answer, in seconds since the epoch; 0 before the first.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        const TInterfaceCounters& c = d.InterfaceCounters[i];
        const double t = c.Answered != 0 ? static_cast<double>(real - static_cast<int64_t>(tick - c.LastAnswerTick.load())) / 1000.0 : 0.0;
        e.Sample(name, InterfaceLabel(i), t);
    }
}

void ExchangeTimes(TExposition& e, const TData& d) {
    constexpr std::string_view name = "rv_zr6180_exchange_seconds";
    e.Family(name, "histogram", "Time from sending a request to its answer or to the UDP time-out.");
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (!Declared(d, i)) continue;
        const TInterfaceCounters& c = d.InterfaceCounters[i];
        const std::string label = InterfaceLabel(i);
        uint64_t total = 0;
        for (std::size_t b = 0; b < ExchangeBucketsUs.size(); ++b) {
            total += c.ExchangeBuckets[b];
            char le[16];
            const auto r = std::to_chars(le, le + sizeof le, ExchangeBucketsUs[b] / 1e6);
            e.Sample("rv_zr6180_exchange_seconds_bucket", label + ",le=\"" + std::string(le, r.ptr) + "\"", total);
        }
        total += c.ExchangeBuckets[ExchangeBucketsUs.size()];
        e.Sample("rv_zr6180_exchange_seconds_bucket", label + ",le=\"+Inf\"", total);
        e.Sample("rv_zr6180_exchange_seconds_sum", label, static_cast<double>(c.ExchangeUsSum.load()) / 1e6);
        e.Sample("rv_zr6180_exchange_seconds_count", label, total);
    }
}

void Refused(TExposition& e, const TData& d) {
    constexpr std::string_view name = "rv_zr6180_refused_requests_total";
    e.Family(name, "counter", "Requests finished at once without an exchange, by their status code.");
    const auto& r = d.DriverCounters.Refused;
    for (std::size_t s = 0; s < r.size(); ++s) {
        const uint64_t n = r[s];
        const bool usual = s == StatusSendError || s == StatusChannelUndefined || s == StatusInterfaceUndefined ||
                           s == StatusBadReal || s == StatusBadString;
        if (n != 0 || usual) e.Sample(name, "status=\"" + std::to_string(s) + "\"", n);
    }
}

void LogFailures(TExposition& e, const TData& d) {
    const TLogFailures& f = d.LogFailures;
    constexpr std::string_view lost = "rv_zr6180_log_write_failures_total";
    e.Family(lost, "counter", "Log lines that could not be written (disk full, directory gone, no file descriptor), by log.");
    for (std::size_t k = 0; k < LogKindCount; ++k)
        e.Sample(lost, std::string("log=\"") + LogKindNames[k] + "\"", f.Failed[k].load());
    constexpr std::string_view failing = "rv_zr6180_log_failing";
    e.Family(failing, "gauge", "1 while the last write of a log of this kind failed.");
    for (std::size_t k = 0; k < LogKindCount; ++k) {
        const auto kind = static_cast<TLogKind>(k);
        bool now = false;
        if (kind == TLogKind::Interface) {
            for (int i = FirstInterface; i <= LastInterface; ++i) now = now || f.Failing[LogFileSlot(kind, i)] != 0;
        } else {
            now = f.Failing[LogFileSlot(kind, 0)] != 0;
        }
        e.Sample(failing, std::string("log=\"") + LogKindNames[k] + "\"", uint64_t{now ? 1u : 0u});
    }
}

}  // namespace

std::string MetricsText(TData& d) {
    TExposition e;
    e.Family("rv_zr6180_build_info", "gauge", "The driver's version.");
    e.Sample("rv_zr6180_build_info", "version=\"" RV_ZR6180_VERSION "\"", uint64_t{1});
    PerInterface(e, d, "rv_zr6180_requests_sent_total", "Request datagrams sent to the gateway, every attempt.",
                 [](const TInterfaceCounters& c) { return c.Sent.load(); });
    PerInterface(e, d, "rv_zr6180_retries_total", "Request datagrams sent again after an attempt without an answer.",
                 [](const TInterfaceCounters& c) { return c.Retries.load(); });
    Answers(e, d);
    PerInterface(e, d, "rv_zr6180_udp_timeouts_total", "Requests that ended with status 21: no answer after every attempt.",
                 [](const TInterfaceCounters& c) { return c.UdpTimeouts.load(); });
    PerInterface(e, d, "rv_zr6180_exceptions_total", "Requests that ended with status 19: an error during the exchange.",
                 [](const TInterfaceCounters& c) { return c.Exceptions.load(); });
    PerInterface(e, d, "rv_zr6180_interface_timeouts_total", "Requests that ended with status 26: the time limit ran out.",
                 [](const TInterfaceCounters& c) { return c.InterfaceTimeouts.load(); });
    PerInterface(e, d, "rv_zr6180_invalid_datagrams_total", "Datagrams that were not a valid answer packet.",
                 [](const TInterfaceCounters& c) { return c.InvalidDatagrams.load(); });
    PerInterface(e, d, "rv_zr6180_foreign_datagrams_total", "Valid packets for another channel or for no current exchange.",
                 [](const TInterfaceCounters& c) { return c.ForeignDatagrams.load(); });
    Queues(e, d);
    InterfaceStatus(e, d);
    Faults(e, d);
    Times(e, d);
    ExchangeTimes(e, d);
    Refused(e, d);
    e.Family("rv_zr6180_callbacks_total", "counter", "Calls of the host's call-back.");
    e.Sample("rv_zr6180_callbacks_total", "", d.DriverCounters.CallBacks.load());
    LogFailures(e, d);
    return e.Take();
}
