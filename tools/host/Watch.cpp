// The watch command: input cycles one after another, as a live table on a
// terminal and as plain lines elsewhere.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tools/host/Commands.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// The operator's wall-clock time on each table, not a time rule: the driver's
// clock seam is not needed here.
std::string WallClock() {
    const auto now = std::chrono::system_clock::now();
    const time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    struct tm tm {};
    localtime_r(&t, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

// Redraws the table in place: back to its first line, clear, print again.
std::size_t DrawLive(const Table& t, uint32_t cycle, std::size_t drawn) {
    if (drawn > 0) std::printf("\x1b[%zuF\x1b[J", drawn);
    std::printf("Cycle %u at %s (Ctrl-C stops)\n", cycle, WallClock().c_str());
    return 1 + t.Print(stdout, false);
}

// One JSON line per cycle.
void PrintCycleJson(uint32_t cycle, const std::string& when, const std::vector<InputResult>& r,
                    const Parameters& p) {
    Json j;
    j["command"] = "watch";
    j["cycle"] = cycle;
    j["time"] = when;
    j["channels"] = Json::array();
    for (const InputResult& x : r) {
        Json one = InputJson(x);
        AddNames(one, p, x.channel);
        j["channels"].push_back(std::move(one));
    }
    PrintJson(stdout, j);
}

}  // namespace

int CommandWatch(Context& c, const std::vector<uint32_t>& channels) {
    ShowProgressOnTerminal(c);
    const bool live = !c.o.tsv && !c.o.json && isatty(STDOUT_FILENO);
    std::size_t drawn = 0;
    bool ok = true;
    for (uint32_t cycle = 1; c.o.count == 0 || cycle <= c.o.count; ++cycle) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<InputResult> r = c.s.Read(channels, c.o.timeoutMs);
        ProbeStatuses(c.s, r, 99);
        const std::string when = WallClock();
        if (c.o.json) {
            for (const InputResult& x : r) ok = ok && InOrder(x);
            PrintCycleJson(cycle, when, r, c.p);
        }
        std::vector<std::string> headers = InputHeaders();
        std::vector<bool> right = InputAlignment();
        if (!live) {
            headers.insert(headers.begin(), {"Cycle", "Time"});
            right.insert(right.begin(), {true, false});
        }
        Table t(headers, right);
        for (const InputResult& x : r) {
            std::vector<std::string> row = InputRow(x, c.o.timeoutMs, c.p);
            if (!live) row.insert(row.begin(), {std::to_string(cycle), when});
            t.Add(std::move(row));
            ok = ok && InOrder(x);
        }
        if (c.o.json) {
        } else if (live) {
            drawn = DrawLive(t, cycle, drawn);
        } else {
            t.Print(stdout, c.o.tsv, cycle == 1);
        }
        std::fflush(stdout);
        if (Interrupted() || cycle == c.o.count) break;
        const auto spent = std::chrono::steady_clock::now() - start;
        const auto left = std::chrono::milliseconds(c.o.intervalMs) - spent;
        if (left.count() > 0)
            c.s.Pump(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
        if (Interrupted()) break;
    }
    return ok ? kExitOk : kExitFault;
}

}  // namespace host
