#include "Printer.h"

#include "BmpImage.h"
#include "CommandParser.h"
#include "Faults.h"
#include "StateFile.h"

#include <algorithm>
#include <cstdio>
#include <memory>

Printer::Printer(PrinterState &state, const Faults &faults, std::string outDir, std::string statePath, Say say,
                 size_t keepReceipts)
    : state_(state), faults_(faults), statePath_(std::move(statePath)), say_(std::move(say))
{
    if (!outDir.empty())
        writer_ = std::make_unique<ReceiptWriter>(std::move(outDir), keepReceipts, say_);
    NewReceipt();
}

void Printer::NewReceipt()
{
    receipt_ =
        std::make_unique<Receipt>(state_.config.printWidth(), state_.config.lineSpacing(), state_.config.codePage());
    recorded_.clear();
    recordTruncated_ = false;
    refusals_.clear();
    contentStarted_ = false;
}

void Printer::Flush()
{
    if (writer_)
        writer_->Flush();
}

void Printer::PrintMessages(int firstSlot)
{
    Receipt &r = *receipt_;
    r.FinishLine();
    const Receipt::TextStyle saved = r.style();
    for (int slot = firstSlot; slot < firstSlot + 2; ++slot) {
        const PrinterState::Message &m = state_.message(slot);
        if (m.text.empty())
            continue;
        Receipt::TextStyle &st = r.style();
        st = Receipt::TextStyle{};
        st.underline = (m.attribute & 0x03) == 3 ? 0 : m.attribute & 0x03;
        st.heightMul = (m.attribute & 0x04) ? 2 : 1;
        st.widthMul = (m.attribute & 0x08) ? 2 : 1;
        st.emphasis = m.attribute & 0x10;
        st.reverse = m.attribute & 0x40;
        for (uint8_t c : m.text)
            r.Text(c);
        r.LineFeed();
    }
    r.style() = saved;
}

// The stored top message leads every receipt while it is enabled.
void Printer::BeforeContent()
{
    if (contentStarted_)
        return;
    contentStarted_ = true;
    if (state_.config.topBottomMessages() & 0x02)
        PrintMessages(2);
}

void Printer::OnByte(uint8_t b)
{
    if (recorded_.size() < kMaxRecorded) {
        recorded_.push_back(b);
        return;
    }
    if (!recordTruncated_)
        say_("kova-sim: more than " + std::to_string(kMaxRecorded) +
             " bytes for one receipt: the rest is not kept for its .bin");
    recordTruncated_ = true;
}

void Printer::OnBytes(const uint8_t *data, size_t length)
{
    const size_t kept = std::min(length, kMaxRecorded - std::min(kMaxRecorded, recorded_.size()));
    recorded_.insert(recorded_.end(), data, data + kept);
    if (kept < length)
        OnByte(data[kept]);  // says once that the record is cut
}

// Said at once, and again in the line of the receipt it was sent for.
void Printer::Refused(const std::string &what)
{
    say_("kova-sim: " + what);
    refusals_ += refusals_.empty() ? " (refused: " : "; ";
    refusals_ += what.substr(0, what.find(':'));
}

void Printer::OnRefused(Refusal refusal, size_t length)
{
    const std::string n = std::to_string(length);
    switch (refusal) {
    case Refusal::ImageTooLarge:
        Refused("bit image of " + n + " bytes refused: more than the " + std::to_string(PrinterState::kMaxImageFile) +
                " bytes kept for one");
        break;
    case Refusal::RasterTooLarge:
        Refused("raster picture of " + n + " bytes passed over: more than the " +
                std::to_string(CommandParser::kMaxRaster) + " bytes one command may hold");
        break;
    case Refusal::MessageTooLong:
        Refused("message text of " + n + " bytes cut to " + std::to_string(PrinterState::kMaxMessageText));
        break;
    case Refusal::NoTerminator:
        Refused("no closing 00 within " + n + " bytes: the message or barcode is given up");
        break;
    }
}

uint8_t Printer::statusByte() const
{
    return faults_.status;
}

void Printer::Reply(std::initializer_list<uint8_t> bytes)
{
    Reply(bytes.begin(), bytes.size());
}

void Printer::Reply(const uint8_t *data, size_t length)
{
    if (faults_.silent)
        return;
    replies_.insert(replies_.end(), data, data + length);
}

std::vector<uint8_t> Printer::TakeReplies()
{
    std::vector<uint8_t> out;
    out.swap(replies_);
    return out;
}

bool Printer::SaveState()
{
    stateChanged_ = false;
    if (statePath_.empty())
        return true;
    std::string error;
    if (StateFile::Save(statePath_, state_, error))
        return true;
    say_("kova-sim: cannot save the state file: " + error);
    return false;
}

void Printer::PowerCycle()
{
    if (state_.CommitPending() || stateChanged_)
        SaveState();
    restartRequested_ = false;
    NewReceipt();
}

