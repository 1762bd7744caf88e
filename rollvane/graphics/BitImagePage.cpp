#include "rollvane/graphics/BitImagePage.h"

#include "platform/InputFile.h"
#include "rollvane/graphics/LogoPreparer.h"
#include "rollvane/link/ConfigurationBytes.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/NumberText.h"
#include "rollvane/link/PrinterAction.h"
#include "rollvane/link/PrinterLink.h"

#include <algorithm>
#include <vector>

namespace rollvane {

namespace {

// A message box given no caption is captioned "Error".
const char kErrorCaption[] = "Error";
const char kIdCaption[] = "ID ERROR";

const char *const kOrdinals[BitImagePage::kRows] = {"1st", "2nd", "3rd"};

// The ID message for the files of a mask, "#1 #3" for files 1 and 3.
std::string FileNumbers(int mask)
{
    std::string numbers;
    for (int k = 1; k <= BitImagePage::kRows; ++k) {
        if (mask & (1 << (k - 1))) {
            numbers += (numbers.empty() ? "#" : " #") + std::to_string(k);
        }
    }
    return numbers;
}

std::string SameIdMessage(int mask)
{
    if (mask == 7) {
        return "FILE ID #1, #2 and #3 must be different. Please set FILE ID again !";
    }
    const int first = mask & 1 ? 1 : 2;
    const int second = mask & 4 ? 3 : 2;
    return "FILE #" + std::to_string(first) + " and #" + std::to_string(second) +
           " ID can not be same value. Please set FILE ID again !";
}

uint16_t Le16(const std::string &content, std::size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(content[at]) | static_cast<uint8_t>(content[at + 1]) << 8);
}

}  // namespace

BitImagePage::BitImagePage(PrinterLink &link, InterfaceSettings &interface)
    : link_(link), interface_(interface), converter_(link.clock())
{}

void BitImagePage::SetPaper(const std::string &paperWidth, const std::string &fontSize)
{
    paperWidth_ = paperWidth;
    fontSize_ = fontSize;
}

int32_t BitImagePage::maxWidth() const
{
    if (paperWidth_ == "80mm") {
        return fontSize_ == "Size1" ? 576 : 560;
    }
    return fontSize_ == "Size1" ? 432 : 424;
}

int32_t BitImagePage::fontMode() const
{
    return fontSize_ == "Size1" ? 1 : 2;
}

std::string BitImagePage::ShownIdText(const std::string &text)
{
    const int32_t number = NumberText::DecimalValue(text);
    return number >= 0 && number < kIdCount ? std::to_string(number) : text;
}

void BitImagePage::ShowError(const std::string &text, const std::string &cause)
{
    link_.ui().ShowMessage(text, kErrorCaption, MessageIcon::Stop, cause);
}

// ---- choosing files ----

int32_t BitImagePage::FileWidthLimit(const std::string &paperWidth, const std::string &fontSize)
{
    if ((paperWidth != "80mm" && paperWidth != "58mm") || (fontSize != "Size1" && fontSize != "Size2")) {
        return 0;
    }
    return paperWidth == "80mm" ? (fontSize == "Size1" ? 576 : 512) : (fontSize == "Size1" ? 576 : 360);
}

std::string BitImagePage::FileProblem(const std::string &content) const
{
    return FileProblem(content, paperWidth_, fontSize_);
}

std::string BitImagePage::FileProblem(const std::string &content, const std::string &paperWidth,
                                      const std::string &fontSize)
{
    const int limit = FileWidthLimit(paperWidth, fontSize);
    if (limit == 0) {
        return "the paper width and font size are unknown";
    }
    if (content.size() < 30 || content[0] != 'B' || content[1] != 'M') {
        return "it is not a BMP file";
    }
    const int width = Le16(content, 18);
    const int height = Le16(content, 22);
    const int bits = Le16(content, 28);
    if (bits != 1) {
        return "it has " + std::to_string(bits) + " bits per pixel, not 1";
    }
    if (width > limit || height > 512) {
        return "it is " + std::to_string(width) + " x " + std::to_string(height) + " dots; " + paperWidth +
               " paper with " + fontSize + " takes at most " + std::to_string(limit) + " x 512";
    }
    return "";
}

