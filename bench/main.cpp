// zr6180-bench: measures the driver against raw UDP on this machine and
// prints one table. Options: --library PATH, --quick (short idle and fewer
// cycles), --only ITEMS (e.g. 3: only the baseline and item 3, for a
// profiler; 35: items 3 and 5; with commas, 3,10: items 3 and 10).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/Measure.h"
#include "bench/PingPong.h"
#include "bench/Scenarios.h"
#include "bench/Table.h"
#include "tools/common/DriverLibrary.h"

namespace {

struct TOptions {
    std::string library = RV_ZR6180_LIB;
    bool quick = false;
    std::string only;  // item numbers; empty: all
    bool Wants(const std::string& item) const {
        if (only.empty()) return true;
        if (only.find(',') == std::string::npos) return item.size() == 1 && only.find(item) != std::string::npos;
        return ("," + only + ",").find("," + item + ",") != std::string::npos;
    }
};

// What later rows compare with.
struct TRun {
    TDriverLibrary drv;
    std::vector<TRow> rows;
    double rtt = 0;          // raw UDP round trip, median
    double rawRate = 0;      // raw UDP exchanges/s
    double cycleMedian = 0;  // RUN log off
    double cycleP99 = 0;
};

std::string Us(double ns) { return Fixed(ns / 1000.0, 1) + " us"; }
std::string Times(double x) { return Fixed(x, 2) + "x"; }
double PerSecond(int exchanges, double ns) { return ns > 0 ? exchanges * 1e9 / ns : 0; }

// Where the CPU time of the batches went, per exchange, and how many cores
// were busy on average.
std::string CpuShare(const TBatches& b) {
    const double n = static_cast<double>(b.exchanges) * static_cast<double>(b.ns.size());
    if (n <= 0 || b.wallNs <= 0) return {};
    const double busy = static_cast<double>(b.driverCpuNs + b.simCpuNs + b.hostCpuNs) / static_cast<double>(b.wallNs);
    return Us(b.driverCpuNs / n) + " / " + Us(b.simCpuNs / n) + " / " + Us(b.hostCpuNs / n) + "; " + Fixed(busy, 2);
}

bool Fail(const char* what, const std::string& why) {
    std::fprintf(stderr, "%s failed: %s\n", what, why.c_str());
    return false;
}

bool Baseline(TRun& r, const TOptions& o) {
    const TPingPong ping = MeasurePingPong(o.quick ? 5000 : 20000);
    if (!ping.ok) return Fail("ping-pong", "no answer");
    r.rtt = Median(ping.roundTripsNs);
    r.rawRate = ping.exchangesPerSecond;
    r.rows.push_back({"1", "raw UDP round trip (RTT), median", Us(r.rtt), "1.00x", "", -1});
    r.rows.push_back({"1", "raw UDP round trip, p99", Us(Percentile(ping.roundTripsNs, 99)), "", "", -1});
    r.rows.push_back({"1", "raw UDP exchanges/s", Fixed(r.rawRate, 0), "1.00x", "", -1});
    return true;
}

bool CycleLatency(TRun& r, int cycles) {
    const TCycles c = MeasureCycles(r.drv, false, cycles);
    if (!c.ok) return Fail("cycle latency", c.error);
    r.cycleMedian = Median(c.ns);
    r.cycleP99 = Percentile(c.ns, 99);
    r.rows.push_back({"2", "cycle latency, median (" + std::to_string(cycles) + " cycles)", Us(r.cycleMedian),
                      Times(r.cycleMedian / r.rtt), "<= 3x RTT", r.cycleMedian <= 3 * r.rtt});
    r.rows.push_back({"2", "cycle latency, p99", Us(r.cycleP99), Times(r.cycleP99 / r.rtt), "<= 10x RTT",
                      r.cycleP99 <= 10 * r.rtt});
    r.rows.push_back({"2", "  stages (medians): request -> gateway / -> call-back / host",
                      Us(Median(c.toGatewayNs)) + " / " + Us(Median(c.toCallbackNs)) + " / " + Us(Median(c.hostNs)),
                      "", "", -1});
    if (c.finishedAtOnce > 0)
        r.rows.push_back({"2", "  cycles done before the first InputFinalized", std::to_string(c.finishedAtOnce), "",
                          "", -1});
    return true;
}

bool Throughput(TRun& r) {
    const TBatches one = MeasureOneInterface(r.drv, 5);
    if (!one.ok) return Fail("throughput, one interface", one.error);
    const double oneRate = PerSecond(one.exchanges, Median(one.ns));
    r.rows.push_back({"3", "1 interface x 1,000 reads, batch (median of 5)", Fixed(Median(one.ns) / 1e6, 2) + " ms",
                      "", "", -1});
    r.rows.push_back({"3", "1 interface: exchanges/s", Fixed(oneRate, 0), Times(oneRate / r.rawRate), ">= 0.50x raw",
                      oneRate >= 0.5 * r.rawRate});
    r.rows.push_back({"3", "  CPU per exchange: driver / simulator / host; cores busy", CpuShare(one), "", "", -1});
    const TBatches six = MeasureSixteenInterfaces(r.drv, 5);
    if (!six.ok) return Fail("throughput, sixteen interfaces", six.error);
    const double sixRate = PerSecond(six.exchanges, Median(six.ns));
    r.rows.push_back({"3", "16 interfaces x 1,000 reads, batch (median of 5)",
                      Fixed(Median(six.ns) / 1e6, 2) + " ms", "", "", -1});
    r.rows.push_back({"3", "16 interfaces: exchanges/s", Fixed(sixRate, 0), Times(sixRate / oneRate) + " of 1 if.",
                      ">= 1.5x 1 if.", sixRate >= 1.5 * oneRate});
    r.rows.push_back({"3", "  CPU per exchange: driver / simulator / host; cores busy", CpuShare(six), "", "", -1});
    return true;
}

bool IdleCost(TRun& r, double seconds) {
    const TIdle hidden = MeasureIdle(r.drv, false, seconds);
    if (!hidden.ok) return Fail("idle cost", hidden.error);
    r.rows.push_back({"4", "idle, 16 interfaces, window hidden: CPU", Fixed(hidden.coreShare * 100, 3) + " % core",
                      "", "< 0.5 %", hidden.coreShare < 0.005});
    const TIdle shown = MeasureIdle(r.drv, true, seconds);
    if (!shown.ok) return Fail("idle cost, headless window", shown.error);
    r.rows.push_back({"4", "idle, 16 interfaces, headless window refreshing",
                      Fixed(shown.coreShare * 100, 3) + " % core", "", "< 0.5 %", shown.coreShare < 0.005});
    return true;
}

bool LoggingCost(TRun& r, int cycles) {
    const TCycles c = MeasureCycles(r.drv, true, cycles);
    if (!c.ok) return Fail("logging cost", c.error);
    const double med = Median(c.ns), p99 = Percentile(c.ns, 99);
    const auto ofOff = [](double on, double off) { return off > 0 ? Times(on / off) + " of off" : std::string(); };
    r.rows.push_back({"5", "cycle latency with RUN log, median", Us(med), ofOff(med, r.cycleMedian), "", -1});
    r.rows.push_back({"5", "cycle latency with RUN log, p99", Us(p99), ofOff(p99, r.cycleP99), "", -1});
    return true;
}

bool Memory(TRun& r, const TOptions& o) {
    const TMemory m = MeasureMemory(o.library);
    if (!m.ok) return Fail("memory", m.error);
    r.rows.push_back({"6", "VmRSS, 16 interfaces, 6,001 channels", Fixed(m.rssKb / 1024.0, 1) + " MB", "", "< 16 MB",
                      m.rssKb < 16 * 1024});
    r.rows.push_back({"6", "  anonymous / file-backed / before dlopen",
                      Fixed(m.anonKb / 1024.0, 1) + " / " + Fixed(m.fileKb / 1024.0, 1) + " / " +
                          Fixed(m.baseKb / 1024.0, 1) + " MB",
                      "", "", -1});
    return true;
}

bool Refused(TRun& r) {
    const TRefused f = MeasureRefused(r.drv, 5);
    if (!f.ok) return Fail("refused requests", f.error);
    const double med = Median(f.ns), worst = Percentile(f.ns, 100);
    r.rows.push_back({"7", "1,000 refused InputRequests (median of 5)", Fixed(med / 1e6, 3) + " ms", "", "< 5 ms",
                      med < 5e6});
    r.rows.push_back({"7", "  slowest of the 5 runs", Fixed(worst / 1e6, 3) + " ms", "", "", -1});
    return true;
}

// The web server on, a page open and a scrape each second, against the same
// without the server. Long enough runs for the page's questions to fall
// into them, in four rounds of off and on so that drift hits both alike.
bool WebCost(TRun& r, bool quick) {
    const int cycles = quick ? 8000 : 25000, batches = quick ? 3 : 8;
    std::vector<int64_t> cyclesOff, cyclesOn, batchesOff, batchesOn;
    uint64_t answered = 0, failed = 0;
    int exchanges = 0;
    for (int round = 0; round < 4; ++round) {
        for (bool web : {round % 2 == 0, round % 2 != 0}) {
            const TCycles c = MeasureCycles(r.drv, false, cycles, web);
            const TBatches b = MeasureSixteenInterfaces(r.drv, batches, web);
            if (!c.ok || !b.ok) return Fail("web server cost", c.ok ? b.error : c.error);
            auto& cs = web ? cyclesOn : cyclesOff;
            auto& bs = web ? batchesOn : batchesOff;
            cs.insert(cs.end(), c.ns.begin(), c.ns.end());
            bs.insert(bs.end(), b.ns.begin(), b.ns.end());
            answered += c.webAnswered + b.webAnswered;
            failed += c.webFailed + b.webFailed;
            exchanges = b.exchanges;
        }
    }
    const double off = Median(cyclesOff), on = Median(cyclesOn);
    const double rateOff = PerSecond(exchanges, Median(batchesOff)), rateOn = PerSecond(exchanges, Median(batchesOn));
    r.rows.push_back({"8", "cycle latency, median, web server off", Us(off), "1.00x", "", -1});
    r.rows.push_back({"8", "  ... on, page open and a scrape each second", Us(on), Times(on / off) + " of off",
                      "<= 1.05x", on <= 1.05 * off});
    r.rows.push_back({"8", "16 interfaces: exchanges/s, web server off", Fixed(rateOff, 0), "1.00x", "", -1});
    r.rows.push_back({"8", "  ... on, page open and a scrape each second", Fixed(rateOn, 0),
                      Times(rateOn / rateOff) + " of off", ">= 0.95x", rateOn >= 0.95 * rateOff});
    r.rows.push_back({"8", "  web answers during the runs: 200 / failed", std::to_string(answered) + " / " +
                      std::to_string(failed), "", "all 200", answered > 0 && failed == 0});
    return true;
}

// The channel overview of the web page with 6,001 channels declared: what
// its answers weigh and take to serve, and what the page open on it costs
// the host's cycles, against the same without the server.
bool OverviewCost(TRun& r, bool quick) {
    const TOverview o = MeasureOverview(r.drv, quick ? 10 : 40);
    if (!o.ok) return Fail("channel overview", o.error);
    const auto kb = [](std::size_t b) { return Fixed(static_cast<double>(b) / 1024.0, 1) + " KiB"; };
    const auto ms = [](const std::vector<int64_t>& ns) { return Fixed(Median(ns) / 1e6, 2) + " ms"; };
    r.rows.push_back({"9", "overview, 6,001 channels: list (once), size / served", kb(o.listBytes) + " / " + ms(o.listNs),
                      "", "", -1});
    r.rows.push_back({"9", "  values (each second), size / served", kb(o.valuesBytes) + " / " + ms(o.valuesNs), "",
                      "< 50 ms", Median(o.valuesNs) < 50e6});
    r.rows.push_back({"9", "  charts' history (each second), size / served",
                      kb(o.historyBytes) + " / " + ms(o.historyNs), "", "", -1});
    // Many short rounds: on a shared machine the load of others drifts
    // within seconds, and so it falls on both sides alike.
    const int cycles = quick ? 4000 : 8000, rounds = quick ? 4 : 12;
    std::vector<int64_t> off, on;
    uint64_t answered = 0, failed = 0;
    for (int round = 0; round < rounds; ++round) {
        for (bool web : {round % 2 == 0, round % 2 != 0}) {
            const TCycles c = MeasureCyclesAllChannels(r.drv, cycles, web);
            if (!c.ok) return Fail("channel overview cost", c.error);
            (web ? on : off).insert((web ? on : off).end(), c.ns.begin(), c.ns.end());
            answered += c.webAnswered;
            failed += c.webFailed;
        }
    }
    const double mOff = Median(off), mOn = Median(on);
    r.rows.push_back({"9", "cycle latency, median, 6,001 channels, web server off", Us(mOff), "1.00x", "", -1});
    r.rows.push_back({"9", "  ... on, overview open and a scrape each second", Us(mOn), Times(mOn / mOff) + " of off",
                      "<= 1.05x", mOn <= 1.05 * mOff});
    const double pOff = Percentile(off, 99), pOn = Percentile(on, 99);
    r.rows.push_back({"9", "  p99 off / on", Us(pOff) + " / " + Us(pOn), Times(pOn / pOff) + " of off", "", -1});
    r.rows.push_back({"9", "  web answers during the runs: 200 / failed",
                      std::to_string(answered) + " / " + std::to_string(failed), "", "all 200",
                      answered > 0 && failed == 0});
    return true;
}

// The RUN log's writer and the window's refresh called directly, without
// the exports or the network around them.
bool UnitCosts(TRun& r, bool quick) {
    const TRunLine l = MeasureRunLine(quick ? 1000 : 2000);
    if (!l.ok) return Fail("RUN line cost", l.error);
    const double bare = l.bareLinesPerSecond;
    r.rows.push_back({"10", "bare open/write/close of a RUN-sized line: lines/s", Fixed(bare, 0), "1.00x", "", -1});
    // Loose targets, as a busy machine moves both sides: they still catch a
    // line that costs extra file operations or formatting.
    r.rows.push_back({"10", "  ZapisRun, RUN log on: lines/s", Fixed(l.runLinesPerSecond, 0),
                      Times(l.runLinesPerSecond / bare) + " of bare", ">= 0.20x", l.runLinesPerSecond >= 0.2 * bare});
    r.rows.push_back({"10", "  ZapisRun, RUN log off: calls/s", Fixed(l.offCallsPerSecond, 0),
                      Times(l.offCallsPerSecond / bare) + " of bare", ">= 3x", l.offCallsPerSecond >= 3 * bare});
    const TRefresh f = MeasureRefresh(quick ? 500 : 2000);
    if (!f.ok) return Fail("window refresh cost", f.error);
    const auto us = [](double v) { return Fixed(v, 1) + " us"; };
    r.rows.push_back({"10", "window refresh, 16 interfaces, 2,000 channels: Info page", us(f.infoUs), "", "< 1000 us",
                      f.infoUs < 1000});
    r.rows.push_back({"10", "  interface page", us(f.interfaceUs), "", "< 1000 us", f.interfaceUs < 1000});
    r.rows.push_back({"10", "  channel page", us(f.channelUs), "", "< 1000 us", f.channelUs < 1000});
    return true;
}

std::string LoadAverage() {
    char b[64] = {};
    FILE* f = std::fopen("/proc/loadavg", "r");
    if (f == nullptr) return "?";
    const bool got = std::fgets(b, sizeof b, f) != nullptr;
    std::fclose(f);
    std::string s = got ? b : "?";
    const std::size_t third = s.find(' ', s.find(' ', s.find(' ') + 1) + 1);
    return third == std::string::npos ? s : s.substr(0, third);
}

int Run(const TOptions& o) {
    const std::string loadAtStart = LoadAverage();
    TRun r;
    std::string error;
    if (!r.drv.Open(o.library, error)) return Fail("loading the driver", error), 1;
    if (!r.drv.missing.empty())
        return Fail("loading the driver", o.library + ": missing exports " + r.drv.MissingText()), 1;
    const int cycles = o.quick ? 2000 : 5000;
    const double idleSeconds = o.quick ? 2.0 : 10.0;
    const auto step = [&](const char* item, const char* what, auto&& f) {
        if (!o.Wants(item)) return true;
        std::fprintf(stderr, "... %s\n", what);
        return f();
    };
    const bool ok = Baseline(r, o) &&
                    step("2", "cycle latency", [&] { return CycleLatency(r, cycles); }) &&
                    step("3", "throughput", [&] { return Throughput(r); }) &&
                    step("4", "idle cost", [&] { return IdleCost(r, idleSeconds); }) &&
                    step("5", "logging cost", [&] { return LoggingCost(r, cycles); }) &&
                    step("6", "memory", [&] { return Memory(r, o); }) &&
                    step("7", "refused requests", [&] { return Refused(r); }) &&
                    step("8", "web server cost", [&] { return WebCost(r, o.quick); }) &&
                    step("9", "channel overview", [&] { return OverviewCost(r, o.quick); }) &&
                    step("10", "units in this process", [&] { return UnitCosts(r, o.quick); });
    if (!ok) return 1;
    std::fflush(stderr);
    PrintTable(r.rows);
    // Other work on this machine moves every figure: the ratios to the
    // baseline of the same run are the ones to compare.
    std::printf("load average at start / end: %s / %s\n", loadAtStart.c_str(), LoadAverage().c_str());
    int met = 0, targets = 0;
    for (const TRow& row : r.rows) {
        targets += row.met >= 0;
        met += row.met == 1;
    }
    std::printf("targets met: %d of %d\n", met, targets);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The headless window layer: no screen is needed and GTK is never started.
    setenv("RV_ZR6180_WINDOW", "none", 1);
    TOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--memory-child" && i + 1 < argc) return MemoryChild(argv[i + 1]);
        if (a == "--library" && i + 1 < argc) {
            o.library = argv[++i];
        } else if (a == "--quick") {
            o.quick = true;
        } else if (a == "--only" && i + 1 < argc) {
            o.only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--library PATH] [--quick] [--only ITEMS]\n", argv[0]);
            return 2;
        }
    }
    return Run(o);
}
