// The info command: the driver's identification and its service channels.
#include <cstring>

#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// A declared interface starts with status 0; only undeclared ones keep the
// initial 18 until their marks are cleared.
constexpr int32_t kRozhraniNedefinovano = 18;

std::string Text(const char* cp, std::size_t size) { return Cp1250ToUtf8(std::string_view(cp, strnlen(cp, size))); }

std::string VersionText(uint32_t v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%u (0x%08X)", v, v);
    return buf;
}

std::string QueryVersion(Context& c) {
    char text[257];
    std::memset(text, 0, sizeof text);
    THodnota v{};
    v.TypHodnoty = TypString;
    v.Hodnota.Text = text;
    c.d.QueryProc(c.s.Data(), TypString, "GetVersion", 0, &v);
    return Text(text, sizeof text);
}

std::string ServiceValue(const InputResult& r) { return r.finished ? std::to_string(r.value.Hodnota.Cele) : "-"; }

void AddInterface(Table& t, const InputResult& r) {
    const std::string k = std::to_string(r.channel - 10);
    if (!r.finished) {
        t.Add({k, "-", "-", "-", "-", "no result"});
        return;
    }
    const uint32_t v = static_cast<uint32_t>(r.value.Hodnota.Cele);
    const int32_t status = static_cast<int32_t>(v & 255);
    t.Add({k, status == kRozhraniNedefinovano ? "no" : "yes", std::to_string(v >> 16),
           std::to_string((v >> 8) & 255), std::to_string(status), StatusTextUtf8(status)});
}

}  // namespace

int CommandInfo(Context& c) {
    char info[257];
    std::memset(info, 0, sizeof info);
    c.d.GetDriverInfo(0, info);

    std::vector<uint32_t> channels = {1, 2};
    for (uint32_t k = 11; k <= 26; ++k) channels.push_back(k);
    const std::vector<InputResult> r = c.s.Read(channels, c.o.timeoutMs);

    Table id({"Item", "Value"}, {false, false});
    id.Add({"Driver", c.d.path});
    id.Add({"Identification", Text(info, sizeof info)});
    id.Add({"Version", VersionText(c.d.Version())});
    id.Add({"Check", c.d.Check() ? "true" : "false"});
    id.Add({"GetVersion", QueryVersion(c)});
    id.Add({"Last failed channel (1)", ServiceValue(r[0])});
    id.Add({"Its module address (2)", ServiceValue(r[1])});
    id.Print(stdout, c.o.tsv, false);
    std::fputc('\n', stdout);

    Table t({"Interface", "Declared", "Faulty channels", "Faulty modules", "Status", "Text"},
            {true, false, true, true, true, false});
    bool ok = true;
    for (std::size_t i = 2; i < r.size(); ++i) {
        AddInterface(t, r[i]);
        ok = ok && r[i].finished;
    }
    t.Print(stdout, c.o.tsv);
    return ok ? kExitOk : kExitFault;
}

}  // namespace host
