#include "rollvane/cli/JsonWriter.h"

#include <cstdio>

namespace rollvane {

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&text](std::size_t at) { return static_cast<uint8_t>(text[at]); };
    const uint8_t lead = byte(i);
    std::size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        // No overlong forms, no UTF-16 surrogates.
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string JsonWriter::Quoted(std::string_view value)
{
    std::string quoted = "\"";
    for (std::size_t i = 0; i < value.size();) {
        const auto c = static_cast<uint8_t>(value[i]);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            quoted += escaped;
            ++i;
        } else if (const std::size_t length = SequenceLength(value, i); length > 0) {
            quoted.append(value.substr(i, length));
            i += length;
        } else {
            quoted += "\\uFFFD";
            ++i;
        }
    }
    return quoted + "\"";
}

void JsonWriter::Separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!filled_.empty()) {
        if (filled_.back()) {
            text_ += ',';
        }
        filled_.back() = true;
    }
}

void JsonWriter::BeginObject()
{
    Separate();
    text_ += '{';
    filled_.push_back(false);
}

void JsonWriter::EndObject()
{
    filled_.pop_back();
    text_ += '}';
}

void JsonWriter::BeginArray()
{
    Separate();
    text_ += '[';
    filled_.push_back(false);
}

void JsonWriter::EndArray()
{
    filled_.pop_back();
    text_ += ']';
}

void JsonWriter::Key(std::string_view name)
{
    Separate();
    text_ += Quoted(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view value)
{
    Separate();
    text_ += Quoted(value);
}

void JsonWriter::Number(int64_t value)
{
    Separate();
    text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value)
{
    Separate();
    text_ += value ? "true" : "false";
}

void JsonWriter::Null()
{
    Separate();
    text_ += "null";
}

}  // namespace rollvane
