#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rollvane {

// Builds one JSON text (RFC 8259) front to back: the caller opens and closes objects and
// arrays and names each member with Key; the writer puts the commas and escapes the strings.
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view name);
    void String(std::string_view value);
    void Number(int64_t value);
    void Bool(bool value);
    void Null();

    const std::string &text() const { return text_; }

    // value as a JSON string: quotes, backslash and control characters escaped, valid UTF-8
    // kept as it is, each byte that is not part of a valid sequence as U+FFFD (a printer may
    // answer with any byte, and the result must stay readable by a strict parser).
    static std::string Quoted(std::string_view value);

private:
    // Before a value: the comma when it is not the first of its array or object.
    void Separate();

    std::string text_;
    // One entry per open array or object: true once it holds an element.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

}  // namespace rollvane
