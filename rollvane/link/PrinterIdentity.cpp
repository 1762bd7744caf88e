#include "rollvane/link/PrinterIdentity.h"

namespace rollvane {

namespace {

// The reply separates the code's groups with bytes that are not part of it.
constexpr std::array<std::size_t, 12> kModelPositions = {1, 2, 3, 4, 6, 7, 8, 10, 11, 12, 14, 15};
// Where the version's four digits are: major tens and units, then minor.
constexpr std::size_t kFirstVersionDigit = 1;

}  // namespace

std::array<char, 12> PrinterIdentity::ModelCode(const uint8_t *reply)
{
    std::array<char, 12> code{};
    for (std::size_t i = 0; i < code.size(); ++i) {
        code[i] = static_cast<char>(reply[kModelPositions[i]]);
    }
    return code;
}

void PrinterIdentity::FirmwareNumbers(const uint8_t *reply, uint8_t *major, uint8_t *minor)
{
    const uint8_t *digits = reply + kFirstVersionDigit;
    *major = static_cast<uint8_t>((digits[0] - 0x30) * 10 + (digits[1] - 0x30));
    *minor = static_cast<uint8_t>((digits[2] - 0x30) * 10 + (digits[3] - 0x30));
}

std::string PrinterIdentity::FirmwareText(const uint8_t *reply)
{
    const uint8_t *digits = reply + kFirstVersionDigit;
    for (int i = 0; i < 4; ++i) {
        if (digits[i] < '0' || digits[i] > '9') {
            return "";
        }
    }
    const auto c = [digits](int i) { return static_cast<char>(digits[i]); };
    return std::string{c(0), c(1), '.', c(2), c(3)};
}

}  // namespace rollvane
