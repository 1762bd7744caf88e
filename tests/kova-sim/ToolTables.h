#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The setting tool's side of the configuration, written out independently of
// the printer's own table: the values it writes for each text and how it
// turns the 31 bytes it reads back into texts.
class ToolTables {
public:
    struct Write {
        std::string item;
        std::vector<std::pair<std::string, std::vector<std::pair<uint8_t, uint8_t>>>> values;  // text -> commands
    };

    static const std::vector<Write> &Writes();
    // bytes[1..31]; items whose bytes hold no text are left out.
    static std::map<std::string, std::string> Decode(const std::array<uint8_t, 32> &bytes);
};