void Printer::LinkClosed()
{
    if (!receipt_->touched())
        recorded_.clear();
}

bool Printer::OnCommand(const Command &c)
{
    Receipt &r = *receipt_;
    switch (c.op) {
    case Op::Text:
        BeforeContent();
        r.Text(c.args[0]);
        break;
    case Op::LineFeed:
        r.LineFeed();
        break;
    case Op::CarriageReturn:
        if (state_.config.byte(4) & 0x08)  // "Use as Print cmd."
            r.LineFeed();
        break;
    case Op::Tab:
        r.Tab();
        break;
    case Op::Ignored:
        break;
    case Op::Initialize:
        r.Initialize();
        // A fresh start on blank paper begins the record of the next receipt.
        if (!r.touched()) {
            recorded_.assign({0x1B, 0x40});
            recordTruncated_ = false;
        }
        break;
    case Op::Emphasis:
        r.style().emphasis = c.args[0] & 1;
        break;
    case Op::FeedDots:
        r.FeedDots(c.args[0]);
        break;
    case Op::FeedLines:
        r.FeedLines(c.args[0]);
        break;
    case Op::Status:
        Reply({statusByte()});
        break;
    case Op::PaperSensor:
        Reply({faults_.paper});
        break;
    case Op::Cut:
        Cut();
        return false;
    case Op::BitImageLine:
        BeforeContent();
        r.BitImageColumns(c.args[0], c.data, c.args[1] + 256 * c.args[2]);
        break;
    case Op::PrintMode:
        r.style().emphasis = c.args[0] & 0x08;
        r.style().heightMul = (c.args[0] & 0x10) ? 2 : 1;
        r.style().widthMul = (c.args[0] & 0x20) ? 2 : 1;
        r.style().underline = (c.args[0] & 0x80) ? 1 : 0;
        break;
    case Op::CharacterSize:
        r.style().widthMul = ((c.args[0] >> 4) & 7) + 1;
        r.style().heightMul = (c.args[0] & 7) + 1;
        break;
    case Op::Justify:
        r.SetJustify(c.args[0] >= '0' ? c.args[0] - '0' : c.args[0]);
        break;
    case Op::Underline: {
        const int v = c.args[0] >= '0' ? c.args[0] - '0' : c.args[0];
        r.style().underline = v > 2 ? 0 : v;
        break;
    }
    case Op::Reverse:
        r.style().reverse = c.args[0] & 1;
        break;
    case Op::LineSpacing:
        r.SetLineSpacing(c.args[0]);
        break;
    case Op::DefaultSpacing:
        r.ResetLineSpacing();
        break;
    case Op::AbsolutePosition:
        r.SetPosition(c.args[0] + 256 * c.args[1]);
        break;
    case Op::EndOfSettings:
        restartRequested_ = true;
        return false;
    case Op::PrintStoredImage: {
        const std::optional<Bitmap> &picture = storedPicture(selectedImage_);
        BeforeContent();
        if (picture)
            r.Image(*picture, (c.args[0] & 1) ? 2 : 1, (c.args[0] & 2) ? 2 : 1);
        break;
    }
    case Op::ModelQuery: {
        const auto m = state_.modelReply();
        Reply(m.data(), m.size());
        break;
    }
    case Op::FirmwareQuery: {
        const auto f = state_.firmwareReply();
        Reply(f.data(), f.size());
        break;
    }
    case Op::SelectImage:
        selectedImage_ = c.args[0];
        break;
    case Op::ImageData:
        if (!state_.StoreImage(selectedImage_, std::vector<uint8_t>(c.data.begin(), c.data.end())))
            break;  // larger than kept: the parser never lets one through
        if (!storedPicture(selectedImage_))
            say_("kova-sim: bit image " + std::to_string(selectedImage_) +
                 " is not a monochrome BMP; kept, prints nothing");
        stateChanged_ = true;
        break;
    case Op::ReadConfig: {
        const auto w = state_.config.word(c.args[0]);
        Reply(w.data(), w.size());
        break;
    }
    case Op::SetConfig:
        if (!state_.PendingConfig().Apply(c.args[0], c.args[1]))
            unknown_ += 5;
        break;
    case Op::ConfigPrintout:
        ConfigurationPrintout();
        return false;
    case Op::DefineMessage:
        if (state_.SetMessage(c.args[0], c.args[1], std::vector<uint8_t>(c.data.begin(), c.data.end())))
            stateChanged_ = true;
        else
            unknown_ += 4 + c.data.size();
        break;
    case Op::CodePage: {
        // ESC t table numbers of the common receipt printers, as code-page settings.
        static constexpr uint8_t kTables[][2] = {{0, 0x00},  {2, 0x01},  {3, 0x04},  {4, 0x06}, {5, 0x08},
                                                 {16, 0x0B}, {17, 0x09}, {18, 0x02}, {19, 0x03}};
        for (const auto &t : kTables)
            if (t[0] == c.args[0])
                r.SetCodePage(t[1]);
        break;
    }
    case Op::RasterImage:
        RasterImage(c);
        break;
    case Op::SelectSide:
        r.SelectSide(c.args[0] & 1);
        break;
    case Op::Unknown:
        unknown_ += c.data.size();
        break;
    }
    return true;
}

