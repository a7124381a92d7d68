#include "tools/host/Json.h"

#include <cmath>

#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"

namespace host {
namespace {

Json StatusFields(Json j, bool finished, int32_t status) {
    j["finished"] = finished;
    j["status"] = finished && status >= 0 ? Json(status) : Json(nullptr);
    j["text"] = finished && status >= 0 ? Json(StatusTextUtf8(status)) : Json(nullptr);
    return j;
}

Json InputValue(const InputResult& r) {
    if (!r.finished) return nullptr;
    switch (r.kind) {
        case Kind::Real: {
            const double x = r.value.Hodnota.Real;  // a copy: the record is packed, no reference into it
            return std::isfinite(x) ? Json(x) : Json(nullptr);
        }
        case Kind::Bool: return r.value.Hodnota.Bajty[0] != 0 ? 1 : 0;
        default: {
            const int32_t n = r.value.Hodnota.Cele;
            return n;
        }
    }
}

Json OutputValueJson(const OutputValue& v) {
    switch (v.kind) {
        case Kind::Text: return Cp1250ToUtf8(v.text);
        case Kind::Real: {
            const double x = v.value.Hodnota.Real;
            return std::isfinite(x) ? Json(x) : Json(FormatInput(v.kind, v.value));
        }
        case Kind::Bool: return v.value.Hodnota.Bajty[0] != 0 ? 1 : 0;
        default: {
            const int32_t n = v.value.Hodnota.Cele;
            return n;
        }
    }
}

}  // namespace

Json InputJson(const InputResult& r) {
    Json j;
    j["channel"] = r.channel;
    j["value"] = InputValue(r);
    return StatusFields(std::move(j), r.finished, r.status);
}

Json OutputJson(const OutputResult& r, const OutputValue& v) {
    Json j;
    j["channel"] = r.channel;
    j["value"] = OutputValueJson(v);
    if (!v.sent.empty()) j["sent"] = v.sent;
    return StatusFields(std::move(j), r.finished, r.status);
}

Json MonitorJson(const MonitorResult& m) {
    Json j;
    j["channel"] = m.channel;
    j["address"] = m.address;
    j["status"] = m.status;
    j["text"] = StatusTextUtf8(m.status);
    j["status_register"] = m.statusRegister;
    return j;
}

void PrintJson(std::FILE* out, const Json& j) {
    const std::string s = j.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fprintf(out, "%s\n", s.c_str());
}

}  // namespace host
