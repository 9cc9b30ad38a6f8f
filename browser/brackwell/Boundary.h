#pragma once

#include <QtGlobal>

#include <exception>

namespace brackwell {

// The library's entry points and its Qt event handlers are boundaries that no exception may cross:
// the host is C code as far as the library knows, and Qt's event loop does not unwind. A failure ends
// the call, leaves a line on the debug output and, for entry points, yields `failed`.
template <class Result, class Body>
Result CatchAll(const char* where, Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& error) {
        qWarning("Brackwell: %s failed: %s", where, error.what());
    } catch (...) {
        qWarning("Brackwell: %s failed", where);
    }
    return failed;
}

template <class Body>
void CatchAll(const char* where, Body&& body) noexcept {
    CatchAll(where, 0, [&] {
        body();
        return 0;
    });
}

}  // namespace brackwell
