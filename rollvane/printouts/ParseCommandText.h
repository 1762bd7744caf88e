#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace rollvane {

// How a demo file's translation ended. On a syntax error, offset is the first byte of the
// offending token and reason a short fixed text, for reporting line and column.
struct CommandTextResult {
    bool ok = true;
    std::size_t offset = 0;
    std::string_view reason;
};

// Translates a demo file's command text (byte values, the name ESC, literal and quoted text,
// comments) into printer bytes. The output is replaced; on a syntax error it is left empty,
// as the printer gets nothing from such a file. The input is only read: a NUL in it separates
// tokens as a tab does, and the end of the input ends a token, a comment or an open quote. The output is never longer
// than the input; reusing one output vector spares its allocation.
CommandTextResult ParseCommandText(std::string_view text, std::vector<uint8_t> &output);

}  // namespace rollvane
