// kova-sim: a virtual KOVA-AXX receipt printer.
#include "PrinterState.h"
#include "SimOptions.h"
#include "Simulator.h"
#include "StateFile.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

int main(int argc, char **argv)
{
    SimOptions options;
    std::string error;
    switch (options.Parse(argc, argv, error)) {
    case SimOptions::Result::Help:
        std::fputs(SimOptions::Help().c_str(), stdout);
        return 0;
    case SimOptions::Result::Error:
        std::fprintf(stderr, "kova-sim: %s (try --help)\n", error.c_str());
        return 2;
    case SimOptions::Result::Run:
        break;
    }

    PrinterState state;
    if (!options.statePath.empty()) {
        const StateFile::Load loaded = StateFile::LoadFrom(options.statePath, state, error);
        if (loaded == StateFile::Load::Bad) {
            // Refuse to start rather than overwrite a file we did not understand.
            std::fprintf(stderr, "kova-sim: %s; not started, so as not to overwrite it\n", error.c_str());
            return 1;
        }
    }
    if (!options.model.empty())
        state.modelCode = options.model;
    if (!options.firmware.empty())
        state.firmware = options.firmware;

    // The file exists and reads as the printer stands from the start on.
    if (!options.statePath.empty() && !StateFile::Save(options.statePath, state, error)) {
        std::fprintf(stderr, "kova-sim: %s\n", error.c_str());
        return 1;
    }

    if (::mkdir(options.outDir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "kova-sim: cannot create %s\n", options.outDir.c_str());
        return 1;
    }

    Simulator simulator(options, state);
    return simulator.Run();
}
