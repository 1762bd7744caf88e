#pragma once

#include <cstdint>

namespace rollvane {

// The result of a printer sequence.
enum PrinterErrorCode : int32_t {
    ErrTimeout = 0,
    ErrNone = 1,
    ErrKnifeJam = 2,
    ErrWrongData = 3,
    ErrPaperOut = 4,
    ErrPaperLow = 5,
    ErrCoverOpen = 6,
    ErrBusy = 7,
};

}  // namespace rollvane
