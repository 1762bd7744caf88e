#include "rollvane/cli/FleetResult.h"

#include "platform/SystemError.h"
#include "rollvane/cli/JsonWriter.h"
#include "rollvane/cli/ResultJson.h"
#include "rollvane/cli/SettingsChangeJson.h"
#include "rollvane/link/NumberText.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterErrorReport.h"
#include "rollvane/link/StatusMeaning.h"

#include <array>
#include <cerrno>
#include <cstdio>

namespace rollvane {

namespace {

struct KindRow {
    FleetResult::Kind kind;
    const char *word;
    bool success;
};
constexpr std::array<KindRow, 9> kKinds{{
    {FleetResult::Kind::Changed, "changed", true},
    {FleetResult::Kind::Unchanged, "unchanged", true},
    {FleetResult::Kind::Differs, "differs", true},
    {FleetResult::Kind::Loaded, "loaded", true},
    {FleetResult::Kind::Ready, "ready", true},
    {FleetResult::Kind::Busy, "busy", false},
    {FleetResult::Kind::Timeout, "timeout", false},
    {FleetResult::Kind::Refused, "refused", false},
    {FleetResult::Kind::Failed, "failed", false},
}};

const KindRow &RowOf(FleetResult::Kind kind)
{
    for (const auto &row : kKinds) {
        if (row.kind == kind) {
            return row;
        }
    }
    return kKinds.back();
}

std::string OneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

}  // namespace

const char *FleetResult::Word(Kind kind)
{
    return RowOf(kind).word;
}

void FleetResult::Take(const ChildReport &report, Kind success)
{
    exitCode = report.exitCode;
    messages.insert(messages.end(), report.messages.begin(), report.messages.end());
    if (report.status) {
        status = report.status;
    }
    if (report.exitCode == 0) {
        kind = success;
        detail.clear();
        return;
    }
    kind = Kind::Failed;
    detail = report.usageError.empty() ? "exit status " + std::to_string(report.exitCode) : report.usageError;
    const std::string busyCaption = PrinterErrorReport::MessageFor(ErrBusy)->caption;
    const std::string refused = platform::SystemError::Text(ECONNREFUSED);
    for (const auto &message : report.messages) {
        if (message.icon != "warning" && message.icon != "stop") {
            continue;
        }
        detail = OneLine(message.cause.empty() ? message.caption + ": " + message.text : message.cause);
        if (message.caption == busyCaption) {
            kind = Kind::Busy;
        } else if (message.text == PrinterAction::kTimeout) {
            kind = message.cause.find(refused) != std::string::npos ? Kind::Refused : Kind::Timeout;
        }
        break;
    }
    if (kind == Kind::Busy && status) {
        detail = StatusMeaning::Line(*status);
    }
}

void FleetResult::TakeUnread(const std::string &why, int code)
{
    kind = Kind::Failed;
    exitCode = code;
    detail = why;
}

bool FleetResult::succeeded() const
{
    return RowOf(kind).success;
}

std::string FleetResult::Line() const
{
    std::string said;
    if (!succeeded()) {
        said = detail;
    } else if (kind == Kind::Ready && status) {
        said = StatusMeaning::Line(*status);
    } else if (kind == Kind::Loaded) {
        said = file;
    } else {
        for (const auto &change : changes) {
            said += (said.empty() ? "" : ", ") + change.name;
        }
    }
    char head[64];
    std::snprintf(head, sizeof head, "%-15s  %-9s", NumberText::DottedText(target.address).c_str(), Word(kind));
    std::string line = head;
    if (said.empty()) {
        while (line.back() == ' ') {
            line.pop_back();
        }
        return line;
    }
    return line + "  " + said;
}

void FleetResult::WriteJson(JsonWriter &json) const
{
    json.BeginObject();
    json.Key("address");
    json.String(NumberText::DottedText(target.address));
    json.Key("name");
    target.name.empty() ? json.Null() : json.String(target.name);
    json.Key("result");
    json.String(Word(kind));
    json.Key("changes");
    SettingsChangeJson::Write(changes, json);
    if (status) {
        json.Key("status");
        json.BeginObject();
        ResultJson::StatusFields(json, *status);
        json.EndObject();
    }
    if (!file.empty()) {
        json.Key("file");
        json.String(file);
    }
    json.Key("detail");
    succeeded() ? json.Null() : json.String(detail);
    json.Key("messages");
    json.BeginArray();
    for (const auto &message : messages) {
        ResultJson::Message(json, message.caption, message.text, message.icon, message.cause);
    }
    json.EndArray();
    json.Key("exitCode");
    json.Number(exitCode);
    json.EndObject();
}

}  // namespace rollvane
