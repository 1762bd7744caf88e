// Any bytes as a demo file: nothing may crash or touch memory outside the input and output,
// the output is never longer than the input, a second run into the used output vector gives
// the same result, and the result is the one of the language's two passes, written plainly
// below: the first zeroes separators and comments in a copy that ends in a zero byte, the
// second reads tokens up to those zeros.
#include "rollvane/printouts/ParseCommandText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

bool IsLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

int DigitValue(uint8_t c)
{
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The bytes, or the offset of the token that is a syntax error.
struct TwoPassResult {
    std::vector<uint8_t> bytes;
    bool ok = true;
    std::size_t offset = 0;
};

TwoPassResult TwoPasses(const uint8_t *data, std::size_t size)
{
    std::vector<uint8_t> text(data, data + size);
    text.push_back(0);
    bool quoted = false;
    for (std::size_t i = 0; i < size; ++i) {
        const uint8_t c = text[i];
        if (c == '\t' || c == '\r' || c == '\n' || (c == ' ' && !quoted)) {
            text[i] = 0;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';') {
            while (i < size && text[i] != '\r') {
                text[i++] = 0;
            }
            if (i < size) {
                text[i] = 0;
                if (i + 1 < size && text[i + 1] == '\n') {
                    text[++i] = 0;
                }
            }
        }
    }
    TwoPassResult result;
    quoted = false;
    for (std::size_t i = 0; i < size;) {
        const uint8_t c = text[i];
        if (c == 0) {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            ++i;
        } else if (quoted || (!IsLetter(c) && !IsDigit(c))) {
            result.bytes.push_back(c);
            ++i;
        } else {
            const std::size_t start = i;
            while (text[i] != 0) {
                ++i;
            }
            const std::string_view token(reinterpret_cast<const char *>(&text[start]), i - start);
            if (IsLetter(c)) {
                if (token.size() >= 4) {
                    return {{}, false, start};
                }
                if (token == "ESC") {
                    result.bytes.push_back(0x1B);
                } else if (token.size() == 1) {
                    result.bytes.push_back(c);
                }
                continue;
            }
            std::string_view digits = token;
            int base = 10;
            if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
                digits.remove_prefix(2);
                base = 16;
            }
            unsigned value = 0;
            for (const char digit : digits) {
                const int d = DigitValue(static_cast<uint8_t>(digit));
                if (d < 0) {
                    return {{}, false, start};
                }
                value = (value * static_cast<unsigned>(base) + static_cast<unsigned>(d)) % 65536;
            }
            if (value > 255) {
                return {{}, false, start};
            }
            result.bytes.push_back(static_cast<uint8_t>(value));
        }
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<uint8_t> output;
    const rollvane::CommandTextResult result = rollvane::ParseCommandText(text, output);
    if (output.size() > size || (!result.ok && (!output.empty() || result.reason.empty() || result.offset >= size))) {
        std::abort();
    }
    const TwoPassResult expected = TwoPasses(data, size);
    if (result.ok != expected.ok || output != expected.bytes || (!result.ok && result.offset != expected.offset)) {
        std::abort();
    }
    // Again into the used vector, first made longer with other bytes.
    std::vector<uint8_t> again(output);
    again.resize(size + 7, 0xA5);
    const rollvane::CommandTextResult second = rollvane::ParseCommandText(text, again);
    if (second.ok != result.ok || second.offset != result.offset || again != output) {
        std::abort();
    }
    return 0;
}