int BitImagePage::CheckFile(const std::string &content)
{
    if ((paperWidth_ != "80mm" && paperWidth_ != "58mm") || (fontSize_ != "Size1" && fontSize_ != "Size2")) {
        link_.ui().ShowMessage("Please select the appropriate properties!", "Invalid Properties",
                               MessageIcon::Exclamation);
        return 0;
    }
    const std::string problem = FileProblem(content);
    if (problem.empty()) {
        return 1;
    }
    ShowError(paperWidth_ == "58mm" && fontSize_ == "Size2" ? "File size type mismatch Error!"
                                                            : "File size mismatch Error!",
              problem);
    return 0;
}

int BitImagePage::Browse(int k)
{
    UserInterface &ui = link_.ui();
    Row &r = row(k);
    // The list selects the entry the text names; the check is of the text as typed.
    const std::string typed = r.idText;
    r.idText = ShownIdText(typed);
    const int32_t id = NumberText::DecimalValue(typed);
    if (typed != "0" && (id < 1 || id > 255)) {
        ui.ShowMessage("Please Select File #" + std::to_string(k) + " Bitmap ID!", kIdCaption,
                       MessageIcon::Exclamation);
        return 0;
    }
    const auto path = ui.ChooseOpenFile({"Bitmap File (*.bmp)|*.bmp|", "", "*.bmp"});
    if (!path) {
        ui.ShowMessage("No file Loaded!", "No file Loaded! ", MessageIcon::Information);
        r.path.clear();
        return 0;
    }
    std::string content;
    int error = 0;
    r.path.clear();
    if (!platform::InputFile::Read(*path, RasterImage::kMaxFileBytes, &content, &error)) {
        ShowError("Cannot open " + *path + ": " + platform::InputFile::FailureText(error, RasterImage::kMaxFileBytes));
        return 0;
    }
    if (content.empty()) {
        ShowError("No Data in the file Error!");
        return 0;
    }
    if (!CheckFile(content)) {
        return 0;
    }
    r.path = *path;
    return 1;
}

int BitImagePage::Prepare(int k)
{
    UserInterface &ui = link_.ui();
    const auto in =
        ui.ChooseOpenFile({"Pictures (*.png *.jpg *.jpeg *.bmp *.gif)|*.png;*.jpg;*.jpeg;*.bmp;*.gif|", "", ""});
    if (!in) {
        return 0;
    }
    // Proposed beside the picture, named after it: "shop.png" gives "shop-logo.bmp".
    std::string proposed = *in;
    const std::size_t slash = proposed.rfind('/');
    const std::size_t dot = proposed.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        proposed.erase(dot);
    }
    const auto out = ui.ChooseSaveFile({"Bitmap File (*.bmp)|*.bmp|", "bmp", proposed + "-logo.bmp"});
    if (!out) {
        return 0;
    }
    LogoPreparer preparer;
    LogoPreparer::Options options;
    options.paperWidth = paperWidth_;
    options.fontSize = fontSize_;
    if (preparer.Prepare(*in, *out, options) != LogoPreparer::kPrepared) {
        ShowError("Cannot prepare the picture!", preparer.problem());
        return 0;
    }
    row(k).path = *out;
    if (!preparer.note().empty()) {
        ui.ShowMessage(preparer.note(), "Message", MessageIcon::Information);
    }
    return 1;
}

void BitImagePage::ClearFilePaths()
{
    for (Row &r : rows_) {
        r.path.clear();
        // A list with nothing selected shows its first entry afterwards.
        if (r.idText.empty()) {
            r.idText = "0";
        }
    }
}

// ---- the printer ----

int BitImagePage::Download()
{
    PrinterAction action(link_, interface_);
    if (!action.Open() || action.CheckStatus(2, true) != PrinterAction::Status::Ready) {
        return 0;
    }
    uint8_t paper = 0;
    uint8_t font = 0;
    // A byte that did not come is not taken as 0: that would convert for the wrong paper.
    if (!ConfigurationBytes::Read(link_, 5, &paper) || !ConfigurationBytes::Read(link_, 10, &font)) {
        action.ReportTimeout();
        return 0;
    }
    paperWidth_ = paper & 0x08 ? "58mm" : "80mm";
    // Over the network, a font byte of 0 or 2 says nothing: the font size stays as it was.
    if (font & 0x01) {
        fontSize_ = "Size2";
    } else if (link_.linkType != LinkNetwork) {
        fontSize_ = "Size1";
    }
    const int done = DownloadFiles();
    link_.progress.reset();
    if (done) {
        link_.ui().ShowMessage("Download Finished !", "Message", MessageIcon::Information);
    }
    return done;
}

