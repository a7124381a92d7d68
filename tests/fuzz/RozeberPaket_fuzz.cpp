// Any datagram the network delivers goes through RozeberPaket.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "comm/Packet.h"

namespace {

void Over(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TOdpoved o;
    o.Id = 0xDEADBEEF;
    const auto v = static_cast<uint8_t>(RozeberPaket(text, o));
    Over(v <= 4);
    const std::size_t start = text.find('[');
    const std::string_view t = start == std::string_view::npos ? std::string_view() : text.substr(start);
    if (v != 1) Over(t.size() >= 70);
    if (v == 0) {
        Over(t.substr(0, 8) == "[VUZIV2]");
    } else {
        Over(o.Id == 0xDEADBEEF);  // a rejected datagram leaves the answer alone
    }
    return 0;
}
