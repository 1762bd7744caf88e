#include "rollvane/printouts/TestPrintRunner.h"

#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PaperSensor.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/printouts/TestPatterns.h"

#include <chrono>
#include <ctime>

namespace rollvane {

namespace {

constexpr uint32_t kStatusReadTimeoutMs = 2000;
constexpr uint32_t kPrintReadTimeoutMs = 30000;
constexpr uint32_t kAllHReadTimeoutMs = 5000;
constexpr int kStartAttempts = 2;
constexpr int kRestartPasses = 30;
constexpr int kFinalAttempts = 30;
constexpr int kReopenCalls = 10;
constexpr uint32_t kUsbRestartMs = 5000;
constexpr uint32_t kRetryMs = 1000;
constexpr uint32_t kBeforeStatusMs = 1000;
// The network printer needs longer to come back when it was set for the narrower paper.
constexpr uint32_t kNetworkPauseFrom58Ms = 5000;
constexpr uint32_t kNetworkPauseFrom80Ms = 1000;
constexpr uint8_t k58mmBit = 0x08;
constexpr uint8_t kFront = 0x00;
constexpr uint8_t kBack = 0x01;

}  // namespace

TestPrintRunner::TestPrintRunner(PrinterLink &link) : link_(link) {}

void TestPrintRunner::Sleep(uint32_t ms)
{
    link_.Pause(std::chrono::milliseconds(ms));
}

PrinterErrorCode TestPrintRunner::WaitForStatus(int attempts)
{
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        link_.progress->SetProgress(30, static_cast<uint32_t>(attempt));
        uint8_t status[PrinterLink::kStatusBufferSize] = {};
        if (link_.QueryStatus(status)) {
            return PrinterLink::IsBusy(status[0]) ? ErrBusy : ErrNone;
        }
    }
    return ErrTimeout;
}

PrinterErrorCode TestPrintRunner::RunTestPrint(int testCode)
{
    if (testCode < TestAllH || testCode > TestDuty100) {
        return ErrTimeout;
    }
    link_.StartProgress("Reinitializing printer...");
    link_.progress->ResetRange();
    link_.SetReadTimeout(kStatusReadTimeoutMs);
    if (const PrinterErrorCode status = WaitForStatus(kStartAttempts); status != ErrNone) {
        return status;
    }

    link_.SetReadTimeout(kPrintReadTimeoutMs);
    link_.progress->SetMessage("Checking printer status...");
    link_.progress->ResetRange();
    link_.progress->SetProgress(100, 0);
    if (!link_.Send({0x1B, 0x40}) || !link_.Send({0x10})) {
        return ErrTimeout;
    }
    if (const PrinterErrorCode width = MatchPaperWidth(); width != ErrNone) {
        return width;
    }

    pageNumber = 1;
    const bool duty = testCode >= TestDuty12;
    const Routine routine{testCode, duty, duty ? linesPerPage : linesPerPage - 3,
                          duty ? linesPerPage : linesPerPage - 9,
                          static_cast<uint32_t>(duty ? linesPerPage : linesPerPage - 3)};
    if (testCode == TestAllH) {
        link_.SetReadTimeout(kAllHReadTimeoutMs);
    }
    if (const PrinterErrorCode printed = PrintPages(routine); printed != ErrNone) {
        return printed;
    }

    link_.progress->SetMessage("Reinitializing printer...");
    link_.progress->ResetRange();
    link_.SetReadTimeout(kStatusReadTimeoutMs);
    // A printer that never answers after the pages has not shown that it printed them.
    if (const PrinterErrorCode status = WaitForStatus(kFinalAttempts); status != ErrNone) {
        return status;
    }
    link_.SetReadTimeout(kPrintReadTimeoutMs);
    link_.EndOperation();
    return ErrNone;
}

