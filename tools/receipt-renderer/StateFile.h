#pragma once

#include <cstddef>
#include <string>

class PrinterState;

// The printer's memory on disk: "key = value" lines, bytes in hexadecimal.
// A save writes a new file, makes sure it is on the disk, renames it over the
// old one and makes sure of the rename: a crash, a kill or a power cut leaves
// the old file or the new one, never a mix.
class StateFile {
public:
    // More than the printer ever writes (three of the largest bit images and
    // six full messages come to under 800 KiB; a real file takes a few
    // kilobytes), so a larger file is not one.
    static constexpr size_t kMaxFileSize = 1u << 20;

    enum class Load {
        Loaded,
        Missing,
        Bad
    };

    // Reads only a regular file of at most kMaxFileSize, without waiting on
    // a FIFO or a device. Bad, with the reason in error, for anything else.
    static Load LoadFrom(const std::string &path, PrinterState &state, std::string &error);
    // The file's text; name is where it came from, for the error.
    static bool Parse(const std::string &text, const std::string &name, PrinterState &state, std::string &error);
    static std::string Text(const PrinterState &state);
    static bool Save(const std::string &path, const PrinterState &state, std::string &error);
};
