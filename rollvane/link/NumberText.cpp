#include "rollvane/link/NumberText.h"

#include <arpa/inet.h>
#include <cctype>

namespace rollvane {

int32_t NumberText::DecimalValue(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

uint32_t NumberText::Ipv4Value(const std::string &text)
{
    in_addr address{};
    if (text.empty() || inet_aton(text.c_str(), &address) == 0) {
        return 0xFFFFFFFFu;
    }
    return ntohl(address.s_addr);
}

bool NumberText::DottedQuadValue(const std::string &text, uint32_t *address)
{
    uint32_t value = 0;
    std::size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
        const std::size_t start = at;
        uint32_t number = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3) {
            number = number * 10 + static_cast<uint32_t>(text[at] - '0');
            ++at;
        }
        if (at == start || number > 255 || (at < text.size() && text[at] >= '0' && text[at] <= '9')) {
            return false;
        }
        value = (value << 8) | number;
    }
    if (at != text.size()) {
        return false;
    }
    *address = value;
    return true;
}

std::string NumberText::UnsignedText(uint32_t value)
{
    return std::to_string(value);
}

std::string NumberText::DottedText(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace rollvane