PrinterErrorCode TestPrintRunner::MatchPaperWidth()
{
    uint8_t reply[2] = {};
    if (!link_.Send({0x1F, 0x7A, 0x74, 0x01})) {
        return ErrTimeout;
    }
    link_.WaitSeconds(0);
    if (!link_.Send({0x1F, 0x31}) || !link_.Send({0x04}) || !link_.Receive(reply, sizeof reply) ||
        !link_.Send({0x1F, 0x7A, 0x74, 0x00})) {
        return ErrTimeout;
    }
    const bool printerAt58 = (reply[1] & k58mmBit) != 0;
    if (printerAt58 == (paperType == 1)) {
        return ErrNone;
    }
    uint8_t setting[5] = {0x1F, 0x36, 0x32, static_cast<uint8_t>(printerAt58 ? 0x00 : 0x01), 0xFF};
    uint8_t takeOver[2] = {0x1D, 0xFF};
    if (!link_.SendBulk(setting, sizeof setting) || !link_.SendBulk(takeOver, sizeof takeOver)) {
        return ErrTimeout;
    }
    return WaitForRestart(printerAt58 ? kNetworkPauseFrom58Ms : kNetworkPauseFrom80Ms);
}

PrinterErrorCode TestPrintRunner::WaitForRestart(uint32_t networkPauseMs)
{
    const int32_t type = link_.linkType;
    if (type == LinkOrnUsb || type == LinkUsbPrinterClass || type == LinkNetwork) {
        link_.Close();
    }
    link_.WaitSeconds(1);
    link_.progress->SetMessage("Initializing printer...");
    link_.progress->ResetRange();
    link_.SetReadTimeout(kStatusReadTimeoutMs);
    // Serial and parallel lines stay open through the restart.
    bool reachedAgain = type != LinkOrnUsb && type != LinkUsbPrinterClass;
    for (int pass = 1; pass <= kRestartPasses; ++pass) {
        link_.progress->SetProgress(30, static_cast<uint32_t>(pass));
        if (!ReconnectPass(networkPauseMs, &reachedAgain)) {
            link_.Close();
            return ErrTimeout;
        }
        Sleep(kBeforeStatusMs);
        uint8_t status[PrinterLink::kStatusBufferSize] = {};
        if (link_.QueryStatus(status)) {
            if (PrinterLink::IsBusy(status[0])) {
                return ErrBusy;
            }
            link_.SetReadTimeout(kPrintReadTimeoutMs);
            return ErrNone;
        }
    }
    if (!reachedAgain) {
        // Whatever a failed open left behind goes; nothing of the device stays held.
        link_.Close();
    }
    return ErrTimeout;
}

bool TestPrintRunner::ReconnectPass(uint32_t networkPauseMs, bool *reachedAgain)
{
    switch (link_.linkType) {
    case LinkOrnUsb:
        Sleep(kUsbRestartMs);
        if (link_.CheckUsbReconnect() != 0) {
            if (!link_.Open("ORNUSB")) {
                return false;
            }
            *reachedAgain = true;
        }
        return true;
    case LinkUsbPrinterClass: {
        Sleep(kUsbRestartMs);
        for (int call = 1; call <= kReopenCalls; ++call) {
            if (link_.Reopen()) {
                *reachedAgain = true;
                return true;
            }
            Sleep(kRetryMs);
        }
        return true;
    }
    case LinkNetwork: {
        Sleep(networkPauseMs);
        // The link's own record: what the action configured it with.
        InterfaceSettings settings;
        settings.portText = link_.portName;
        settings.baudRate = link_.baudRate;
        settings.parityText = link_.parityName;
        settings.dataBits = link_.dataBits;
        settings.stopBits = link_.stopBits;
        settings.ipAddress = link_.ipAddress;
        settings.linkType = link_.linkType;
        link_.Configure(settings);
        return true;
    }
    default:
        return true;
    }
}

