// read and write: one request cycle for each channel, a table or JSON of
// the outcomes, and the monitored channel when --monitor asks for it.
#include <cstdio>

#include "tools/host/Commands.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// Service channel 6 starts at 99 in every instance.
constexpr uint32_t kMonitorDefault = 99;

}  // namespace

void PrintMonitor(Context& c, const MonitorResult& m) {
    if (c.o.monitor == 0 || c.o.json) return;
    char reg[16];
    std::snprintf(reg, sizeof reg, "0x%02X", static_cast<unsigned>(m.statusRegister) & 0xFFu);
    Table t({"Monitored", "Address", "Status", "Status register", "Text"}, {true, true, true, true, false});
    t.Add({std::to_string(m.channel), std::to_string(m.address), std::to_string(m.status), reg,
           StatusTextUtf8(m.status)});
    std::fputc('\n', stdout);
    t.Print(stdout, c.o.tsv);
}

void AddMonitorJson(Json& j, const Context& c, const MonitorResult& m) {
    if (c.o.monitor != 0) j["monitor"] = MonitorJson(m);
}

namespace {

// The monitored channel after the batch, when --monitor asks for one.
MonitorResult ReadMonitorIfAsked(Context& c) {
    MonitorResult m;
    if (c.o.monitor != 0) m = c.s.ReadMonitor(c.o.monitor);
    return m;
}

// A monitored channel that is not in order (15: never requested) is a fault too.
bool MonitorInOrder(const Context& c, const MonitorResult& m) { return c.o.monitor == 0 || m.status == 0; }

// The document of a read or write, its channels still to come.
Json BatchJson(const char* command, bool ok) {
    Json j;
    j["command"] = command;
    j["ok"] = ok;
    j["channels"] = Json::array();
    return j;
}

// The channels as JSON or as a table, then the monitored channel; the exit status.
int PrintBatch(const Context& c, Json& j, const MonitorResult& m, bool ok) {
    AddMonitorJson(j, c, m);
    PrintJson(stdout, j);
    return ok ? kExitOk : kExitFault;
}

int PrintBatch(Context& c, const Table& t, const MonitorResult& m, bool ok) {
    t.Print(stdout, c.o.tsv);
    PrintMonitor(c, m);
    return ok ? kExitOk : kExitFault;
}

}  // namespace

int CommandRead(Context& c, const std::vector<uint32_t>& channels) {
    ShowProgressOnTerminal(c);
    std::vector<InputResult> r = c.s.Read(channels, c.o.timeoutMs);
    ProbeStatuses(c.s, r, kMonitorDefault);
    const MonitorResult m = ReadMonitorIfAsked(c);
    bool ok = MonitorInOrder(c, m);
    for (const InputResult& x : r) ok = ok && InOrder(x);
    if (c.o.json) {
        Json j = BatchJson("read", ok);
        for (const InputResult& x : r) {
            Json one = InputJson(x);
            AddNames(one, c.p, x.channel);
            j["channels"].push_back(std::move(one));
        }
        return PrintBatch(c, j, m, ok);
    }
    Table t(InputHeaders(), InputAlignment());
    for (const InputResult& x : r) t.Add(InputRow(x, c.o.timeoutMs, c.p));
    return PrintBatch(c, t, m, ok);
}

int CommandWrite(Context& c, const std::vector<OutputValue>& values) {
    ShowProgressOnTerminal(c);
    std::vector<OutputResult> r = c.s.Write(values, c.o.timeoutMs);
    // A write to service channel 6 in this batch is what the user asked the
    // monitor to show; the probes below must not leave it elsewhere.
    uint32_t monitor = kMonitorDefault;
    for (const OutputValue& v : values)
        if (v.channel == 6) monitor = static_cast<uint32_t>(v.value.Hodnota.Cele);
    for (OutputResult& x : r) {
        if (!x.finished) continue;
        x.status = HasStatusRecord(x.channel) ? c.s.ChannelStatus(x.channel) : x.word;
    }
    c.s.Monitor(monitor);
    const MonitorResult m = ReadMonitorIfAsked(c);

    bool ok = MonitorInOrder(c, m);
    for (const OutputResult& x : r) ok = ok && x.finished && x.status == 0;
    if (c.o.json) {
        Json j = BatchJson("write", ok);
        for (std::size_t i = 0; i < r.size(); ++i) {
            Json one = OutputJson(r[i], values[i]);
            AddNames(one, c.p, r[i].channel);
            j["channels"].push_back(std::move(one));
        }
        return PrintBatch(c, j, m, ok);
    }
    Table t(InputHeaders(), InputAlignment());
    for (std::size_t i = 0; i < r.size(); ++i) {
        const std::string ch = std::to_string(r[i].channel);
        const std::string code = c.p.CodeOf(r[i].channel), name = c.p.NameOf(r[i].channel);
        if (!r[i].finished) {
            t.Add({ch, code, name, values[i].shown, "-",
                   Interrupted() ? "interrupted" : "no result within " + std::to_string(c.o.timeoutMs) + " ms"});
            continue;
        }
        const std::string status = r[i].status < 0 ? "?" : std::to_string(r[i].status);
        t.Add({ch, code, name, values[i].shown, status, StatusTextUtf8(r[i].status)});
    }
    return PrintBatch(c, t, m, ok);
}

}  // namespace host
