#include "bench/Scenarios.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "bench/Measure.h"
#include "bench/Rig.h"
#include "comm/CommLogs.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"
#include "tools/common/Http.h"

namespace {

constexpr int kWaitMs = 20000;  // far beyond any sane figure: a stuck driver ends the run

bool Failed(TResult& r, const std::string& why) {
    r.ok = false;
    r.error = why;
    return false;
}

bool StartRig(TRig& rig, const TRigConfig& config, TResult& r) {
    std::string error;
    if (!rig.Start(config, error)) return Failed(r, error);
    return true;
}

// One full cycle of channel c; false when the call-back never came.
bool Cycle(TRig& rig, uint32_t c, bool& atOnce) {
    TDriverLibrary& d = rig.drv;
    const uint32_t before = rig.Callbacks();
    d.InputRequest(rig.data, c);
    d.InputRequestCompleted(rig.data);
    int32_t status = 0;
    atOnce = d.InputFinalized(rig.data, c, &status) != 0;
    if (!atOnce) {
        if (!rig.WaitForCallbacks(before + 1, kWaitMs)) return false;
        if (d.InputFinalized(rig.data, c, &status) == 0) return false;
    }
    THodnota v{};
    v.TypHodnoty = TypReal;
    d.GetInput(rig.data, c, &v);
    return true;
}

// Requests every entry, commits, marks every channel of `marked` and waits
// for the call-backs of the marked ones that were not finished yet.
bool Batch(TRig& rig, const std::vector<uint32_t>& entries, const std::vector<uint32_t>& marked) {
    TDriverLibrary& d = rig.drv;
    const uint32_t before = rig.Callbacks();
    for (uint32_t c : entries) d.InputRequest(rig.data, c);
    d.InputRequestCompleted(rig.data);
    uint32_t waiting = 0;
    int32_t status = 0;
    for (uint32_t c : marked) waiting += d.InputFinalized(rig.data, c, &status) == 0;
    return rig.WaitForCallbacks(before + waiting, kWaitMs);
}

TBatches MeasureBatches(TDriverLibrary& drv, const TRigConfig& config, const std::vector<uint32_t>& entries,
                        const std::vector<uint32_t>& marked, int batches) {
    TBatches r;
    TRig rig(drv);
    if (!StartRig(rig, config, r)) return r;
    r.exchanges = static_cast<int>(entries.size());
    if (!Batch(rig, entries, marked)) {  // warm-up
        Failed(r, "call-backs missing");
        return r;
    }
    const int self = static_cast<int>(gettid());
    const int64_t driver = rig.DriverCpuNs(), sim = rig.SimulatorCpuNs(), host = ThreadCpuNs(self), start = NowNs();
    for (int b = 0; b < batches; ++b) {
        const int64_t t = NowNs();
        if (!Batch(rig, entries, marked)) {
            Failed(r, "call-backs missing");
            return r;
        }
        r.ns.push_back(NowNs() - t);
    }
    r.wallNs = NowNs() - start;
    r.driverCpuNs = rig.DriverCpuNs() - driver;
    r.simCpuNs = rig.SimulatorCpuNs() - sim;
    r.hostCpuNs = ThreadCpuNs(self) - host;
    r.webAnswered = rig.Web().Answered();
    r.webFailed = rig.Web().Failed();
    r.ok = true;
    return r;
}

}  // namespace

namespace {

// Sixteen interfaces with every channel dealt round them.
TRigConfig FullPlant() {
    TRigConfig config;
    config.interfaces = 16;
    config.channels = AllChannels(16);
    return config;
}

TCycles CyclesOf(TDriverLibrary& drv, const TRigConfig& config, int cycles) {
    TCycles r;
    TRig rig(drv);
    if (!StartRig(rig, config, r)) return r;
    bool atOnce = false;
    for (int i = 0; i < cycles / 10; ++i)  // warm-up
        if (!Cycle(rig, 100, atOnce)) {
            Failed(r, "call-back missing");
            return r;
        }
    r.ns.reserve(static_cast<std::size_t>(cycles));
    for (int i = 0; i < cycles; ++i) {
        const int64_t t = NowNs();
        if (!Cycle(rig, 100, atOnce)) {
            Failed(r, "call-back missing");
            return r;
        }
        const int64_t end = NowNs();
        r.ns.push_back(end - t);
        r.finishedAtOnce += atOnce;
        if (atOnce) continue;
        r.toGatewayNs.push_back(rig.LastRequestNs() - t);
        r.toCallbackNs.push_back(rig.LastCallbackNs() - rig.LastRequestNs());
        r.hostNs.push_back(end - rig.LastCallbackNs());
    }
    r.webAnswered = rig.Web().Answered();
    r.webFailed = rig.Web().Failed();
    r.ok = true;
    return r;
}

}  // namespace

TCycles MeasureCycles(TDriverLibrary& drv, bool runLog, int cycles, bool web) {
    TRigConfig config;
    config.channels = ChannelsOn(100, 1, 1);
    config.runLog = runLog;
    config.web = web;
    return CyclesOf(drv, config, cycles);
}

