#include "tools/host/StatusTexts.h"

#include "config/StatusCodes.h"

namespace host {

std::string_view StatusText(int64_t code) {
    if (code < 0 || code > UINT32_MAX) return ::StatusText(UINT32_MAX);
    return ::StatusText(static_cast<uint32_t>(code));
}

}  // namespace host
