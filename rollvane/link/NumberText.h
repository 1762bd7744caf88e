#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

// Number conversions with the rules the settings texts and files have always had.
class NumberText {
public:
    // The usual decimal rule: leading blanks, an optional sign, then the leading digits;
    // 0 when there are none. Wraps like a 32-bit integer.
    static int32_t DecimalValue(const std::string &text);
    // An IPv4 address text, first octet most significant. The dotted form and the
    // single-number form are accepted (e.g. "192.168.1.10" and "3232235786"); any other
    // text gives 255.255.255.255.
    static uint32_t Ipv4Value(const std::string &text);
    // Exactly four decimal numbers 0 to 255 joined by points, leading zeros read as decimal
    // ("192.168.001.010" is 192.168.1.10): the strict form a person or a script types, unlike
    // the file's reading, which also takes the old octal, hexadecimal and short forms.
    static bool DottedQuadValue(const std::string &text, uint32_t *address);
    // "%u" and "%i.%i.%i.%i" of an address.
    static std::string UnsignedText(uint32_t value);
    static std::string DottedText(uint32_t address);
};

}  // namespace rollvane
