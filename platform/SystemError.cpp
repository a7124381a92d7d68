#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

std::string_view SystemErrorText(int error) {
    if (error <= 0) return {};
    // strerrordesc_np: no locale, no buffer, safe from any thread.
    const char* t = strerrordesc_np(error);
    return t != nullptr ? std::string_view(t) : std::string_view();
}

bool IsNameError(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }
