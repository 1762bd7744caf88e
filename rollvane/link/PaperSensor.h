#pragma once

#include "rollvane/link/PrinterErrorCode.h"

#include <cstdint>

namespace rollvane {

class PrinterLink;

// The paper-sensor request (ESC v) and the meaning of its reply byte.
class PaperSensor {
public:
    // The first bit set decides: paper out, then knife jam, then (when asked) cover open.
    // ErrNone when the printer is ready.
    static PrinterErrorCode Evaluate(uint8_t reply, bool checkCover);
    // Sends the request and reads the reply; ErrTimeout when either fails.
    static PrinterErrorCode Check(PrinterLink &link, bool checkCover);
};

}  // namespace rollvane
