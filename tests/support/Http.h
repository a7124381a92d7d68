// The tools' HTTP client on the loopback, and where the driver says its page
// listens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/Http.h"

// The port in the main log line "... na http://ADDRESS:PORT/."; 0 if none.
inline uint16_t ListeningPort(const std::vector<std::string>& mainLog) {
    const std::string mark = " na http://";  // "... naslouchá na http://"
    for (const auto& line : mainLog) {
        const std::size_t at = line.find(mark);
        if (at == std::string::npos) continue;
        const std::size_t colon = line.rfind(':');
        return static_cast<uint16_t>(std::stoi(line.substr(colon + 1)));
    }
    return 0;
}
