// What the host knows of channel numbers: which it may read or write, the
// value type each takes, and how values look on the command line and on
// screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/ChannelKind.h"
#include "rv_zr6180.h"

namespace host {

enum class Kind {
    Invalid,
    Service,   // 1..5, 11..26 read; 6 monitor, 51..66 clear marks, 99 reset written
    Real,
    Int,
    Bool,
    Text,
};

Kind InputKind(uint32_t channel);
Kind OutputKind(uint32_t channel);
int32_t TypeCode(Kind kind);  // TypInt for service channels

// Channels with a record of their own, whose Status the monitored channel
// (service channels 6 and 4) can tell.
inline bool HasStatusRecord(uint32_t channel) { return HasChannelRecord(channel); }

// "N" or a range "A-B" of readable channels, appended in order without
// repeating a channel already in `out`.
bool ParseReadChannels(std::string_view arg, std::vector<uint32_t>& out, std::string& error);

// One "CH=VALUE" of the write command. The text of a text output is kept
// in code page 1250; `shown` is the value for the result table.
struct OutputValue {
    uint32_t channel = 0;
    Kind kind = Kind::Invalid;
    THodnota value{};
    std::string text;
    std::string shown;
    std::string sent;  // set when the module gets other than what was typed
};

// `force` lets NaN, infinite reals and reals outside the module's range
// (beyond -8388607..8388607, or non-zero below 0.00001 in magnitude) through,
// which are refused otherwise.
bool ParseOutputValue(std::string_view arg, bool force, OutputValue& out, std::string& error);

// The four characters a text output sends from a fresh instance: the first
// four, anything outside 32..127 blanked, blanks after a shorter text.
std::string SentText(const std::string& cp1250);

// The value as the tables show it (reals with up to 15 significant digits).
std::string FormatInput(Kind kind, const THodnota& v);

bool ParseUnsigned(std::string_view s, uint32_t& v);

}  // namespace host
