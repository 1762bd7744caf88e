#include "CommandParser.h"

#include "BmpImage.h"

#include <algorithm>

namespace {

enum class Tail : uint8_t {
    None,
    BitImage,
    GsCut,
    GsQuery,
    SetConfig,
    Message,
    Barcode,
    ImageFile,
    Access,
    Raster,
    Counted
};

struct Entry {
    uint8_t b0;
    uint8_t b1;
    uint8_t args;
    Op op;
    Tail tail;
};

// The command vocabulary: two-byte prefix, fixed argument bytes, and what
// follows when the length is not fixed.
constexpr Entry kVocabulary[] = {
    {0x1B, 0x40, 0, Op::Initialize, Tail::None},
    {0x1B, 0x45, 1, Op::Emphasis, Tail::None},
    {0x1B, 0x47, 1, Op::Emphasis, Tail::None},  // double strike prints as emphasis
    {0x1B, 0x4A, 1, Op::FeedDots, Tail::None},
    {0x1B, 0x64, 1, Op::FeedLines, Tail::None},
    {0x1B, 0x68, 0, Op::Status, Tail::None},
    {0x1B, 0x76, 0, Op::PaperSensor, Tail::None},
    {0x1B, 0x69, 0, Op::Cut, Tail::None},
    {0x1B, 0x6D, 0, Op::Cut, Tail::None},
    {0x1B, 0x2A, 3, Op::BitImageLine, Tail::BitImage},
    {0x1B, 0x21, 1, Op::PrintMode, Tail::None},
    {0x1B, 0x61, 1, Op::Justify, Tail::None},
    {0x1B, 0x2D, 1, Op::Underline, Tail::None},
    {0x1B, 0x32, 0, Op::DefaultSpacing, Tail::None},
    {0x1B, 0x33, 1, Op::LineSpacing, Tail::None},
    {0x1B, 0x24, 2, Op::AbsolutePosition, Tail::None},
    {0x1B, 0x4D, 1, Op::Ignored, Tail::None},  // font select
    {0x1B, 0x74, 1, Op::CodePage, Tail::None},
    {0x1B, 0x52, 1, Op::Ignored, Tail::None},  // international set
    {0x1B, 0x20, 1, Op::Ignored, Tail::None},  // right spacing
    {0x1B, 0x70, 3, Op::Ignored, Tail::None},  // drawer pulse
    {0x1B, 0x7B, 1, Op::Ignored, Tail::None},  // upside down
    {0x1B, 0x63, 2, Op::Ignored, Tail::None},  // paper sensor set-up
    {0x1B, 0x56, 1, Op::Ignored, Tail::None},  // rotation
    {0x1B, 0x55, 1, Op::Ignored, Tail::None},  // unidirectional
    {0x1D, 0xFF, 0, Op::EndOfSettings, Tail::None},
    {0x1D, 0x2F, 1, Op::PrintStoredImage, Tail::None},
    {0x1D, 0x56, 1, Op::Cut, Tail::GsCut},
    {0x1D, 0x21, 1, Op::CharacterSize, Tail::None},
    {0x1D, 0x42, 1, Op::Reverse, Tail::None},
    {0x1D, 0x49, 1, Op::Ignored, Tail::GsQuery},
    {0x1D, 0x48, 1, Op::Ignored, Tail::None},  // barcode text position
    {0x1D, 0x68, 1, Op::Ignored, Tail::None},  // barcode height
    {0x1D, 0x77, 1, Op::Ignored, Tail::None},  // barcode width
    {0x1D, 0x66, 1, Op::Ignored, Tail::None},  // barcode text font
    {0x1D, 0x4C, 2, Op::Ignored, Tail::None},  // left margin
    {0x1D, 0x57, 2, Op::Ignored, Tail::None},  // print area width
    {0x1D, 0x61, 1, Op::Ignored, Tail::None},  // automatic status back
    {0x1D, 0x6B, 1, Op::Ignored, Tail::Barcode},
    {0x1D, 0x76, 6, Op::RasterImage, Tail::Raster},
    {0x1D, 0x28, 3, Op::Ignored, Tail::Counted},  // function blocks (2D codes, graphics): letter, length
    {0x1B, 0x28, 3, Op::Ignored, Tail::Counted},
    {0x1F, 0x30, 1, Op::SelectImage, Tail::None},
    {0x1F, 0x42, 0, Op::ImageData, Tail::ImageFile},  // 'B' of "BM" after the 1F introducer
    {0x1F, 0x31, 1, Op::ReadConfig, Tail::None},
    {0x1F, 0x36, 3, Op::SetConfig, Tail::SetConfig},
    {0x1F, 0x74, 0, Op::ConfigPrintout, Tail::None},
    {0x1F, 0x65, 2, Op::DefineMessage, Tail::Message},
    {0x1F, 0x61, 1, Op::SelectSide, Tail::None},
    {0x1F, 0x7A, 2, Op::Ignored, Tail::Access},
    {0x1F, 0x60, 1, Op::Ignored, Tail::None},  // dual-side set-up
    {0x1F, 0x63, 1, Op::Ignored, Tail::None},
    {0x1F, 0x64, 1, Op::Ignored, Tail::None},
    {0x1F, 0x66, 1, Op::Ignored, Tail::None},
    {0x1F, 0x69, 2, Op::Ignored, Tail::None},
};

const Entry *Lookup(uint8_t b0, uint8_t b1)
{
    for (const Entry &e : kVocabulary)
        if (e.b0 == b0 && e.b1 == b1)
            return &e;
    return nullptr;
}

Tail TailOf(const uint8_t prefix[2])
{
    const Entry *e = Lookup(prefix[0], prefix[1]);
    return e ? e->tail : Tail::None;
}

}  // namespace

