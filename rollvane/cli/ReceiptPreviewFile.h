#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rollvane {

class UserInterface;

// The receipts the printer would print from bytes, written as PNG pictures: OUT.png for the first
// receipt, then OUT-2.png, OUT-3.png for the receipts after each further cut.
class ReceiptPreviewFile {
public:
    // Writes the pictures and prints each file's name on out; 0 after a message box when
    // they cannot be written (nothing is left behind).
    static int Write(const std::vector<uint8_t> &bytes, const std::string &path, UserInterface &ui, std::ostream &out);
};

}  // namespace rollvane
