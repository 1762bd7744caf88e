#pragma once

#include <cstdint>

namespace rollvane {

class PrinterLink;

// The printer's configuration bytes 1 to 31, which several pages read: the paper width, the
// font size, the settings behind "Load Printer".
class ConfigurationBytes {
public:
    // Byte n on an open, configured link; 0 when a send or the reply failed.
    static int Read(PrinterLink &link, int n, uint8_t *value);
};

}  // namespace rollvane
