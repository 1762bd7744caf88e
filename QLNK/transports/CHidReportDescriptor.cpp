#include "transports/CHidReportDescriptor.h"

#include <algorithm>

namespace {

// Reports of at most 65535 bytes, report id byte included: every offset and length then fits
// the record's fields and the platform's 16-bit report lengths.
constexpr uint64_t kMaxReportDataBits = (65535u - 1u) * 8u;
constexpr std::size_t kMaxPushDepth = 16;
constexpr uint32_t kMaxValueBits = 32;
constexpr std::size_t kMaxCollections = 65535;

enum ItemType : uint8_t {
    kMain = 0,
    kGlobal = 1,
    kLocal = 2,
    kReserved = 3
};

enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kLogicalMinimum = 0x1,
    kLogicalMaximum = 0x2,
    kPhysicalMinimum = 0x3,
    kPhysicalMaximum = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};

enum LocalTag : uint8_t {
    kUsage = 0x0,
    kUsageMinimum = 0x1,
    kUsageMaximum = 0x2,
    kDelimiter = 0xA
};

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint32_t kConstantFlag = 0x01;
constexpr uint32_t kVariableFlag = 0x02;

// The state Push saves and Pop restores. The logical and physical ranges, unit and exponent are
// read but give no record field; they are kept so that Push and Pop treat them like the others.
struct Globals {
    uint16_t usagePage = 0;
    int32_t logicalMinimum = 0, logicalMaximum = 0;
    int32_t physicalMinimum = 0, physicalMaximum = 0;
    int32_t unitExponent = 0;
    uint32_t unit = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// One usage or usage range named by the local items before a main item.
struct UsageEntry {
    uint16_t page;
    uint16_t minimum, maximum;
    bool isRange;
    uint32_t Span() const { return uint32_t{maximum} - minimum + 1; }
};

struct PendingBound {
    bool present = false;
    uint16_t page = 0;
    uint16_t usage = 0;
    bool pageGiven = false;  // a 4-byte usage, its page its own
};

struct Locals {
    std::vector<UsageEntry> usages;
    PendingBound minimum, maximum;
    bool inDelimiter = false;
    bool delimiterHasUsage = false;
    void Clear() { *this = Locals{}; }
};

struct Collection {
    uint16_t index;
    uint16_t usagePage;
    uint16_t usage;
};

struct Item {
    uint8_t type;
    uint8_t tag;
    uint32_t size;
    uint32_t data;
    int32_t Signed() const
    {
        switch (size) {
        case 1:
            return static_cast<int8_t>(data);
        case 2:
            return static_cast<int16_t>(data);
        default:
            return static_cast<int32_t>(data);
        }
    }
};

class Parser {
public:
    Parser(std::vector<CHidValueCaps> &values, std::array<std::size_t, 3> &reportBytes)
        : values_(values), reportBytes_(reportBytes)
    {}

    bool Run(const uint8_t *data, std::size_t length, std::string &why)
    {
        std::size_t at = 0;
        while (at < length) {
            const uint8_t prefix = data[at];
            if (prefix == kLongItemPrefix) {
                // No long item tags are defined; their data is skipped whole.
                if (length - at < 3 || length - at - 3 < data[at + 1]) {
                    return Fail(why, "truncated long item", at);
                }
                at += 3u + data[at + 1];
                continue;
            }
            static constexpr uint8_t kSizes[] = {0, 1, 2, 4};
            Item item{static_cast<uint8_t>((prefix >> 2) & 0x3), static_cast<uint8_t>(prefix >> 4),
                      kSizes[prefix & 0x3], 0};
            if (length - at - 1 < item.size) {
                return Fail(why, "truncated item", at);
            }
            for (uint32_t i = 0; i < item.size; ++i) {
                item.data |= uint32_t{data[at + 1 + i]} << (8 * i);
            }
            const std::size_t start = at;
            at += 1 + item.size;
            const char *problem = nullptr;
            switch (item.type) {
            case kMain:
                problem = Main(item);
                break;
            case kGlobal:
                problem = Global(item);
                break;
            case kLocal:
                problem = Local(item);
                break;
            default:
                problem = "reserved item type";
                break;
            }
            if (problem != nullptr) {
                return Fail(why, problem, start);
            }
        }
        if (!open_.empty()) {
            why = "collection left open at the end";
            return false;
        }
        if (locals_.inDelimiter) {
            why = "delimiter set left open at the end";
            return false;
        }
        for (std::size_t kind = 0; kind < 3; ++kind) {
            for (std::size_t id = 0; id < 256; ++id) {
                if (present_[kind][id]) {
                    reportBytes_[kind] = std::max<std::size_t>(reportBytes_[kind], (reportBits_[kind][id] + 7) / 8 + 1);
                }
            }
        }
        return true;
    }

private:
    static bool Fail(std::string &why, const char *problem, std::size_t at)
    {
        why = std::string(problem) + " at byte " + std::to_string(at);
        return false;
    }