PrinterErrorCode TestPrintRunner::PrintPages(const Routine &routine)
{
    // The line buffer is filled once; only the rolling test changes it per line.
    if (routine.duty) {
        line_ = TestPatterns::DutyLine(routine.testCode, dotsPerLine);
    } else if (routine.testCode == TestAllH) {
        line_ = TestPatterns::AllHLine(charsPerLine);
    }
    rollingStart_ = 0x20;
    link_.progress->ResetRange();
    pagesLeft = pageCount;
    for (int page = 1; page <= pageCount; ++page) {
        if (const PrinterErrorCode started = StartPage(routine); started != ErrNone) {
            return started;
        }
        if (printFront && !PrintBlock(routine, routine.frontLines, kFront)) {
            return ErrTimeout;
        }
        if (printBack && !PrintBlock(routine, routine.backLines, kBack)) {
            return ErrTimeout;
        }
        if (!EndPage(routine)) {
            return ErrTimeout;
        }
        link_.progress->SetMessage(TestPatterns::ProgressText(pageNumber, 1, 1));
        link_.progress->SetProgress(routine.divisor, routine.divisor);
        --pagesLeft;
        ++pageNumber;
    }
    return ErrNone;
}

PrinterErrorCode TestPrintRunner::StartPage(const Routine &routine)
{
    if (const PrinterErrorCode paper = PaperSensor::Check(link_, coverCheck != 0); paper != ErrNone) {
        return paper;
    }
    if (dualSide &&
        (!link_.Send({0x1F, 0x60, 0x02}) || !link_.Send({0x1F, 0x63, 0x00}) || !link_.Send({0x1F, 0x64, 0x00}) ||
         !link_.Send({0x1F, 0x66, 0x00}) || !link_.Send({0x1F, 0x69, 0x00, 0x00}))) {
        return ErrTimeout;
    }
    if (routine.testCode == TestAllH) {
        const std::time_t now = std::chrono::system_clock::to_time_t(link_.clock().now());
        std::tm local{};
        localtime_r(&now, &local);
        const auto header = TestPatterns::HeaderLine(pageNumber, charsPerLine, local);
        if (!link_.Send(header.data(), static_cast<uint32_t>(header.size()))) {
            return ErrTimeout;
        }
    } else if (!link_.Send({0x0A})) {
        return ErrTimeout;
    }
    return ErrNone;
}

bool TestPrintRunner::PrintBlock(const Routine &routine, int lines, uint8_t side)
{
    if (dualSide && (!link_.Send({0x1F, 0x61}) || !link_.Send({side}))) {
        return false;
    }
    if (dualSide && side == kBack && routine.duty && !link_.Send({0x0A})) {
        return false;
    }
    for (int n = 1; n <= lines; ++n) {
        const std::vector<uint8_t> &line = NextLine(routine);
        if (!link_.Send(line.data(), static_cast<uint32_t>(line.size())) || !link_.Send({0x0A})) {
            return false;
        }
        link_.progress->SetMessage(TestPatterns::ProgressText(pageNumber, static_cast<uint32_t>(n), routine.divisor));
        link_.progress->SetProgress(routine.divisor, static_cast<uint32_t>(n));
    }
    return true;
}

bool TestPrintRunner::EndPage(const Routine &routine)
{
    if (!printFront) {
        // Back side only: the paper is fed on past the back print head before the cut.
        uint8_t feed[3] = {0x1B, 0x4A, 0xBC};
        if (!link_.Send({0x1F, 0x61}) || !link_.Send({kBack}) || !link_.SendBulk(feed, sizeof feed) ||
            !link_.Send({0x1B, 0x64, 0x06})) {
            return false;
        }
    } else {
        if (dualSide && (!link_.Send({0x1F, 0x61}) || !link_.Send({kFront}))) {
            return false;
        }
        if (routine.duty && !link_.Send({0x0A})) {
            return false;
        }
        if (!link_.Send({0x1B, 0x64, 0x06})) {
            return false;
        }
    }
    return link_.Send({0x1B, 0x69}) != 0;
}

const std::vector<uint8_t> &TestPrintRunner::NextLine(const Routine &routine)
{
    if (routine.testCode == TestRollingAscii) {
        line_ = TestPatterns::RollingLine(charsPerLine, rollingStart_);
        rollingStart_ = TestPatterns::NextPrintable(rollingStart_);
    }
    return line_;
}

}  // namespace rollvane
