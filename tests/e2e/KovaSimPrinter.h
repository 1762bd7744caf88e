#pragma once

#include "tests/support/ChildProcess.h"

#include <string>
#include <vector>

namespace e2e {

// The real kova-sim for one test, on its own loopback address, writing its receipts to
// FOLDER/out and its output to FOLDER/sim.log. Over a serial line its pseudo-terminal is COM3
// of FOLDER/inifile.inf, so rollvane-cli run in FOLDER reaches it without interface options.
class KovaSimPrinter {
public:
    enum class Line {
        Network,
        Serial
    };

    // Starts it with extra options and waits for its ready line; false when it did not come.
    bool Start(Line line, const std::string &address, const std::string &folder,
               const std::vector<std::string> &extra = {});
    // The interface options rollvane-cli needs to reach it: the address over the network,
    // none over the serial line.
    const std::vector<std::string> &interface() const { return interface_; }
    // What kova-sim has said so far.
    std::string log() const;
    // The receipt file once kova-sim has written it ("receipt-0001.png"), or "" after 5 s.
    std::string WaitForReceipt(const std::string &name) const;

private:
    testing_support::ChildProcess process_;
    std::string folder_;
    std::vector<std::string> interface_;
};

}  // namespace e2e
