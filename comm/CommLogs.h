// The communication logs: the numbered RUN trace, the Err log of rejected
// datagrams, the daily interface logs and the call-back log.
#pragma once

#include <cstdint>
#include <string_view>

struct TData;

// Leaves a K, R or S field out of a RUN line.
inline constexpr int32_t NoField = 2147483647;

// RUN line: sequence number, time stamp, label and the given fields. The
// sequence number advances even when the RUN log is off.
void ZapisRun(TData* d, std::string_view tag, int32_t K = NoField, int32_t R = NoField, int32_t S = NoField,
              std::string_view text = {});
void ZapisErr(TData* d, std::string_view text, int32_t number = NoField);
void ZapisLogRozhrani(TData* d, int rozhrani, std::string_view text);
void ZapisCB(TData* d, std::string_view text);
