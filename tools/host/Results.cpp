// The pieces the commands share to wait for channels and show their results.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"
#include "tools/host/StatusTexts.h"

namespace host {

std::string StatusTextUtf8(int64_t code) { return Cp1250ToUtf8(StatusText(code)); }

void AddNames(Json& j, const Parameters& p, uint32_t channel) {
    const std::string code = p.CodeOf(channel), name = p.NameOf(channel);
    if (!code.empty()) j["code"] = code;
    if (!name.empty()) j["name"] = name;
}

std::vector<std::string> InputHeaders() { return {"Channel", "Code", "Name", "Value", "Status", "Text"}; }
std::vector<bool> InputAlignment() { return {true, false, false, true, true, false}; }

void ProbeStatuses(Session& s, std::vector<InputResult>& r, uint32_t monitor) {
    for (InputResult& x : r) {
        if (!x.finished) continue;
        x.status = HasStatusRecord(x.channel) ? s.ChannelStatus(x.channel) : x.word;
    }
    s.Monitor(monitor);
}

bool InOrder(const InputResult& r) { return r.finished && r.status == 0; }

std::vector<std::string> InputRow(const InputResult& r, uint32_t timeoutMs, const Parameters& p) {
    const std::string ch = std::to_string(r.channel);
    const std::string code = p.CodeOf(r.channel), name = p.NameOf(r.channel);
    if (!r.finished) {
        const std::string why =
            Interrupted() ? "interrupted" : "no result within " + std::to_string(timeoutMs) + " ms";
        return {ch, code, name, "", "-", why};
    }
    const std::string status = r.status < 0 ? "?" : std::to_string(r.status);
    // A failed channel's bytes are no measurement: no value is shown.
    return {ch, code, name, r.status == 0 ? FormatInput(r.kind, r.value) : "", status, StatusTextUtf8(r.status)};
}

void ShowProgressOnTerminal(Context& c) {
    if (!isatty(STDERR_FILENO)) return;
    const Parameters& file = c.p;
    c.s.onWait = [&file](uint32_t waitedMs, uint32_t channel) {
        if (channel == 0) {
            std::fputs("\r\x1b[K", stderr);
            return;
        }
        if (waitedMs < 1000) return;
        std::string line = "waiting " + std::to_string(waitedMs / 1000) + "." + std::to_string(waitedMs / 100 % 10) +
                           " s for channel " + std::to_string(channel);
        if (const TRozhrani* g = file.GatewayOf(channel)) {
            const uint32_t per = std::max<uint32_t>(1, AttemptMs(*g));
            const uint32_t attempt = std::min(Attempts(*g), waitedMs / per + 1);
            line += " on gateway " + std::to_string(g->Cislo) + " (" + Cp1250ToUtf8(g->IPAdresa) + ":" +
                    std::to_string(g->UdpPort) + "), attempt " + std::to_string(attempt) + " of " +
                    std::to_string(Attempts(*g));
        }
        std::fprintf(stderr, "\r\x1b[K%s", line.c_str());
        std::fflush(stderr);
    };
}

}  // namespace host
