#include "rollvane/cli/SettingsChangeJson.h"

#include "rollvane/cli/JsonWriter.h"

namespace rollvane {

void SettingsChangeJson::Write(const std::vector<SettingsChange> &changes, JsonWriter &json)
{
    json.BeginArray();
    for (const auto &change : changes) {
        json.BeginObject();
        json.Key("number");
        json.Number(change.number);
        json.Key("name");
        json.String(change.name);
        json.Key("before");
        change.before ? json.String(*change.before) : json.Null();
        json.Key("after");
        json.String(change.after);
        json.EndObject();
    }
    json.EndArray();
}

}  // namespace rollvane
