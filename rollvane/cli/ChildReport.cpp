#include "rollvane/cli/ChildReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rollvane {

namespace {

std::string Text(const QJsonValue &value)
{
    return value.toString().toStdString();
}

// The last line the run wrote to standard error: its own words on what went wrong.
std::string LastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    const std::size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

}  // namespace

bool ChildReport::Read(const platform::ChildProgram::Outcome &run, std::string *error)
{
    *this = {};
    if (!run.started) {
        *error = "not started: " + run.error;
        return false;
    }
    if (run.timedOut) {
        *error = "did not end in time and was stopped";
        return false;
    }
    if (run.signal != 0) {
        *error = "ended by signal " + std::to_string(run.signal);
        return false;
    }
    exitCode = run.exitCode;
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(run.out.data(), static_cast<qsizetype>(run.out.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        const std::string said = LastLine(run.err);
        *error = "exit status " + std::to_string(exitCode) + ", no result" + (said.empty() ? "" : ": " + said);
        return false;
    }
    const QJsonObject object = document.object();
    exitCode = object.value("exitCode").toInt(exitCode);
    usageError = Text(object.value("error"));
    for (const QJsonValue &value : object.value("messages").toArray()) {
        const QJsonObject message = value.toObject();
        messages.push_back({Text(message.value("caption")), Text(message.value("text")), Text(message.value("icon")),
                            Text(message.value("cause"))});
    }
    for (const QJsonValue &value : object.value("changes").toArray()) {
        const QJsonObject item = value.toObject();
        SettingsChange change;
        change.number = item.value("number").toInt();
        change.name = Text(item.value("name"));
        if (item.value("before").isString()) {
            change.before = Text(item.value("before"));
        }
        change.after = Text(item.value("after"));
        changes.push_back(std::move(change));
    }
    const QJsonValue statusValue = object.value("status");
    if (statusValue.isObject()) {
        status = static_cast<uint8_t>(statusValue.toObject().value("byte").toInt());
    }
    return true;
}

}  // namespace rollvane
