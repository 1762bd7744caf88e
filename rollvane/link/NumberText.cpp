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
