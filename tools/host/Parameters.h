// The parameter file as the driver's own readers understand it, for the
// tool's messages, its progress lines, its check and its names of channels.
// The readers are those Init runs, so the tool sees what Init sees.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/Model.h"
#include "config/ParameterFile.h"

namespace host {

struct Parameters {
    std::string path;
    bool readable = false;
    std::string text;  // code page 1250, as the readers got it
    // Each reader's verdict; all three run, whatever the one before said.
    TResult settings, interfaces, channels;
    TChannelReport report;

    // The driver's tables, large enough to live on the heap.
    struct Tables {
        TCFG cfg;
        TPoleRozhrani rozhrani;
        TPoleKanal channelTable;
    };
    std::unique_ptr<Tables> t = std::make_unique<Tables>();

    // The declared interface of a declared channel, or null.
    const TRozhrani* GatewayOf(uint32_t channel) const;
    // Declared inputs (100..2999) in file order, each once.
    std::vector<uint32_t> DeclaredInputs() const;
    // "Kód" and "Název" of a declared channel in UTF-8; empty otherwise.
    std::string CodeOf(uint32_t channel) const;
    std::string NameOf(uint32_t channel) const;
};

// False when the file cannot be read; `error` then holds the path and the
// system's reason. The readers' verdicts are in `out` either way.
bool ReadParameters(const std::string& path, Parameters& out, std::string& error);

// One UDP attempt's wait of an interface and the number of attempts, as the
// interface thread counts them.
uint32_t AttemptMs(const TRozhrani& r);
uint32_t Attempts(const TRozhrani& r);

}  // namespace host
