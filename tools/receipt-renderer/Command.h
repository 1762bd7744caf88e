#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Everything the printer understands, as the parser reports it.
enum class Op : uint8_t {
    Text,  // args[0]: a printable byte
    LineFeed,
    CarriageReturn,
    Tab,
    Ignored,  // NUL, the DLE prefix byte and commands accepted without effect
    Initialize,
    Emphasis,   // args[0]
    FeedDots,   // args[0]
    FeedLines,  // args[0]
    Status,
    PaperSensor,
    Cut,
    BitImageLine,   // args: m, nL, nH; data: the column bytes
    PrintMode,      // args[0]: ESC ! bits
    CharacterSize,  // args[0]: GS ! width and height
    Justify,        // args[0]
    Underline,      // args[0]
    Reverse,        // args[0]
    LineSpacing,    // args[0]
    DefaultSpacing,
    AbsolutePosition,  // args[0], args[1]
    EndOfSettings,
    PrintStoredImage,  // args[0]: mode
    ModelQuery,
    FirmwareQuery,
    SelectImage,  // args[0]: image id
    ImageData,    // data: the BMP file
    ReadConfig,   // args[0]: n
    SetConfig,    // args[0]: item, args[1]: value
    ConfigPrintout,
    DefineMessage,  // args[0]: slot, args[1]: attribute; data: text
    SelectSide,     // args[0]
    CodePage,       // args[0]: ESC t table number
    RasterImage,    // args: '0', m, xL, xH, yL, yH; data: rows of xL + 256 xH bytes
    Unknown,        // data: bytes that form no command
};

struct Command {
    Op op = Op::Unknown;
    uint8_t args[6] = {0, 0, 0, 0, 0, 0};
    std::span<const uint8_t> data;
};

// What the parser refuses or cuts short, so that what it holds stays bounded.
enum class Refusal : uint8_t {
    ImageTooLarge,   // a bit-image file announced larger than kept: its bytes are passed over
    RasterTooLarge,  // a raster picture larger than drawn: its bytes are passed over
    MessageTooLong,  // message text beyond its limit: cut there
    NoTerminator,    // no closing 00 in sight: the message or barcode is given up
};

// Receives the parser's output. OnByte sees every byte as it is consumed,
// before the command it completes is reported.
class CommandSink {
public:
    virtual ~CommandSink() = default;
    virtual void OnByte(uint8_t) {}
    // A run of bytes inside a command's payload, none of them completing it.
    virtual void OnBytes(const uint8_t *data, size_t length)
    {
        for (size_t i = 0; i < length; ++i)
            OnByte(data[i]);
    }
    // false stops the current feed after this command: the printer is going
    // away, or it did a large piece of work and other links get their turn.
    virtual bool OnCommand(const Command &command) = 0;
    // length: what was announced or seen.
    virtual void OnRefused(Refusal, size_t /*length*/) {}
};
