// The kind and direction of a channel follow from its number alone; this is
// the one place that says how.
#pragma once

#include <cstdint>

enum class TChannelKind : uint8_t {
    Invalid,
    ServiceIn,     // 1..5, 11..26
    ServiceOut,    // 6, 51..66
    StatusReset,   // 99
    RealIn,        // 100..999
    IntIn,         // 1000..1999
    BitIn,         // 2000..2999
    RealOut,       // 3000..3999
    IntOut,        // 4000..4999
    BitOut,        // 5000..5999
    TextOut        // 6000..6099
};

// The service outputs 51..66: each clears the error marks of interface
// c - 50.
constexpr bool IsFaultClearChannel(uint32_t c) { return c >= 51 && c <= 66; }

constexpr TChannelKind ChannelKind(uint32_t c) {
    if ((c >= 1 && c <= 5) || (c >= 11 && c <= 26)) return TChannelKind::ServiceIn;
    if (c == 6 || IsFaultClearChannel(c)) return TChannelKind::ServiceOut;
    if (c == 99) return TChannelKind::StatusReset;
    if (c >= 100 && c <= 999) return TChannelKind::RealIn;
    if (c >= 1000 && c <= 1999) return TChannelKind::IntIn;
    if (c >= 2000 && c <= 2999) return TChannelKind::BitIn;
    if (c >= 3000 && c <= 3999) return TChannelKind::RealOut;
    if (c >= 4000 && c <= 4999) return TChannelKind::IntOut;
    if (c >= 5000 && c <= 5999) return TChannelKind::BitOut;
    if (c >= 6000 && c <= 6099) return TChannelKind::TextOut;
    return TChannelKind::Invalid;
}

// An input channel of a module (100..2999).
constexpr bool IsInputChannel(uint32_t c) {
    const TChannelKind k = ChannelKind(c);
    return k == TChannelKind::RealIn || k == TChannelKind::IntIn || k == TChannelKind::BitIn;
}

// An output channel of a module (3000..6099).
constexpr bool IsOutputChannel(uint32_t c) {
    const TChannelKind k = ChannelKind(c);
    return k >= TChannelKind::RealOut;
}

// A channel of a module, input or output (100..6099).
constexpr bool IsModuleChannel(uint32_t c) { return ChannelKind(c) >= TChannelKind::RealIn; }

// A channel with a record of its own in the channel table: the module
// channels and the status-register reset 99 (99..6099).
constexpr bool HasChannelRecord(uint32_t c) { return ChannelKind(c) >= TChannelKind::StatusReset; }

// The numbers OutputFinalized answers at once as complete: 6 and 51..82.
// 67..82 are not writable (OutputRequest refuses them), but are answered
// like the service outputs.
constexpr bool IsFinalizedAtOnce(uint32_t c) { return c == 6 || (c >= 51 && c <= 82); }