int BitImagePage::DownloadFiles()
{
    UserInterface &ui = link_.ui();
    int mask = 0;
    std::array<int32_t, kRows> ids{};
    for (int k = 1; k <= kRows; ++k) {
        const Row &r = row(k);
        ids[static_cast<std::size_t>(k - 1)] = r.idText.empty() ? -1 : NumberText::DecimalValue(r.idText);
        if (!r.path.empty()) {
            mask |= 1 << (k - 1);
        }
    }
    if (mask == 0) {
        ui.ShowMessage("Please select At Least 1 File For Download!", "FILE ERROR", MessageIcon::Stop);
        return 0;
    }
    std::vector<int> chosen;
    for (int k = 1; k <= kRows; ++k) {
        if (mask & (1 << (k - 1))) {
            chosen.push_back(k);
        }
    }
    for (int k : chosen) {
        const int32_t id = ids[static_cast<std::size_t>(k - 1)];
        if (id < 0 || id > 255) {
            ui.ShowMessage("Please Select File " + FileNumbers(mask) + " Bitmap ID!", kIdCaption,
                           MessageIcon::Exclamation);
            return 0;
        }
    }
    for (std::size_t a = 0; a < chosen.size(); ++a) {
        for (std::size_t b = a + 1; b < chosen.size(); ++b) {
            if (ids[static_cast<std::size_t>(chosen[a] - 1)] == ids[static_cast<std::size_t>(chosen[b] - 1)]) {
                ui.ShowMessage(SameIdMessage(mask), kIdCaption, MessageIcon::Exclamation);
                return 0;
            }
        }
    }

    for (std::size_t n = 0; n < chosen.size(); ++n) {
        const int k = chosen[n];
        const Row &r = row(k);
        const int id = ids[static_cast<std::size_t>(k - 1)];
        // The bar reaches 90 with the last file: 90, or 45 and 90, or 30, 60 and 90.
        const auto position = static_cast<uint32_t>(90 * (n + 1) / chosen.size());
        const std::string text = std::string("Downloading ") + kOrdinals[n] + " Bit Image";
        if (link_.progress) {
            link_.progress->SetMessage(text);
        } else {
            link_.StartProgress(text);
        }
        link_.progress->SetProgress(100, position);

        if (!r.manipulate) {
            const int sent = SendFile(r.path, id);
            if (sent <= 0) {
                if (sent == 0) {
                    ShowError("Error in SetupData!", link_.failureCause());
                }
                return 0;
            }
            if (!link_.CheckConnected()) {
                ShowError("Error in SetupData!", link_.failureCause());
                return 0;
            }
            continue;
        }
        if (const std::string problem = WidthProblem(r); !problem.empty()) {
            ShowError("Invalid Width Value!", problem);
            return 0;
        }
        if (r.alignment < 0 || r.alignment > 2) {
            ShowError("Alignment is undefined!");
            return 0;
        }
        converter_.SetPaper(maxWidth(), fontMode());
        const int code = converter_.Convert(r.path, ConvertedWidth(r), 0, -1 - r.alignment);
        if (code == RasterImage::kDoesNotFit) {
            ShowError("Converted Height is too big!\nPlease reduce the width!", converter_.problem());
            return 0;
        }
        if (code != RasterImage::kConverted) {
            ShowError("Error in CreateSetupData!", r.path + ": " + converter_.problem());
            return 0;
        }
        if (!SendConverted(id)) {
            ShowError("Error in SetupData!", link_.failureCause());
            return 0;
        }
        if (n + 1 == chosen.size()) {
            // The last image gets the wait a file gets, so that a printer that dropped the link
            // while taking it has been seen.
            link_.WaitSeconds(0);
        }
        if (!link_.CheckConnected()) {
            ShowError("Error in SetupData!", link_.failureCause());
            return 0;
        }
    }
    return 1;
}

int32_t BitImagePage::ConvertedWidth(const Row &r) const
{
    const int32_t width = NumberText::DecimalValue(r.widthText);
    return width < 10 ? maxWidth() : width;
}