    const char *Main(const Item &item)
    {
        const char *problem = nullptr;
        switch (item.tag) {
        case kInput:
            problem = Field(CHidValueCaps::Input, item.data);
            break;
        case kOutput:
            problem = Field(CHidValueCaps::Output, item.data);
            break;
        case kFeature:
            problem = Field(CHidValueCaps::Feature, item.data);
            break;
        case kCollection:
            problem = OpenCollection();
            break;
        case kEndCollection:
            if (open_.empty()) {
                return "end collection without collection";
            }
            open_.pop_back();
            break;
        default:
            // Reserved main tags carry nothing we place in a report.
            break;
        }
        if (problem == nullptr && locals_.inDelimiter) {
            return "delimiter set left open";
        }
        locals_.Clear();
        return problem;
    }

    const char *OpenCollection()
    {
        if (const char *problem = UnpairedBound()) {
            return problem;
        }
        if (collections_ >= kMaxCollections) {
            return "too many collections";
        }
        Collection opened{static_cast<uint16_t>(collections_++), 0, 0};
        if (!locals_.usages.empty()) {
            opened.usagePage = locals_.usages.front().page;
            opened.usage = locals_.usages.front().minimum;
        }
        open_.push_back(opened);
        return nullptr;
    }

    const char *UnpairedBound() const
    {
        if (locals_.minimum.present) {
            return "usage minimum without maximum";
        }
        if (locals_.maximum.present) {
            return "usage maximum without minimum";
        }
        return nullptr;
    }

    const char *Field(CHidValueCaps::Kind kind, uint32_t flags)
    {
        if (open_.empty()) {
            return "main item outside any collection";
        }
        if (const char *problem = UnpairedBound()) {
            return problem;
        }
        const bool isValue = (flags & kConstantFlag) == 0;
        const uint32_t size = globals_.reportSize;
        const uint32_t count = globals_.reportCount;
        if (isValue && size == 0) {
            return "report size 0 for a value";
        }
        if (isValue && size > kMaxValueBits) {
            return "report size over 32 bits for a value";
        }
        if (isValue && count > 0xFFFF) {
            return "report count over 65535";
        }
        // Once ids are in use, a field without one (back after a Pop) belongs to no report.
        if (usesIds_ && globals_.reportId == 0) {
            return "field without a report id";
        }
        sawField_ = true;
        uint32_t &bits = reportBits_[kind][globals_.reportId];
        present_[kind][globals_.reportId] = true;
        const uint64_t itemBits = uint64_t{size} * count;
        if (itemBits > kMaxReportDataBits - bits) {
            return "report over 65535 bytes";
        }
        const uint32_t offset = bits;
        bits += static_cast<uint32_t>(itemBits);
        if (!isValue || count == 0) {
            return nullptr;
        }

        const Collection &link = open_.back();
        CHidValueCaps value{};
        value.kind = kind;
        value.linkCollection = link.index;
        value.linkUsagePage = link.usagePage;
        value.linkUsage = link.usage;
        value.reportId = globals_.reportId;
        value.bitSize = static_cast<uint16_t>(size);
        const auto name = [&value](const UsageEntry &entry) {
            value.usagePage = entry.page;
            value.usage = entry.minimum;
            value.isRange = entry.isRange;
            value.usageMin = entry.minimum;
            value.usageMax = entry.maximum;
        };
        const auto &usages = locals_.usages;
        if (usages.empty()) {
            value.usagePage = globals_.usagePage;
            value.usage = value.usageMin = value.usageMax = 0;
            value.reportCount = static_cast<uint16_t>(count);
            value.bitOffset = offset;
            values_.push_back(value);
        } else if ((flags & kVariableFlag) == 0) {
            for (const auto &entry : usages) {
                name(entry);
                value.reportCount = static_cast<uint16_t>(count);
                value.bitOffset = offset;
                values_.push_back(value);
            }
        } else {
            uint32_t used = 0;
            for (std::size_t i = 0; i < usages.size() && used < count; ++i) {
                const uint32_t left = count - used;
                const uint32_t fields = i + 1 == usages.size() ? left : std::min(left, usages[i].Span());
                name(usages[i]);
                value.reportCount = static_cast<uint16_t>(fields);
                value.bitOffset = offset + used * size;
                values_.push_back(value);
                used += fields;
            }
        }
        return nullptr;
    }

