#pragma once

#include <cstdint>
#include <string>

namespace rollvane {

// A printer's host name looked up as an IPv4 address.
class HostAddress {
public:
    // The first IPv4 address of name, in the form NumberText::DottedQuadValue gives (the first
    // number in the high byte). False with *error set to the resolver's text.
    static bool Resolve(const std::string &name, uint32_t *address, std::string *error);
};

}  // namespace rollvane
