#include "rollvane/printouts/TestPatterns.h"

#include <cstdio>

namespace rollvane {

namespace {

constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kLastPrintable = 0x7F;

void Append(std::vector<uint8_t> &line, const char *text, std::size_t length)
{
    line.insert(line.end(), text, text + length);
}

void AppendSpaces(std::vector<uint8_t> &line, int count)
{
    for (int i = 0; i < count; ++i) {
        line.push_back(' ');
    }
}

}  // namespace

std::vector<uint8_t> TestPatterns::AllHLine(int charsPerLine)
{
    return std::vector<uint8_t>(static_cast<std::size_t>(charsPerLine > 0 ? charsPerLine : 0), 'H');
}

uint8_t TestPatterns::NextPrintable(uint8_t code)
{
    return code >= kLastPrintable || code < kFirstPrintable ? kFirstPrintable : static_cast<uint8_t>(code + 1);
}

std::vector<uint8_t> TestPatterns::RollingLine(int charsPerLine, uint8_t start)
{
    std::vector<uint8_t> line;
    uint8_t code = start;
    for (int i = 0; i < charsPerLine; ++i) {
        line.push_back(code);
        code = NextPrintable(code);
    }
    return line;
}

uint8_t TestPatterns::DutyByte(int testCode, int column)
{
    static constexpr uint8_t kThreeQuarters[4] = {0xDD, 0xEE, 0x77, 0xBB};
    switch (testCode) {
    case 3:
        return static_cast<uint8_t>(1u << (column % 8));
    case 4:
        return static_cast<uint8_t>(0x11u << (column % 4));
    case 5:
        return column % 2 != 0 ? 0x55 : 0xAA;
    case 6:
        return kThreeQuarters[column % 4];
    case 7:
        return 0xFF;
    default:
        return 0x00;
    }
}

std::vector<uint8_t> TestPatterns::DutyLine(int testCode, int dotsPerLine)
{
    const int columns = dotsPerLine > 0 ? dotsPerLine : 0;
    std::vector<uint8_t> line = {0x1B, 0x2A, 0x21, static_cast<uint8_t>(columns % 256),
                                 static_cast<uint8_t>(columns / 256)};
    line.reserve(line.size() + 3 * static_cast<std::size_t>(columns));
    for (int column = 1; column <= columns; ++column) {
        line.insert(line.end(), 3, DutyByte(testCode, column));
    }
    return line;
}

std::vector<uint8_t> TestPatterns::HeaderLine(int page, int charsPerLine, const std::tm &time)
{
    const int spaces = (charsPerLine - 22) / 2 - 1;
    std::vector<uint8_t> line;
    line.reserve(static_cast<std::size_t>(40 + 2 * (spaces > 0 ? spaces : 0)));
    // The zero bytes are part of the printed line: the printer skips them.
    Append(line, "Page ", 6);
    char number[8] = {};
    std::snprintf(number, sizeof number, "%d", page % 1000);
    Append(line, number, 3);
    AppendSpaces(line, spaces);
    char clock[16] = {};
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", time.tm_hour % 100, time.tm_min % 100, time.tm_sec % 100);
    Append(line, clock, 9);
    AppendSpaces(line, spaces);
    char date[16] = {};
    std::snprintf(date, sizeof date, "%02d/%02d/%02d", (time.tm_mon + 1) % 100, time.tm_mday % 100, time.tm_year % 100);
    Append(line, date, 9);
    line.push_back(0x0A);
    return line;
}

std::string TestPatterns::ProgressText(int page, uint32_t line, uint32_t divisor)
{
    const double percent = divisor != 0 ? 100.0 * line / divisor : 100.0;
    char text[64] = {};
    std::snprintf(text, sizeof text, "Printing Page %d: %.3g%%", page, percent);
    return text;
}

}  // namespace rollvane
