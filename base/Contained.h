// Runs f; whatever it raises ends there. For work whose failure nobody is
// told of (a log line, a scan that the next one repeats): the driver lives
// in someone else's process and must not let an exception reach it.
#pragma once

template <class F>
void Contained(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}
