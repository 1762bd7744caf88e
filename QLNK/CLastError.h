#pragma once

#include <qlnk.h>

#include <atomic>
#include <cstdint>

// The library-wide last error: the errno (or libcurl result) of the most recent failure, read
// and reset by QLNK_GetLastError. One value for the whole process, shared by every thread: callers read it right after
// the call that failed.
class CLastError {
public:
    // Replaces whatever was recorded.
    static void Store(int code);
    // The recorded value, or QLNK_NO_ERROR_RECORDED; the read and the reset are one exchange,
    // so a failure recorded by another thread in between is not lost.
    static int32_t Take();
    // The recorded value, left in place (for the trace only).
    static int32_t value() { return value_.load(); }

private:
    // Constant-initialised: a call that comes before any static constructor has run still sees
    // "nothing recorded".
    static constinit std::atomic<int32_t> value_;
};