    const char *Global(const Item &item)
    {
        switch (item.tag) {
        case kUsagePage:
            if (item.data > 0xFFFF) {
                return "usage page over 16 bits";
            }
            globals_.usagePage = static_cast<uint16_t>(item.data);
            break;
        case kLogicalMinimum:
            globals_.logicalMinimum = item.Signed();
            break;
        case kLogicalMaximum:
            globals_.logicalMaximum = item.Signed();
            break;
        case kPhysicalMinimum:
            globals_.physicalMinimum = item.Signed();
            break;
        case kPhysicalMaximum:
            globals_.physicalMaximum = item.Signed();
            break;
        case kUnitExponent:
            globals_.unitExponent = item.Signed();
            break;
        case kUnit:
            globals_.unit = item.data;
            break;
        case kReportSize:
            globals_.reportSize = item.data;
            break;
        case kReportCount:
            globals_.reportCount = item.data;
            break;
        case kReportId:
            if (item.data == 0) {
                return "report id 0";
            }
            if (item.data > 0xFF) {
                return "report id over 255";
            }
            // Fields laid out before the first id would belong to no report a device can send.
            if (!usesIds_ && sawField_) {
                return "report id after fields without one";
            }
            usesIds_ = true;
            globals_.reportId = static_cast<uint8_t>(item.data);
            break;
        case kPush:
            if (stack_.size() >= kMaxPushDepth) {
                return "push deeper than 16";
            }
            stack_.push_back(globals_);
            break;
        case kPop:
            if (stack_.empty()) {
                return "pop without push";
            }
            globals_ = stack_.back();
            stack_.pop_back();
            break;
        default:
            // An unknown global would change the layout in a way we cannot follow.
            return "unknown global item";
        }
        return nullptr;
    }

    // A 4-byte usage carries its page in the high half; a shorter one is on the current page.
    PendingBound Usage(const Item &item) const
    {
        if (item.size == 4) {
            return {true, static_cast<uint16_t>(item.data >> 16), static_cast<uint16_t>(item.data), true};
        }
        return {true, globals_.usagePage, static_cast<uint16_t>(item.data), false};
    }

    const char *Local(const Item &item)
    {
        switch (item.tag) {
        case kUsage:
        case kUsageMinimum:
        case kUsageMaximum:
            break;
        case kDelimiter:
            if (item.data == 1) {
                if (locals_.inDelimiter) {
                    return "nested delimiter set";
                }
                locals_.inDelimiter = true;
                locals_.delimiterHasUsage = false;
            } else if (item.data == 0) {
                if (!locals_.inDelimiter) {
                    return "delimiter close without open";
                }
                locals_.inDelimiter = false;
            } else {
                return "delimiter neither open nor close";
            }
            return nullptr;
        default:
            // Designators and strings name nothing in the report's layout.
            return nullptr;
        }
        // Within a delimited set the first usage is the preferred one; the rest are aliases.
        if (locals_.inDelimiter && locals_.delimiterHasUsage) {
            return nullptr;
        }
        const std::size_t before = locals_.usages.size();
        const char *problem = AddUsage(item);
        if (locals_.inDelimiter && locals_.usages.size() > before) {
            locals_.delimiterHasUsage = true;
        }
        return problem;
    }

    const char *AddUsage(const Item &item)
    {
        const PendingBound usage = Usage(item);
        if (item.tag == kUsage) {
            locals_.usages.push_back({usage.page, usage.usage, usage.usage, false});
            return nullptr;
        }
        PendingBound &bound = item.tag == kUsageMinimum ? locals_.minimum : locals_.maximum;
        if (bound.present) {
            return item.tag == kUsageMinimum ? "usage minimum without maximum" : "usage maximum without minimum";
        }
        bound = usage;
        if (!locals_.minimum.present || !locals_.maximum.present) {
            return nullptr;
        }
        const PendingBound minimum = locals_.minimum, maximum = locals_.maximum;
        locals_.minimum = {};
        locals_.maximum = {};
        // The range is on the minimum's page; a maximum naming another page is no range.
        if (maximum.pageGiven && maximum.page != minimum.page) {
            return "usage range across pages";
        }
        if (minimum.usage > maximum.usage) {
            return "usage minimum above maximum";
        }
        locals_.usages.push_back({minimum.page, minimum.usage, maximum.usage, true});
        return nullptr;
    }

    std::vector<CHidValueCaps> &values_;
    std::array<std::size_t, 3> &reportBytes_;
    Globals globals_;
    std::vector<Globals> stack_;
    Locals locals_;
    std::vector<Collection> open_;
    std::size_t collections_ = 0;
    bool sawField_ = false;
    bool usesIds_ = false;
    std::array<std::array<uint32_t, 256>, 3> reportBits_{};
    std::array<std::array<bool, 256>, 3> present_{};
};

}  // namespace

bool CHidReportDescriptor::Parse(const uint8_t *data, std::size_t length, std::string *why)
{
    values_.clear();
    reportBytes_ = {};
    std::string reason;
    if (data == nullptr && length != 0) {
        reason = "no descriptor";
    } else if (Parser(values_, reportBytes_).Run(data, length, reason)) {
        return true;
    }
    values_.clear();
    reportBytes_ = {};
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

const CHidValueCaps *CHidReportDescriptor::Find(CHidValueCaps::Kind kind, uint16_t usagePage, uint16_t usage,
                                                uint16_t linkUsage) const
{
    for (const auto &value : values_) {
        const bool holds = usage >= value.usageMin && usage <= value.usageMax;
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
