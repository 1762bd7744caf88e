#include "rollvane/cli/ResultJson.h"

#include "rollvane/cli/JsonWriter.h"
#include "rollvane/link/StatusMeaning.h"

namespace rollvane {

void ResultJson::StatusFields(JsonWriter &json, uint8_t status)
{
    json.Key("byte");
    json.Number(status);
    json.Key("hex");
    json.String(StatusMeaning::Hex(status));
    json.Key("meaning");
    json.String(StatusMeaning::Text(status));
}

void ResultJson::Message(JsonWriter &json, const std::string &caption, const std::string &text, const std::string &icon,
                         const std::string &cause)
{
    json.BeginObject();
    json.Key("caption");
    json.String(caption);
    json.Key("text");
    json.String(text);
    json.Key("icon");
    json.String(icon);
    json.Key("cause");
    cause.empty() ? json.Null() : json.String(cause);
    json.EndObject();
}

}  // namespace rollvane
