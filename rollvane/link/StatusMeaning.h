#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

// What a status byte says, in the words the CLI prints and the desktop program lists.
class StatusMeaning {
public:
    // "0x08": the byte as it is printed beside its meaning.
    static std::string Hex(uint8_t status);
    // "ready", "busy: check the printer" (the busy bit), "busy: no status" (0xFF); other bits are
    // named after "ready" ("ready, other bits 0x80").
    static std::string Text(uint8_t status);
    // "0x08 busy: check the printer": both together, as status prints them.
    static std::string Line(uint8_t status);
};

}  // namespace rollvane
