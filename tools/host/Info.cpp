// The info command: the driver's identification and its service channels,
// after one read of every declared input so that they have something to say.
#include <cstring>

#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// A declared interface starts with status 0; only undeclared ones keep the
// initial 18 until their marks are cleared.
constexpr int32_t kInterfaceUndefined = 18;

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

struct Summary {
    uint32_t interface = 0;
    bool finished = false;
    bool declared = false;
    uint32_t channels = 0, modules = 0;
    int32_t status = -1;
};

Summary Summarise(const InputResult& r) {
    Summary s;
    s.interface = r.channel - 10;
    s.finished = r.finished;
    if (!r.finished) return s;
    const uint32_t v = static_cast<uint32_t>(r.value.Hodnota.Cele);
    s.status = static_cast<int32_t>(v & 255);
    s.declared = s.status != kInterfaceUndefined;
    s.channels = v >> 16;
    s.modules = (v >> 8) & 255;
    return s;
}

void AddInterface(Table& t, const Summary& s) {
    const std::string k = std::to_string(s.interface);
    if (!s.finished) {
        t.Add({k, "-", "-", "-", "-", "no result"});
        return;
    }
    t.Add({k, s.declared ? "yes" : "no", std::to_string(s.channels), std::to_string(s.modules),
           std::to_string(s.status), StatusTextUtf8(s.status)});
}

Json InterfaceJson(const Summary& s) {
    Json j;
    j["interface"] = s.interface;
    j["finished"] = s.finished;
    if (!s.finished) return j;
    j["declared"] = s.declared;
    j["faulty_channels"] = s.channels;
    j["faulty_modules"] = s.modules;
    j["status"] = s.status;
    j["text"] = StatusTextUtf8(s.status);
    return j;
}

std::size_t NotInOrder(const std::vector<InputResult>& r) {
    std::size_t n = 0;
    for (const InputResult& x : r) n += InOrder(x) ? 0 : 1;
    return n;
}

}  // namespace

int CommandInfo(Context& c) {
    char info[257];
    std::memset(info, 0, sizeof info);
    c.d.GetDriverInfo(0, info);

    ShowProgressOnTerminal(c);
    std::vector<InputResult> inputs = c.s.Read(c.p.DeclaredInputs(), c.o.timeoutMs);
    ProbeStatuses(c.s, inputs, 99);
    std::vector<uint32_t> channels = {1, 2};
    for (uint32_t k = 11; k <= 26; ++k) channels.push_back(k);
    const std::vector<InputResult> r = c.s.Read(channels, c.o.timeoutMs);

    bool ok = true;
    std::vector<Summary> shown;
    for (std::size_t i = 2; i < r.size(); ++i) {
        const Summary s = Summarise(r[i]);
        ok = ok && s.finished;
        if (c.o.all || !s.finished || s.declared) shown.push_back(s);
    }
    // A declared input not in order is what info is run to find.
    ok = ok && NotInOrder(inputs) == 0;
    const std::string inputsRead =
        std::to_string(inputs.size()) + " (" + std::to_string(NotInOrder(inputs)) + " not in order)";

    if (c.o.json) {
        Json j;
        j["command"] = "info";
        j["ok"] = ok;
        j["driver"] = c.d.path;
        j["identification"] = Text(info, sizeof info);
        j["version"] = c.d.Version();
        j["check"] = c.d.Check() != 0;
        j["get_version"] = QueryVersion(c);
        j["declared_inputs_read"] = inputs.size();
        j["declared_inputs_not_in_order"] = NotInOrder(inputs);
        j["last_failed_channel"] = r[0].finished ? Json(r[0].value.Hodnota.Cele) : Json(nullptr);
        j["its_module_address"] = r[1].finished ? Json(r[1].value.Hodnota.Cele) : Json(nullptr);
        j["interfaces"] = Json::array();
        for (const Summary& s : shown) j["interfaces"].push_back(InterfaceJson(s));
        PrintJson(stdout, j);
        return ok ? kExitOk : kExitFault;
    }

    Table id({"Item", "Value"}, {false, false});
    id.Add({"Driver", c.d.path});
    id.Add({"Identification", Text(info, sizeof info)});
    id.Add({"Version", VersionText(c.d.Version())});
    id.Add({"Check", c.d.Check() ? "true" : "false"});
    id.Add({"GetVersion", QueryVersion(c)});
    id.Add({"Declared inputs read", inputsRead});
    id.Add({"Last failed channel (1)", ServiceValue(r[0])});
    id.Add({"Its module address (2)", ServiceValue(r[1])});
    id.Print(stdout, c.o.tsv, false);
    std::fputc('\n', stdout);

    Table t({"Interface", "Declared", "Faulty channels", "Faulty modules", "Status", "Text"},
            {true, false, true, true, true, false});
    for (const Summary& s : shown) AddInterface(t, s);
    t.Print(stdout, c.o.tsv);
    return ok ? kExitOk : kExitFault;
}

}  // namespace host
