#include "tests/e2e/KovaSimPrinter.h"

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace e2e {

using testing_support::TempDir;

bool KovaSimPrinter::Start(Line line, const std::string &address, const std::string &folder,
                           const std::vector<std::string> &extra)
{
    folder_ = folder;
    std::filesystem::create_directories(folder + "/out");
    std::vector<std::string> argv = {testing_support::ProcessRunner::BuiltProgram("kova-sim"), "--address", address,
                                     "--out", folder + "/out"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    interface_ = {"--port", "LAN", "--ip", address};
    if (line == Line::Serial) {
        const std::string tty = folder + "/tty";
        argv.insert(argv.end(), {"--tcp-port", "0", "--udp-port", "0", "--serial-link", tty});
        TempDir::Write(folder + "/inifile.inf", "[INITIAL]\nCOMPORT=COM3\nBAUDRATE=115200\nSTOPBITS=1\n"
                                                "PARITY=NONE\nF.CONTROL=Xon/Xoff\n[DEVICES]\nCOM3=" +
                                                    tty + "\n");
        interface_.clear();
    }
    if (!process_.Start(argv, folder + "/sim.log")) {
        return false;
    }
    for (int i = 0; i < 200; ++i) {
        if (log().find("kova-sim ready") != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

std::string KovaSimPrinter::log() const
{
    return TempDir::Read(folder_ + "/sim.log");
}

std::string KovaSimPrinter::WaitForReceipt(const std::string &name) const
{
    const std::string path = folder_ + "/out/" + name;
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(path)) {
            return path;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return "";
}

}  // namespace e2e