TCycles MeasureCyclesAllChannels(TDriverLibrary& drv, int cycles, bool web) {
    TRigConfig config = FullPlant();  // channel 100 on interface 2
    config.web = web;
    config.overview = true;
    return CyclesOf(drv, config, cycles);
}

TOverview MeasureOverview(TDriverLibrary& drv, int asks) {
    TOverview r;
    TRig rig(drv);
    TRigConfig config = FullPlant();
    config.web = true;
    config.webLoad = false;
    if (!StartRig(rig, config, r)) return r;
    // Every channel asked for once, so that each has a value, a status and a time.
    std::vector<uint32_t> inputs;
    for (uint32_t c = 100; c <= 2999; ++c) inputs.push_back(c);
    if (!Batch(rig, inputs, inputs)) return Failed(r, "call-backs missing"), r;
    const auto ask = [&](const char* path, std::size_t& bytes, std::vector<int64_t>& ns) {
        const int64_t t = NowNs();
        const THttpReply a = HttpGet(rig.WebPort(), path);
        ns.push_back(NowNs() - t);
        bytes = a.Body.size();
        return a.Status == 200;
    };
    for (int i = 0; i < asks; ++i) {
        if (!ask("/api/channels", r.listBytes, r.listNs) || !ask("/api/channels/values", r.valuesBytes, r.valuesNs) ||
            !ask("/api/history", r.historyBytes, r.historyNs))
            return Failed(r, "an answer other than 200"), r;
    }
    r.ok = true;
    return r;
}

TBatches MeasureOneInterface(TDriverLibrary& drv, int batches) {
    TRigConfig config;
    config.channels = ChannelsOn(100, 1000, 1);
    std::vector<uint32_t> entries;
    for (uint32_t c = 100; c < 1100; ++c) entries.push_back(c);
    return MeasureBatches(drv, config, entries, entries, batches);
}

// Only 2,900 input channels exist, so each interface's 1,000 entries cycle
// through its ~181 channels; the last entry is a channel of its own, so its
// call-back marks the end of that queue.
TBatches MeasureSixteenInterfaces(TDriverLibrary& drv, int batches, bool web) {
    constexpr int kInterfaces = 16;
    TRigConfig config;
    config.interfaces = kInterfaces;
    config.web = web;
    std::vector<std::vector<uint32_t>> perInterface(kInterfaces + 1);
    std::vector<uint32_t> marked;
    for (int c = 100; c <= 2999; ++c) {
        const int k = (c - 100) % kInterfaces + 1;
        config.channels.emplace_back(c, k);
        perInterface[static_cast<std::size_t>(k)].push_back(static_cast<uint32_t>(c));
        marked.push_back(static_cast<uint32_t>(c));
    }
    std::vector<uint32_t> entries;
    for (int i = 0; i < 1000; ++i) {
        for (int k = 1; k <= kInterfaces; ++k) {
            const std::vector<uint32_t>& own = perInterface[static_cast<std::size_t>(k)];
            entries.push_back(i == 999 ? own[0] : own[1 + static_cast<std::size_t>(i) % (own.size() - 1)]);
        }
    }
    return MeasureBatches(drv, config, entries, marked, batches);
}

TIdle MeasureIdle(TDriverLibrary& drv, bool windowShown, double seconds) {
    TIdle r;
    TRig rig(drv);
    TRigConfig config = FullPlant();
    config.windowShown = windowShown;
    if (!StartRig(rig, config, r)) return r;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the start-up settle
    const double cpu = CpuSeconds();
    const int64_t t = NowNs();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = static_cast<double>(NowNs() - t) / 1e9;
    r.coreShare = (CpuSeconds() - cpu) / wall;
    r.ok = true;
    return r;
}

TRefused MeasureRefused(TDriverLibrary& drv, int runs) {
    TRefused r;
    TRig rig(drv);
    TRigConfig config;
    config.channels = ChannelsOn(100, 1, 1);
    if (!StartRig(rig, config, r)) return r;
    constexpr uint32_t kUndeclared = 2500;
    for (int run = 0; run < runs; ++run) {
        const int64_t t = NowNs();
        for (int i = 0; i < 1000; ++i) rig.drv.InputRequest(rig.data, kUndeclared);
        r.ns.push_back(NowNs() - t);
    }
    int32_t status = 0;
    if (rig.drv.InputFinalized(rig.data, kUndeclared, &status) == 0) return Failed(r, "not finished at once"), r;
    r.ok = true;
    return r;
}

int MemoryChild(const std::string& library) {
    const long base = StatusKb("VmRSS");
    TDriverLibrary drv;
    std::string error;
    if (!drv.Open(library, error)) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    TRig rig(drv);
    TRigConfig config = FullPlant();
    config.simulator = false;
    if (!rig.Start(config, error)) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::printf("base %ld rss %ld anon %ld file %ld\n", base, StatusKb("VmRSS"), StatusKb("RssAnon"),
                StatusKb("RssFile"));
    return 0;
}

