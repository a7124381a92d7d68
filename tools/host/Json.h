// The --json form of the results, for scripts: one object per command and
// one line per object.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>

#include "tools/host/Session.h"

namespace host {

using Json = nlohmann::ordered_json;

Json InputJson(const InputResult& r);
Json OutputJson(const OutputResult& r, const OutputValue& v);
Json MonitorJson(const MonitorResult& m);

// One line; texts that are not UTF-8 are mended, never thrown about.
void PrintJson(std::FILE* out, const Json& j);

}  // namespace host
