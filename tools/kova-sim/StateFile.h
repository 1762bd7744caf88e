#pragma once

#include <string>

class PrinterState;

// The printer's memory on disk: "key = value" lines, bytes in hexadecimal.
// A save writes a new file and renames it over the old one, so a crash never
// leaves half a file.
class StateFile {
public:
    enum class Load {
        Loaded,
        Missing,
        Bad
    };

    static Load LoadFrom(const std::string &path, PrinterState &state, std::string &error);
    static bool Save(const std::string &path, const PrinterState &state);
};
