#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The printer's 31 configuration bytes (numbered 1 to 31) and the rules that
// turn set commands into bits and bits into readable texts.
class PrinterConfig {
public:
    static constexpr int kBytes = 31;

    struct Line {
        std::string section;
        std::string label;
        std::string text;
    };

    PrinterConfig();  // factory defaults

    uint8_t byte(int n) const;
    void SetByte(int n, uint8_t value);
    const std::array<uint8_t, kBytes + 1> &bytes() const { return bytes_; }

    // Applies one set command; false when the item or value is not one the
    // printer knows (the bytes are then unchanged).
    bool Apply(uint8_t code, uint8_t value);

    // Answer to the configuration read for n: bytes are paired (0,1), (2,3),
    // ... (30,31) and the pair holding n is sent low number first, so the
    // first byte is right for an even n and the second for an odd n.
    std::array<uint8_t, 2> word(int n) const;

    int printWidth() const;             // dots: 576 on 80 mm paper, 432 on 58 mm
    int lineSpacing() const;            // dots per line at the default LPI
    uint8_t topBottomMessages() const;  // bit 0 bottom, bit 1 top enabled
    uint8_t codePage() const;           // as the set command numbers it

    // Every item with the text it currently reads as, in printout order.
    std::vector<Line> Describe() const;

    bool operator==(const PrinterConfig &other) const { return bytes_ == other.bytes_; }

private:
    std::array<uint8_t, kBytes + 1> bytes_{};  // index 0 unused
};
