#pragma once

#include "Faults.h"

#include <cstddef>
#include <string>

// The command line of kova-sim.
class SimOptions {
public:
    enum class Result {
        Run,
        Help,
        Error
    };

    std::string address = "127.0.0.1";
    int tcpPort = 9100;  // 0: any free port (the ready line tells which)
    int udpPort = 3000;
    std::string serialLink;
    std::string statePath;
    std::string outDir = ".";
    std::string model;     // empty: from the state file or the default
    std::string firmware;  // empty: likewise
    int restartSeconds = 3;
    int idleSeconds = 30;        // a TCP client silent this long is dropped; 0: never
    size_t keepReceipts = 1000;  // receipts the folder keeps, the oldest removed first
    Faults faults;

    Result Parse(int argc, char **argv, std::string &error);
    static std::string Help();
};
