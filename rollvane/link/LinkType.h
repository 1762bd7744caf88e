#pragma once

#include <cstdint>

namespace rollvane {

// The transport a PrinterLink uses; the number is what inifile.inf keeps.
enum LinkType : int32_t {
    LinkSerial = 0,
    LinkParallel = 1,
    LinkOrnUsb = 2,
    LinkUsbPrinterClass = 3,
    LinkNetwork = 4,
};

}  // namespace rollvane
