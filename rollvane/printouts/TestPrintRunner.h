#pragma once

#include "rollvane/link/PrinterErrorCode.h"

#include <cstdint>
#include <string>
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

    // ErrNone after the pages were printed and the printer answered ready; otherwise the
    // code to report (the progress window is then still open, the link too unless a
    // restart could not reach the printer again).
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
    // Two status queries before anything is sent.
    PrinterErrorCode CheckStatus();
    // Reads the printer's paper width and writes paperType when it differs.
    PrinterErrorCode MatchPaperWidth();
    // After 1D FF: waits until the printer answers a status query again.
    PrinterErrorCode WaitForRestart(uint32_t networkPauseMs);
    // One pass of the restart wait for the link's type; ErrTimeout when the device is gone.
    PrinterErrorCode ReconnectPass(uint32_t networkPauseMs);
    // The status queries after the pages.
    PrinterErrorCode WaitUntilReady();

    PrinterErrorCode PrintTextPages(int testCode);
    PrinterErrorCode PrintDutyPages(int testCode);
    // Paper sensor and the dual-side set-up before a page.
    PrinterErrorCode StartPage();
    // The end of a page: the side, the feed, the cut.
    PrinterErrorCode EndPage(bool duty);
    bool SendLine(const std::vector<uint8_t> &line);
    void ShowLineProgress(uint32_t line, uint32_t divisor);
    void Sleep(uint32_t ms);

    PrinterLink &link_;
};

}  // namespace rollvane
