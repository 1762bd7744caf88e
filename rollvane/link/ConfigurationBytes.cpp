#include "rollvane/link/ConfigurationBytes.h"

#include "rollvane/link/PrinterLink.h"

namespace rollvane {

int ConfigurationBytes::Read(PrinterLink &link, int n, uint8_t *value)
{
    uint8_t reply[2] = {};
    if (!link.Send({0x1B, 0x40}) || !link.Send({0x10}) || !link.Send({0x1F, 0x31, static_cast<uint8_t>(n)}) ||
        !link.Receive(reply, 2)) {
        return 0;
    }
    // Each reply holds a 16-bit word: even bytes come first, odd bytes second.
    *value = n % 2 == 0 ? reply[0] : reply[1];
    return 1;
}

}  // namespace rollvane
