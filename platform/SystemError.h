// The system's own words for an error number, for messages that would
// otherwise hide why a file or socket could not be used.
#pragma once

#include <string_view>

// English description of `error` ("Too many open files"), the same in every
// locale and plain ASCII, so it reads the same in code page 1250 logs. Empty
// for 0 or an unknown number. Thread-safe: the text is static.
std::string_view SystemErrorText(int error);

// Errors that only say a name leads nowhere (missing, a file where a
// directory should be, too long): the fixed texts of the driver already
// stand for those, so no reason is added to them.
bool IsNameError(int error);
