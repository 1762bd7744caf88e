#include "transports/CHidReportDescriptor.h"

bool CHidReportDescriptor::Parse(const uint8_t *, std::size_t, std::string *why)
{
    values_.clear();
    reportBytes_ = {};
    if (why != nullptr) {
        *why = "not parsed yet";
    }
    return false;
}

const CHidValueCaps *CHidReportDescriptor::Find(CHidValueCaps::Kind kind, uint16_t usagePage, uint16_t usage,
                                                uint16_t linkUsage) const
{
    for (const auto &value : values_) {
        const bool holds = value.isRange ? usage >= value.usageMin && usage <= value.usageMax : usage == value.usage;
        if (value.kind == kind && value.usagePage == usagePage && holds && value.linkUsage == linkUsage) {
            return &value;
        }
    }
    return nullptr;
}

std::size_t CHidReportDescriptor::ReportByteLength(CHidValueCaps::Kind kind) const
{
    return reportBytes_[kind];
}
