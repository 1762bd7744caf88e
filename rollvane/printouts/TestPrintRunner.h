#pragma once

#include "rollvane/link/PrinterErrorCode.h"

#include <cstdint>
#include <vector>

namespace rollvane {

class PrinterLink;

// The test codes RunTestPrint takes.
enum TestPrintCode : int32_t {
    TestAllH = 1,
    TestRollingAscii = 2,
    TestDuty12 = 3,
    TestDuty25 = 4,
    TestDuty50 = 5,
    TestDuty75 = 6,
    TestDuty100 = 7,
};

// The online test prints on an opened and configured link: status check, making the
// printer's paper width agree with paperType (restarting it when they differ), the test
// pages and the wait for the printer to be ready again. The page sets the fields first.
class TestPrintRunner {
public:
    explicit TestPrintRunner(PrinterLink &link);

    // ErrNone after the pages were printed and the printer answered ready; the action is then
    // over (progress window and link closed). Otherwise the code to report, with the progress
    // window still open; the link too, unless the printer did not come back after a restart.
    PrinterErrorCode RunTestPrint(int testCode);

    int32_t paperType = 0;  // 0 = 80 mm, 1 = 58 mm
    int32_t charsPerLine = 48;
    int32_t dotsPerLine = 576;
    int32_t linesPerPage = 27;
    int32_t pageCount = 1;
    int32_t pageNumber = 1;
    int32_t pagesLeft = 0;
    int32_t printFront = 1;
    int32_t printBack = 0;
    int32_t dualSide = 0;
    int32_t coverCheck = 1;

private:
    // The lines of one test: the front and back blocks of every page.
    struct Routine {
        int testCode;
        bool duty;
        int frontLines;
        int backLines;
        // The bar's range and the basis of the percentage.
        uint32_t divisor;
    };

    // Up to attempts status queries, the bar at range 30; ErrTimeout when none is answered.
    PrinterErrorCode WaitForStatus(int attempts);
    // Reads the printer's paper width and writes paperType when it differs.
    PrinterErrorCode MatchPaperWidth();
    // After 1D FF: waits until the printer answers a status query again.
    PrinterErrorCode WaitForRestart(uint32_t networkPauseMs);
    // The link-type part of a restart pass; false when the device cannot be opened again.
    bool ReconnectPass(uint32_t networkPauseMs, bool *reachedAgain);
    PrinterErrorCode PrintPages(const Routine &routine);
    // Paper sensor, dual-side set-up and header.
    PrinterErrorCode StartPage(const Routine &routine);
    // One block of lines; selects the side first where asked to.
    bool PrintBlock(const Routine &routine, int lines, uint8_t side);
    // The side, the feed, the cut.
    bool EndPage(const Routine &routine);
    // The routine's next line; the rolling test moves its start code on.
    const std::vector<uint8_t> &NextLine(const Routine &routine);
    void Sleep(uint32_t ms);

    PrinterLink &link_;
    std::vector<uint8_t> line_;
    uint8_t rollingStart_ = 0x20;
};

}  // namespace rollvane
