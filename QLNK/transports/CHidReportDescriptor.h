#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One value field of the descriptor's reports.
struct CHidValueCaps {
    enum Kind : uint8_t {
        Input,
        Output,
        Feature
    };
    Kind kind;
    uint16_t usagePage;
    uint16_t usage;  // the first usage when isRange
    bool isRange;
    uint16_t usageMin, usageMax;  // the usage twice when not isRange
    uint16_t linkCollection;      // index of the enclosing collection, 0 = the top
    uint16_t linkUsagePage;
    uint16_t linkUsage;  // usage of the enclosing collection
    uint8_t reportId;    // 0 when the descriptor uses no report ids
    uint16_t reportCount;
    uint16_t bitSize;
    uint32_t bitOffset;  // from the start of the report's data, after the report id byte
};

// A HID report descriptor read into the value fields a caller can set or read in a report.
//
// Which main items give records: every Input, Output or Feature item that is not Constant
// (Constant ones are padding: they only move the bit offset). Buttons are not told apart from
// values: a 1-bit field is a value like any other.
// - A Variable item gives one record per usage it lists (a Minimum/Maximum pair is one
//   range), in order; each takes as many fields as it names (one, or the range's span) and the
//   last takes all fields left. Usages beyond the item's fields give nothing.
// - An Array item gives one record per usage it lists, all covering the whole item (any field
//   may hold any of them).
// - An item without usages gives one record of usage 0 over the whole item.
// Usages of one or two bytes are on the usage page in effect when they are read; within a
// delimited set only the first usage counts. Collections are numbered in the order they open,
// from 0; every value must be inside one.
class CHidReportDescriptor {
public:
    // False, with *why set ("truncated item at byte 17", "pop without push", ...), when the
    // bytes are not a well-formed descriptor; never reads past data + length.
    bool Parse(const uint8_t *data, std::size_t length, std::string *why);
    const std::vector<CHidValueCaps> &values() const { return values_; }
    // The value of kind with this usage page and usage (or usage range holding it) whose
    // enclosing collection has linkUsage, or nullptr.
    const CHidValueCaps *Find(CHidValueCaps::Kind kind, uint16_t usagePage, uint16_t usage, uint16_t linkUsage) const;
    // Bytes of the largest report of a kind, report id byte included (as the platform's
    // OutputReportByteLength / FeatureReportByteLength): 0 when there is none.
    std::size_t ReportByteLength(CHidValueCaps::Kind kind) const;

private:
    std::vector<CHidValueCaps> values_;
    std::array<std::size_t, 3> reportBytes_{};
};
