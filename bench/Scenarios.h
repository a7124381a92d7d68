// The measurements of the driver, each on a fresh instance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/DriverLibrary.h"

struct TResult {
    bool ok = false;
    std::string error;
    uint64_t webAnswered = 0, webFailed = 0;  // questions of the page and the scraper, when on
};

// Request, commit, finalise (false), call-back, finalise (true), GetInput.
struct TCycles : TResult {
    std::vector<int64_t> ns;
    int finishedAtOnce = 0;  // cycles whose first InputFinalized already said true
    // Stages of the cycles that waited for their call-back: the request on
    // its way to the gateway, the answer on its way to the call-back, and
    // the host's own part after it.
    std::vector<int64_t> toGatewayNs, toCallbackNs, hostNs;
};
TCycles MeasureCycles(TDriverLibrary& drv, bool runLog, int cycles, bool web = false);
// The same with every channel 99..6099 declared on 16 interfaces, the web
// page (when on) on the channel overview.
TCycles MeasureCyclesAllChannels(TDriverLibrary& drv, int cycles, bool web);

// The channel overview's answers for 6,001 declared channels, as the page
// asks for them: sizes and the time from request to the last byte.
struct TOverview : TResult {
    std::size_t listBytes = 0, valuesBytes = 0, historyBytes = 0;
    std::vector<int64_t> listNs, valuesNs, historyNs;
};
TOverview MeasureOverview(TDriverLibrary& drv, int asks);

// Batches of reads committed at once, timed until their last call-back.
struct TBatches : TResult {
    int exchanges = 0;        // per batch
    std::vector<int64_t> ns;  // per batch
    // CPU time over all batches: the driver's threads, the simulator's and
    // the host's (the calling thread), and the wall time they took.
    int64_t driverCpuNs = 0, simCpuNs = 0, hostCpuNs = 0, wallNs = 0;
};
TBatches MeasureOneInterface(TDriverLibrary& drv, int batches);
TBatches MeasureSixteenInterfaces(TDriverLibrary& drv, int batches, bool web = false);

// CPU time of the whole process while an initialised driver has nothing to do.
struct TIdle : TResult {
    double coreShare = 0;  // 1.0 = one core busy
};
TIdle MeasureIdle(TDriverLibrary& drv, bool windowShown, double seconds);

// Runs of 1,000 requests for an undeclared channel in a row.
struct TRefused : TResult {
    std::vector<int64_t> ns;  // per run of 1,000
};
TRefused MeasureRefused(TDriverLibrary& drv, int runs);

// Resident size of a fresh process with an initialised driver of 16
// interfaces and 6,001 channels (in a child, so nothing else is counted).
struct TMemory : TResult {
    long baseKb = 0;  // before the library was loaded
    long rssKb = 0;   // after Init
    long anonKb = 0;
    long fileKb = 0;
};
TMemory MeasureMemory(const std::string& library);
int MemoryChild(const std::string& library);  // the child's main: prints the figures

// Units of the driver called in this process, without the exports: what one
// RUN line costs against a bare open/write/close of the same line, and what
// one refresh of the diagnostic window costs per page.
struct TRunLine : TResult {
    double bareLinesPerSecond = 0, runLinesPerSecond = 0;  // best round of each
    double offCallsPerSecond = 0;                          // the RUN log off
};
TRunLine MeasureRunLine(int lines);
struct TRefresh : TResult {
    double infoUs = 0, interfaceUs = 0, channelUs = 0;  // per refresh, 16 interfaces, 2,000 channels
};
TRefresh MeasureRefresh(int refreshes);
