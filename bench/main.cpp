// zr6180-bench: measures the driver against raw UDP on this machine and
// prints one table. Options: --library PATH, --quick (short idle and fewer
// cycles, for a look during development).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/Driver.h"
#include "bench/Measure.h"
#include "bench/PingPong.h"
#include "bench/Scenarios.h"
#include "bench/Table.h"

namespace {

struct TOptions {
    std::string library = RV_ZR6180_LIB;
    bool quick = false;
};

std::string Us(double ns) { return Fixed(ns / 1000.0, 1) + " us"; }
std::string Times(double x) { return Fixed(x, 2) + "x"; }

double PerSecond(int exchanges, double ns) { return ns > 0 ? exchanges * 1e9 / ns : 0; }

void Progress(const char* what) {
    std::fprintf(stderr, "... %s\n", what);
}

int Fail(const char* what, const std::string& why) {
    std::fprintf(stderr, "%s failed: %s\n", what, why.c_str());
    return 1;
}

int Run(const TOptions& o) {
    TBenchDriver drv;
    std::string error;
    if (!drv.Open(o.library, error)) return Fail("loading the driver", error);
    const int cycles = o.quick ? 2000 : 5000;
    const double idleSeconds = o.quick ? 2.0 : 10.0;
    std::vector<TRow> rows;

    Progress("raw UDP ping-pong");
    const TPingPong ping = MeasurePingPong(o.quick ? 5000 : 20000);
    if (!ping.ok) return Fail("ping-pong", "no answer");
    const double rtt = Median(ping.roundTripsNs);
    rows.push_back({"1", "raw UDP round trip, median", Us(rtt), "1.00x", "", -1});
    rows.push_back({"1", "raw UDP round trip, p99", Us(Percentile(ping.roundTripsNs, 99)), "", "", -1});
    rows.push_back({"1", "raw UDP exchanges/s", Fixed(ping.exchangesPerSecond, 0), "1.00x", "", -1});

    Progress("cycle latency");
    const TCycles cyc = MeasureCycles(drv, false, cycles);
    if (!cyc.ok) return Fail("cycle latency", cyc.error);
    const double cMed = Median(cyc.ns), cP99 = Percentile(cyc.ns, 99);
    rows.push_back({"2", "cycle latency, median (" + std::to_string(cycles) + " cycles)", Us(cMed),
                    Times(cMed / rtt), "<= 3x RTT", cMed <= 3 * rtt});
    rows.push_back({"2", "cycle latency, p99", Us(cP99), Times(cP99 / rtt), "<= 10x RTT", cP99 <= 10 * rtt});
    if (cyc.finishedAtOnce > 0)
        rows.push_back({"2", "cycles finished before the first InputFinalized", std::to_string(cyc.finishedAtOnce),
                        "", "", -1});

    Progress("throughput, one interface");
    const TBatches one = MeasureOneInterface(drv, 5);
    if (!one.ok) return Fail("throughput, one interface", one.error);
    const double oneRate = PerSecond(one.exchanges, Median(one.ns));
    rows.push_back({"3", "1 interface x 1,000 reads: batch time (median of 5)", Fixed(Median(one.ns) / 1e6, 2) + " ms",
                    "", "", -1});
    rows.push_back({"3", "1 interface: exchanges/s", Fixed(oneRate, 0), Times(oneRate / ping.exchangesPerSecond),
                    ">= 0.50x raw", oneRate >= 0.5 * ping.exchangesPerSecond});

    Progress("throughput, sixteen interfaces");
    const TBatches six = MeasureSixteenInterfaces(drv, 5);
    if (!six.ok) return Fail("throughput, sixteen interfaces", six.error);
    const double sixRate = PerSecond(six.exchanges, Median(six.ns));
    rows.push_back({"3", "16 interfaces x 1,000 reads: batch time (median of 5)",
                    Fixed(Median(six.ns) / 1e6, 2) + " ms", "", "", -1});
    rows.push_back({"3", "16 interfaces: exchanges/s", Fixed(sixRate, 0), Times(sixRate / oneRate) + " of 1 if.",
                    ">= 1.5x 1 if.", sixRate >= 1.5 * oneRate});

    Progress("idle cost");
    const TIdle idle = MeasureIdle(drv, false, idleSeconds);
    if (!idle.ok) return Fail("idle cost", idle.error);
    rows.push_back({"4", "idle, 16 interfaces, window hidden: CPU", Fixed(idle.coreShare * 100, 3) + " % core", "",
                    "< 0.5 %", idle.coreShare < 0.005});
    const TIdle shown = MeasureIdle(drv, true, idleSeconds);
    if (!shown.ok) return Fail("idle cost, headless window", shown.error);
    rows.push_back({"4", "idle, 16 interfaces, headless window refreshing", Fixed(shown.coreShare * 100, 3) + " % core",
                    "", "< 0.5 %", shown.coreShare < 0.005});

    Progress("logging cost");
    const TCycles logged = MeasureCycles(drv, true, cycles);
    if (!logged.ok) return Fail("logging cost", logged.error);
    const double lMed = Median(logged.ns), lP99 = Percentile(logged.ns, 99);
    rows.push_back({"5", "cycle latency with RUN log, median", Us(lMed), Times(lMed / cMed) + " of off", "", -1});
    rows.push_back({"5", "cycle latency with RUN log, p99", Us(lP99), Times(lP99 / cP99) + " of off", "", -1});

    Progress("memory");
    const TMemory mem = MeasureMemory(o.library);
    if (!mem.ok) return Fail("memory", mem.error);
    rows.push_back({"6", "VmRSS, 16 interfaces, 6,001 channels", Fixed(mem.rssKb / 1024.0, 1) + " MB", "",
                    "< 16 MB", mem.rssKb < 16 * 1024});
    rows.push_back({"6", "  of it anonymous / file-backed / before dlopen",
                    Fixed(mem.anonKb / 1024.0, 1) + " / " + Fixed(mem.fileKb / 1024.0, 1) + " / " +
                        Fixed(mem.baseKb / 1024.0, 1) + " MB",
                    "", "", -1});

    Progress("refused requests");
    const TRefused ref = MeasureRefused(drv, 5);
    if (!ref.ok) return Fail("refused requests", ref.error);
    const double refMed = Median(ref.ns), refMax = Percentile(ref.ns, 100);
    rows.push_back({"7", "1,000 refused InputRequests (median of 5)", Fixed(refMed / 1e6, 3) + " ms", "", "< 5 ms",
                    refMed < 5e6});
    rows.push_back({"7", "  slowest of the 5 runs", Fixed(refMax / 1e6, 3) + " ms", "", "", -1});

    PrintTable(rows);
    int met = 0, targets = 0;
    for (const TRow& r : rows) {
        targets += r.met >= 0;
        met += r.met == 1;
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
        } else {
            std::fprintf(stderr, "usage: %s [--library PATH] [--quick]\n", argv[0]);
            return 2;
        }
    }
    return Run(o);
}
