#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace rollvane {

// The contents of the test-print lines, apart from any link.
class TestPatterns {
public:
    // charsPerLine letters H.
    static std::vector<uint8_t> AllHLine(int charsPerLine);
    // charsPerLine codes from start upwards, 7F followed by 20.
    static std::vector<uint8_t> RollingLine(int charsPerLine, uint8_t start);
    // The code after code among the printable ones: one higher, and 20 after 7F.
    static uint8_t NextPrintable(uint8_t code);
    // The pattern byte of column (from 1) for duty code 3 to 7; 0 for another code.
    static uint8_t DutyByte(int testCode, int column);
    // 1B 2A 21 nL nH, then the three equal bytes of each of dotsPerLine columns.
    static std::vector<uint8_t> DutyLine(int testCode, int dotsPerLine);
    // "Page " 00, the page number in three bytes, time and date between spaces, 0A.
    static std::vector<uint8_t> HeaderLine(int page, int charsPerLine, const std::tm &time);
    // "Printing Page N: P%" with P to three significant digits of 100 * line / divisor.
    static std::string ProgressText(int page, uint32_t line, uint32_t divisor);
};

}  // namespace rollvane
