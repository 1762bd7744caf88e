// A HID report descriptor as a device gives it, read by libqlnk's own parser before every HID
// send and receive. The fuzz input is the descriptor.
//
// Checked: the parser reads nothing past the input; a refusal gives a reason and no records; an
// accepted descriptor gives records that each lie inside their kind's report length, and that
// Find reaches by their own usages.
#include "transports/CHidReportDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, std::size_t size)
{
    CHidReportDescriptor descriptor;
    std::string why;
    if (!descriptor.Parse(input, size, &why)) {
        Require(!why.empty());
        Require(descriptor.values().empty());
        Require(descriptor.ReportByteLength(CHidValueCaps::Output) == 0);
        return 0;
    }
    for (const auto &value : descriptor.values()) {
        Require(value.kind <= CHidValueCaps::Feature);
        Require(value.bitSize >= 1 && value.bitSize <= 32);
        Require(value.reportCount >= 1);
        Require(value.usageMin <= value.usageMax && value.usage == value.usageMin);
        Require(value.isRange || value.usageMin == value.usageMax);
        const std::size_t bytes = descriptor.ReportByteLength(value.kind);
        Require(bytes >= 2 && bytes <= 65535);
        Require(uint64_t{value.bitOffset} + uint64_t{value.reportCount} * value.bitSize <= (bytes - 1) * 8);
        const CHidValueCaps *found = descriptor.Find(value.kind, value.usagePage, value.usageMax, value.linkUsage);
        Require(found != nullptr && found->kind == value.kind && found->usagePage == value.usagePage);
    }
    return 0;
}
