#include "rollvane/cli/FleetTargets.h"

#include "platform/InputFile.h"
#include "rollvane/cli/AddressRange.h"
#include "rollvane/cli/HostAddress.h"
#include "rollvane/link/NumberText.h"

#include <array>
#include <set>

namespace rollvane {

namespace {

std::string Trimmed(const std::string &text)
{
    const char *blanks = " \t\r\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The letters a host name is made of (RFC 1123, with the underscore some networks use).
bool HostNameText(const std::string &text)
{
    return text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_") ==
           std::string::npos;
}

}  // namespace

bool FleetTargets::FromOptions(const CommandOptions &options, std::vector<Target> *targets, bool *badFile,
                               std::string *error)
{
    *badFile = false;
    const std::array<const char *, 3> names = {"--targets", "--range", "--subnet"};
    const std::string *given = nullptr;
    const char *option = nullptr;
    for (const char *name : names) {
        if (const std::string *value = options.value(name)) {
            if (given) {
                *error =
                    std::string("give only one of --targets, --range and --subnet, not ") + option + " and " + name;
                return false;
            }
            given = value;
            option = name;
        }
    }
    if (!given) {
        *error = "the printers are missing: give --targets FILE, --range A.B.C.D-E.F.G.H or --subnet CIDR";
        return false;
    }
    targets->clear();
    if (option == names[0]) {
        std::string content;
        int readError = 0;
        *badFile = true;
        if (!platform::InputFile::Read(*given, kMaxFileBytes, &content, &readError)) {
            *error = "cannot read " + *given + ": " + platform::InputFile::FailureText(readError, kMaxFileBytes);
            return false;
        }
        return Parse(content, *given, targets, error);
    }
    std::vector<uint32_t> addresses;
    const bool read = option == names[1] ? AddressRange::FromRange(*given, &addresses, error)
                                         : AddressRange::FromSubnet(*given, &addresses, error);
    if (!read) {
        *error = std::string(option) + " " + *error;
        return false;
    }
    for (uint32_t address : addresses) {
        targets->push_back({address, {}});
    }
    return true;
}

bool FleetTargets::Parse(const std::string &text, const std::string &fileName, std::vector<Target> *targets,
                         std::string *error)
{
    targets->clear();
    std::set<uint32_t> seen;
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const std::string where = fileName + ":" + std::to_string(number) + ": ";
        Target target;
        if (line.find_first_not_of("0123456789.") == std::string::npos) {
            if (!NumberText::DottedQuadValue(line, &target.address)) {
                *error = where + line + " is not an IPv4 address (four numbers from 0 to 255 joined by points)";
                return false;
            }
        } else if (!HostNameText(line)) {
            *error = where + "\"" + line + "\" is neither an IPv4 address nor a host name (one printer a line)";
            return false;
        } else {
            std::string why;
            if (!HostAddress::Resolve(line, &target.address, &why)) {
                *error = where + line + ": " + why;
                return false;
            }
            target.name = line;
        }
        if (seen.insert(target.address).second) {
            targets->push_back(std::move(target));
        }
    }
    if (targets->empty()) {
        *error = fileName + " names no printer";
        return false;
    }
    return true;
}

}  // namespace rollvane
