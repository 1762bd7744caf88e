#include "rollvane/cli/AddressRange.h"

#include "rollvane/link/NumberText.h"

namespace rollvane {

namespace {

bool Fill(uint64_t first, uint64_t last, const std::string &text, std::vector<uint32_t> *addresses, std::string *error)
{
    if (last - first + 1 > AddressRange::kMostAddresses) {
        *error = text + ": " + std::to_string(last - first + 1) + " addresses, more than the " +
                 std::to_string(AddressRange::kMostAddresses) + " one search may ask";
        return false;
    }
    addresses->clear();
    for (uint64_t address = first; address <= last; ++address) {
        addresses->push_back(static_cast<uint32_t>(address));
    }
    return true;
}

}  // namespace

bool AddressRange::FromRange(const std::string &text, std::vector<uint32_t> *addresses, std::string *error)
{
    const std::size_t dash = text.find('-');
    uint32_t first = 0;
    uint32_t last = 0;
    if (dash == std::string::npos || !NumberText::DottedQuadValue(text.substr(0, dash), &first) ||
        !NumberText::DottedQuadValue(text.substr(dash + 1), &last)) {
        *error = text + ": not a range of the form A.B.C.D-E.F.G.H";
        return false;
    }
    if (first > last) {
        *error = text + ": the first address is after the last";
        return false;
    }
    return Fill(first, last, text, addresses, error);
}

bool AddressRange::FromSubnet(const std::string &text, std::vector<uint32_t> *addresses, std::string *error)
{
    const std::size_t slash = text.find('/');
    const std::string bits = slash == std::string::npos ? std::string() : text.substr(slash + 1);
    uint32_t base = 0;
    const bool digits = !bits.empty() && bits.size() <= 2 && bits.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || !NumberText::DottedQuadValue(text.substr(0, slash), &base) || std::stoi(bits) > 32) {
        *error = text + ": not a subnet of the form A.B.C.D/N (N from 0 to 32)";
        return false;
    }
    const int prefix = std::stoi(bits);
    const uint64_t size = uint64_t{1} << (32 - prefix);
    const uint64_t network = base & ~(size - 1);
    // A /31 or /32 has no network or broadcast address to leave out.
    const uint64_t hosts = size > 2 ? 1 : 0;
    return Fill(network + hosts, network + size - 1 - hosts, text, addresses, error);
}

}  // namespace rollvane