TMemory MeasureMemory(const std::string& library) {
    TMemory r;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return Failed(r, "no /proc/self/exe"), r;
    self[n] = '\0';
    const std::string command = std::string("'") + self + "' --memory-child '" + library + "'";
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return Failed(r, "popen failed"), r;
    char line[1024] = {};
    const bool got = std::fgets(line, sizeof line, p) != nullptr;
    const int status = pclose(p);
    if (!got || status != 0 ||
        std::sscanf(line, "base %ld rss %ld anon %ld file %ld", &r.baseKb, &r.rssKb, &r.anonKb, &r.fileKb) != 4)
        return Failed(r, std::string("child: ") + line), r;
    r.ok = true;
    return r;
}

namespace {

// Calls per second of one round.
template <class F>
double Rate(int calls, F&& f) {
    const int64_t t = NowNs();
    for (int i = 0; i < calls; ++i) f();
    const int64_t ns = std::max<int64_t>(NowNs() - t, 1);
    return calls * 1e9 / static_cast<double>(ns);
}

}  // namespace

TRunLine MeasureRunLine(int lines) {
    TRunLine r;
    char dir[] = "/tmp/zr6180-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return Failed(r, "no temporary directory"), r;
    auto d = std::make_unique<TData>();
    d->Cfg.LogAdresar = std::string(dir) + "/";
    d->Cfg.RunPovolen = 1;
    d->Cfg.RunPocet = 99;
    d->Cfg.RunCislo = 1;
    d->Regional = TRegionalSettings{};
    constexpr std::string_view detail = "[VUZIV2]0000640001000000000000000000000000000000000000C3";
    const std::string bareFile = std::string(dir) + "/bare.log";
    const std::string line =
        "00000000 [05.03.24 14:07:09.045] KOM 2, K=100,  R=1,  S=2, " + std::string(detail) + "\r\n";
    const auto bare = [&] {
        const int fd = open(bareFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return;
        if (write(fd, line.data(), line.size()) < 0) {
        }
        close(fd);
    };
    const auto run = [&] { ZapisRun(d.get(), "KOM 2", 100, 1, 2, detail); };
    for (int round = 0; round < 5; ++round) {  // alternate rounds so load changes hit both alike
        r.bareLinesPerSecond = std::max(r.bareLinesPerSecond, Rate(lines, bare));
        r.runLinesPerSecond = std::max(r.runLinesPerSecond, Rate(lines, run));
    }
    d->Cfg.RunPovolen = 0;
    r.offCallsPerSecond = Rate(lines * 50, run);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    r.ok = true;
    return r;
}

TRefresh MeasureRefresh(int refreshes) {
    TRefresh r;
    auto d = std::make_unique<TData>();
    ClearTables(*d);
    d->Cfg.OknoPovoleno = 1;
    for (int i = 1; i <= 16; ++i) {  // every box needs the whole channel scan
        TRozhrani& k = d->Rozhrani[i];
        k.Pouzito = 1;
        k.Cislo = static_cast<uint8_t>(i);
        k.Kod = "R" + std::to_string(i);
        k.Nazev = "Gateway " + std::to_string(i);
        k.Typ = "ZR-6180";
        k.IPAdresa = "192.168.1." + std::to_string(i);
        k.UdpPort = 5000 + i;
        k.Baud = 19200;
        d->Cfg.PocetRozhrani = i;
    }
    for (int c = 100; c < 6100; c += 3) {
        TKanal& k = d->Kanaly[c];
        k.Pouzit = 1;
        k.Rozhrani = static_cast<uint8_t>(1 + c % 16);
        k.Adresa = static_cast<uint8_t>(c % 256);
        k.Kod = "K" + std::to_string(c);
        k.Nazev = "Temperature";
        d->Cfg.PocetKanalu = d->Cfg.PocetKanalu + 1;
    }
    TDrvDialog dialog(*d);
    dialog.NastavOkno();
    dialog.PovolOkno(0, 0);
    dialog.SetChannelFieldText("1000");
    dialog.Edit1KeyPress('\r');
    const TPage pages[] = {TPage::Info, TPage::Interface, TPage::Channel};
    double* figures[] = {&r.infoUs, &r.interfaceUs, &r.channelUs};
    for (int p = 0; p < 3; ++p) {
        if (!dialog.SelectPage(pages[p])) return Failed(r, "page refused"), r;
        dialog.Timer1Timer();
        const int64_t t = NowNs();
        for (int i = 0; i < refreshes; ++i) dialog.Timer1Timer();
        *figures[p] = static_cast<double>(NowNs() - t) / 1000.0 / refreshes;
    }
    if (dialog.Snapshot().Kanal[RKanal::Kod] != "K1000") return Failed(r, "the channel page shows another channel"), r;
    r.ok = true;
    return r;
}
