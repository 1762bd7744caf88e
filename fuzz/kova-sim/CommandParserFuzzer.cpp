// The command parser alone on arbitrary bytes, fed in pieces whose sizes come from the input:
// every byte is consumed, every command's data stays within the parser's bounds, and the same
// bytes in one piece give the same commands. Fast, so it reaches millions of inputs; the
// engine fuzzer drives the whole printer engine behind it.
#include "CommandParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class Recorder final : public CommandSink {
public:
    void OnByte(uint8_t b) override { seen.push_back(b); }
    bool OnCommand(const Command &command) override
    {
        if (command.data.size() > CommandParser::kMaxRaster + CommandParser::kMaxImageFile) {
            std::abort();
        }
        seen.push_back(0x100 + static_cast<int>(command.op));
        seen.push_back(static_cast<int>(command.data.size()));
        return true;
    }
    std::vector<int> seen;
};

std::vector<int> Parse(const uint8_t *data, size_t size, bool inPieces)
{
    Recorder recorder;
    CommandParser parser(recorder);
    size_t at = 0;
    while (at < size) {
        const size_t piece = inPieces ? 1 + data[at] % 64 : size;
        const size_t end = piece < size - at ? at + piece : size;
        if (parser.Feed(data + at, end - at) != end - at) {
            std::abort();  // nothing here stops a feed
        }
        at = end;
    }
    return recorder.seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (Parse(data, size, true) != Parse(data, size, false)) {
        std::abort();
    }
    return 0;
}