size_t CommandParser::Feed(const uint8_t *data, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        i += TakeRun(data + i, length - i);
        if (i == length)
            break;
        sink_.OnByte(data[i]);
        if (!Step(data[i]))
            return i + 1;
    }
    return length;
}

// Inside a payload, all but its last byte go at once: a picture's megabytes
// are copied, not stepped through a byte at a time.
size_t CommandParser::TakeRun(const uint8_t *data, size_t length)
{
    size_t n = 0;
    if (state_ == State::Payload && data_.size() + 1 < payloadNeeded_) {
        n = std::min(length, payloadNeeded_ - data_.size() - 1);
        data_.insert(data_.end(), data, data + n);
    } else if (state_ == State::Skip && payloadNeeded_ > 1) {
        n = std::min(length, payloadNeeded_ - 1);
        payloadNeeded_ -= n;
    }
    if (n > 0)
        sink_.OnBytes(data, n);
    return n;
}

void CommandParser::Reset()
{
    state_ = State::Idle;
    argCount_ = 0;
    data_.clear();
    data_.shrink_to_fit();
}

bool CommandParser::Emit(Op op)
{
    Command c;
    c.op = op;
    for (int i = 0; i < 6; ++i)
        c.args[i] = args_[i];
    c.data = data_;
    state_ = State::Idle;
    const bool go = sink_.OnCommand(c);
    data_.clear();
    if (data_.capacity() > 65536)
        data_.shrink_to_fit();
    return go;
}

bool CommandParser::Unknown()
{
    Command c;
    c.op = Op::Unknown;
    c.data = data_;
    state_ = State::Idle;
    const bool go = sink_.OnCommand(c);
    data_.clear();
    return go;
}

bool CommandParser::Step(uint8_t b)
{
    switch (state_) {
    case State::Idle:
        for (uint8_t &a : args_)
            a = 0;
        switch (b) {
        case 0x0A:
            return Emit(Op::LineFeed);
        case 0x0D:
            return Emit(Op::CarriageReturn);
        case 0x09:
            return Emit(Op::Tab);
        case 0x00:
        case 0x10:  // prefix byte the tool sends after initialising
        case 0x0C:
            return Emit(Op::Ignored);
        case 0x1B:
        case 0x1D:
        case 0x1F:
            prefix_[0] = b;
            state_ = State::Prefix;
            return true;
        default:
            if (b >= 0x20 && b != 0x7F) {
                args_[0] = b;
                return Emit(Op::Text);
            }
            data_.assign(1, b);
            return Unknown();
        }
    case State::Prefix: {
        prefix_[1] = b;
        const Entry *e = Lookup(prefix_[0], b);
        if (!e) {
            // Not a command: report the prefix and read this byte afresh.
            data_.assign(1, prefix_[0]);
            if (!Unknown())
                return false;
            return Step(b);
        }
        pending_ = e->op;
        argCount_ = 0;
        argsNeeded_ = e->args;
        if (e->tail == Tail::ImageFile) {
            data_.assign(1, b);
            state_ = State::ImageFile;
            return true;
        }
        if (argsNeeded_ == 0)
            return ArgsComplete();
        state_ = State::Args;
        return true;
    }
    case State::Args:
        args_[argCount_++] = b;
        if (argCount_ < argsNeeded_)
            return true;
        return ArgsComplete();
    case State::Payload:
        data_.push_back(b);
        if (data_.size() < payloadNeeded_)
            return true;
        return Emit(pending_);
    case State::Terminated:
        if (b == 0x00) {
            if (pending_ == Op::DefineMessage && terminatedSeen_ > kMaxMessageText)
                sink_.OnRefused(Refusal::MessageTooLong, terminatedSeen_);
            return Emit(pending_);
        }
        if (++terminatedSeen_ > kMaxUnterminated) {
            // No terminator in sight: give the bytes up rather than swallow the stream.
            sink_.OnRefused(Refusal::NoTerminator, kMaxUnterminated);
            data_.clear();
            return Unknown();
        }
        if (data_.size() < (pending_ == Op::DefineMessage ? kMaxMessageText : 255))
            data_.push_back(b);
        return true;
    case State::Skip:
        if (--payloadNeeded_ > 0)
            return true;
        return Unknown();
    case State::ImageFile: {
        data_.push_back(b);
        if (data_.size() < 6)
            return true;
        const uint32_t declared = BmpImage::DeclaredLength(data_);
        if (declared < 62)
            return Unknown();
        if (declared > kMaxImageFile) {
            // Too big to keep: let the announced bytes pass without storing them.
            sink_.OnRefused(Refusal::ImageTooLarge, declared);
            payloadNeeded_ = declared - data_.size();
            data_.clear();
            state_ = State::Skip;
            return true;
        }
        if (data_.size() < declared)
            return true;
        return Emit(Op::ImageData);
    }
    }
    return true;
}

