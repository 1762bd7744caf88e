#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

class JsonWriter;

// The parts several commands' JSON results share, written the same way everywhere.
class ResultJson {
public:
    // "byte", "hex" and "meaning" of a status byte, into the object being written.
    static void StatusFields(JsonWriter &json, uint8_t status);
    // One message box: {"caption", "text", "icon", "cause" (null when none)}.
    static void Message(JsonWriter &json, const std::string &caption, const std::string &text, const std::string &icon,
                        const std::string &cause);
};

}  // namespace rollvane