// GS v 0: rows of bytes, eight dots a byte, most significant bit on the left,
// drawn straight from the command onto the paper.
void Printer::RasterImage(const Command &c)
{
    const size_t widthBytes = c.args[2] + 256u * c.args[3];
    const int height = c.args[4] + 256 * c.args[5];
    if (c.data.size() < widthBytes * static_cast<size_t>(height))
        return;  // the parser hands on whole pictures only
    BeforeContent();
    receipt_->Raster(c.data.data(), widthBytes, height, (c.args[1] & 1) ? 2 : 1, (c.args[1] & 2) ? 2 : 1);
}

const std::optional<Bitmap> &Printer::storedPicture(uint8_t id)
{
    if (!decoded_ || decoded_->id != id || decoded_->version != state_.imagesVersion()) {
        const PrinterState::StoredImage *stored = state_.image(id);
        decoded_ =
            Decoded{state_.imagesVersion(), id, stored ? BmpImage::Decode(stored->file) : std::optional<Bitmap>()};
    }
    return decoded_->picture;
}

void Printer::PrintLine(const std::string &text, bool emphasis)
{
    Receipt &r = *receipt_;
    const bool was = r.style().emphasis;
    r.style().emphasis = emphasis;
    for (char ch : text)
        r.Text(static_cast<uint8_t>(ch));
    r.LineFeed();
    r.style().emphasis = was;
}

void Printer::ConfigurationPrintout()
{
    BeforeContent();
    Receipt &r = *receipt_;
    r.FinishLine();
    r.style() = Receipt::TextStyle{};
    r.LineFeed();
    r.SetJustify(1);
    PrintLine("*** CONFIGURATION ***", true);
    PrintLine("KOVA-AXX", false);
    r.SetJustify(0);
    r.LineFeed();
    PrintLine("Model Code : " + state_.modelCode, false);
    std::string version = state_.firmware;
    version.resize(4, '0');
    PrintLine("Firmware : " + version.substr(0, 2) + "." + version.substr(2, 2), false);
    std::string section;
    for (const PrinterConfig::Line &l : state_.config.Describe()) {
        if (l.section != section) {
            section = l.section;
            r.Rule();
            PrintLine(section, true);
        }
        PrintLine(l.label + " : " + l.text, false);
    }
    r.Rule();
    PrintLine("Bit Images", true);
    if (state_.images().empty())
        PrintLine("none stored", false);
    for (const PrinterState::StoredImage &image : state_.images()) {
        const std::optional<Bitmap> picture = BmpImage::Decode(image.file);
        PrintLine("ID " + std::to_string(image.id) + " : " +
                      (picture ? std::to_string(picture->width()) + " x " + std::to_string(picture->height()) + " dots"
                               : std::string("not printable")),
                  false);
    }
    r.Rule();
    PrintLine("Messages", true);
    static constexpr const char *names[] = {"Bottom 1", "Bottom 2", "Top 1", "Top 2", "Reprint 1", "Reprint 2"};
    for (int slot = 0; slot < PrinterState::kMessageSlots; ++slot) {
        const PrinterState::Message &m = state_.message(slot);
        char attr[8];
        std::snprintf(attr, sizeof attr, "%02X", m.attribute);
        PrintLine(std::string(names[slot]) + " [" + attr + "] : " + std::string(m.text.begin(), m.text.end()), false);
    }
    r.Rule();
    r.FeedLines(4);
    Cut();
}

void Printer::Cut()
{
    if (contentStarted_ && (state_.config.topBottomMessages() & 0x01))
        PrintMessages(0);
    // The added feed before the knife, 3 mm (24 dots) a step.
    const int added = state_.config.byte(15);
    if (added > 0 && added <= 7)
        receipt_->FeedDots(added * 24);
    Bitmap page(receipt_->width(), 2 * Receipt::kMaxPanelHeight + 48);
    int height = receipt_->Compose(page);
    const int minimum = state_.config.byte(27) + 256 * state_.config.byte(28);
    if (minimum > height)
        height = std::min(minimum, page.maxHeight());

    std::string notes;
    if (recordTruncated_)
        notes += " (record cut at " + std::to_string(kMaxRecorded) + " bytes)";
    if (!refusals_.empty())
        notes += refusals_ + ")";
    ++written_;
    if (writer_) {
        writer_->Add({std::move(page), height, std::move(recorded_), std::move(notes)});
    } else {
        say_("receipt " + ReceiptFolder::Numbered(written_) + ": " + std::to_string(page.width()) + "x" +
             std::to_string(height) + ", " + std::to_string(recorded_.size()) + " bytes" + notes);
    }
    NewReceipt();
}