bool CommandParser::ArgsComplete()
{
    switch (TailOf(prefix_)) {
    case Tail::None:
        return Emit(pending_);
    case Tail::BitImage: {
        const size_t columns = args_[1] + 256u * args_[2];
        const size_t perColumn = (args_[0] & 0x20) ? 3 : 1;
        payloadNeeded_ = columns * perColumn;
        data_.clear();
        if (payloadNeeded_ == 0)
            return Emit(pending_);
        data_.reserve(payloadNeeded_);
        state_ = State::Payload;
        return true;
    }
    case Tail::GsCut:
        if ((args_[0] == 0x41 || args_[0] == 0x42) && argsNeeded_ == 1) {
            argsNeeded_ = 2;
            state_ = State::Args;
            return true;
        }
        return Emit(Op::Cut);
    case Tail::GsQuery:
        if (args_[0] == 0x40 && argsNeeded_ == 1) {
            argsNeeded_ = 2;
            state_ = State::Args;
            return true;
        }
        if (args_[0] == 0x40 && args_[1] == 0x27)
            return Emit(Op::ModelQuery);
        if (args_[0] == 0x40 && args_[1] == 0xA3)
            return Emit(Op::FirmwareQuery);
        return Emit(Op::Ignored);
    case Tail::SetConfig:
        if (args_[2] != 0xFF) {
            data_.assign({prefix_[0], prefix_[1], args_[0], args_[1], args_[2]});
            return Unknown();
        }
        return Emit(Op::SetConfig);
    case Tail::Message:
    case Tail::Barcode:
        if (pending_ == Op::Ignored && args_[0] >= 0x41) {
            // Counted barcode: one length byte, then that many data bytes.
            if (argsNeeded_ == 1) {
                argsNeeded_ = 2;
                state_ = State::Args;
                return true;
            }
            payloadNeeded_ = args_[1];
            data_.clear();
            if (payloadNeeded_ == 0)
                return Emit(Op::Ignored);
            state_ = State::Payload;
            return true;
        }
        data_.clear();
        terminatedSeen_ = 0;
        state_ = State::Terminated;
        return true;
    case Tail::Access:
        if (args_[0] != 0x74) {
            data_.assign({prefix_[0], prefix_[1], args_[0], args_[1]});
            return Unknown();
        }
        return Emit(Op::Ignored);
    case Tail::Raster: {
        if (args_[0] != 0x30 && args_[0] != 0x00) {
            data_.assign({prefix_[0], prefix_[1], args_[0], args_[1], args_[2], args_[3], args_[4], args_[5]});
            return Unknown();
        }
        payloadNeeded_ = (args_[2] + 256u * args_[3]) * static_cast<size_t>(args_[4] + 256u * args_[5]);
        data_.clear();
        if (payloadNeeded_ == 0)
            return Emit(pending_);
        // A picture too big to keep passes without being stored.
        if (payloadNeeded_ > kMaxRaster)
            sink_.OnRefused(Refusal::RasterTooLarge, payloadNeeded_);
        state_ = payloadNeeded_ > kMaxRaster ? State::Skip : State::Payload;
        // Room grows with what arrives: an announcement alone takes no memory.
        if (state_ == State::Payload)
            data_.reserve(std::min<size_t>(payloadNeeded_, 1u << 20));
        return true;
    }
    case Tail::Counted:
        payloadNeeded_ = args_[1] + 256u * args_[2];
        data_.clear();
        if (payloadNeeded_ == 0)
            return Emit(pending_);
        state_ = State::Payload;
        return true;
    case Tail::ImageFile:
        break;
    }
    return Emit(pending_);
}