std::string BitImagePage::WidthProblem(const Row &r) const
{
    if (ConvertedWidth(r) <= maxWidth()) {
        return "";
    }
    return "the width " + r.widthText + " is more than the print area's " + std::to_string(maxWidth()) + " dots";
}

std::string BitImagePage::Preview(int k, RasterImage &image) const
{
    const Row &r = row(k);
    if (r.path.empty()) {
        return "no file is chosen";
    }
    if (!r.manipulate) {
        // The printer keeps an unconverted file as it is: its own width, from the left edge.
        image.SetPaper(maxWidth(), 1);
        return image.Convert(r.path, 0, 0, RasterImage::PositionLeft) == RasterImage::kConverted ? "" : image.problem();
    }
    if (std::string problem = WidthProblem(r); !problem.empty()) {
        return problem;
    }
    if (r.alignment < 0 || r.alignment > 2) {
        return "no alignment is chosen";
    }
    image.SetPaper(maxWidth(), fontMode());
    return image.Convert(r.path, ConvertedWidth(r), 0, -1 - r.alignment) == RasterImage::kConverted ? ""
                                                                                                    : image.problem();
}

bool BitImagePage::SendConverted(int id)
{
    if (!link_.Send({0x1F, 0x30, static_cast<uint8_t>(id)}) || !link_.Send({0x1F})) {
        return false;
    }
    const uint8_t *data = converter_.data();
    const std::size_t size = converter_.size();
    for (std::size_t at = 0; at < size; at += kConvertedBlock) {
        if (!link_.Send(data + at, static_cast<uint32_t>(std::min(kConvertedBlock, size - at)))) {
            return false;
        }
    }
    return true;
}

int BitImagePage::SendFile(const std::string &path, int id)
{
    std::string content;
    int error = 0;
    // The whole file at once, within the limit Browse read it with.
    if (!platform::InputFile::Read(path, RasterImage::kMaxFileBytes, &content, &error)) {
        ShowError("Cannot open " + path + ": " + platform::InputFile::FailureText(error, RasterImage::kMaxFileBytes));
        return -1;
    }
    if (content.empty()) {
        ShowError("No Data in the file Error!");
        return 1;
    }
    uint8_t select[3] = {0x1F, 0x30, static_cast<uint8_t>(id)};
    uint8_t introducer[1] = {0x1F};
    if (!link_.SendBulk(select, sizeof select) || !link_.SendBulk(introducer, sizeof introducer)) {
        return 0;
    }
    const auto *data = reinterpret_cast<const uint8_t *>(content.data());
    for (std::size_t at = 0; at < content.size(); at += kFileBlock) {
        if (!link_.Send(data + at, static_cast<uint32_t>(std::min(kFileBlock, content.size() - at)))) {
            return 0;
        }
    }
    link_.WaitSeconds(0);
    return 1;
}

int BitImagePage::PrintSelected()
{
    const std::string typed = printIdText;
    printIdText = ShownIdText(typed);
    const int32_t id = NumberText::DecimalValue(typed);
    if (typed != "0" && (id < 1 || id > 255)) {
        link_.ui().ShowMessage("Please Select File #1 Bitmap ID!", kIdCaption, MessageIcon::Exclamation);
        return 0;
    }
    PrinterAction action(link_, interface_);
    if (!action.Open() || action.CheckStatus(2, true) != PrinterAction::Status::Ready) {
        return 0;
    }
    uint8_t select[3] = {0x1F, 0x30, static_cast<uint8_t>(id)};
    uint8_t print[3] = {0x1D, 0x2F, 0x00};
    const bool printed = link_.SendBulk(select, sizeof select) && link_.SendBulk(print, sizeof print) &&
                         link_.Send({0x1B, 0x64, 0x08}) && link_.Send({0x1B, 0x64, 0x08}) &&
                         link_.Send({0x1B, 0x64, 0x08}) && link_.Send({0x1B, 0x69});
    // The system takes the commands whether or not the printer is still there; a printer that
    // dropped the link shows by the next whole second.
    if (printed) {
        link_.WaitSeconds(0);
    }
    if (!printed || !link_.CheckConnected()) {
        // Nothing else would tell that the picture did not print.
        action.ReportTimeout();
        return 0;
    }
    return 1;
}

}  // namespace rollvane
