#include "rollvane/cli/JsonWriter.h"

#include <gtest/gtest.h>

using rollvane::JsonWriter;

// Strings as RFC 8259 wants them: the two characters that must be escaped, control characters
// as \u00XX, valid UTF-8 kept, any other byte as U+FFFD.
TEST(JsonWriterTest, QuotedStrings)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {std::string("\x00\x01\n\t\x1F\x7F", 6), "\"\\u0000\\u0001\\u000A\\u0009\\u001F\x7F\""},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x96\xA8", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x96\xA8\""},
        {"\xFF", "\"\\uFFFD\""},
        {"\xC3", "\"\\uFFFD\""},                                   // cut short
        {"\xC0\xAF", "\"\\uFFFD\\uFFFD\""},                        // overlong
        {"\xED\xA0\x80", "\"\\uFFFD\\uFFFD\\uFFFD\""},             // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", "\"\\uFFFD\\uFFFD\\uFFFD\\uFFFD\""},  // above U+10FFFF
    };
    for (const auto &c : cases) {
        EXPECT_EQ(JsonWriter::Quoted(c.in), c.out) << c.in;
    }
}

TEST(JsonWriterTest, NestedValuesGetTheirCommas)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.BeginArray();
    json.Number(-1);
    json.Bool(true);
    json.Null();
    json.BeginObject();
    json.EndObject();
    json.EndArray();
    json.Key("b");
    json.String("x");
    json.EndObject();
    EXPECT_EQ(json.text(), "{\"a\":[-1,true,null,{}],\"b\":\"x\"}");
}
