#include "rollvane/cli/DownloadImagesCommand.h"

#include "platform/RealClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/DotPicture.h"
#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/PrinterLink.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

namespace rollvane {

namespace {

// The words for BitImagePage::kAlignments, in their order.
constexpr std::array<const char *, BitImagePage::kAlignments.size()> kAlignmentWords = {"left", "center", "right"};

// One --image option: a file row as the page takes it.
struct ImageArgument {
    std::string id;
    std::string path;
    std::optional<std::string> width;  // given: "Manipulate" is ticked
    int alignment = 0;
};

bool IsNumber(const std::string &text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int AlignmentOf(const std::string &word)
{
    for (std::size_t a = 0; a < kAlignmentWords.size(); ++a) {
        if (word == kAlignmentWords[a]) {
            return static_cast<int>(a);
        }
    }
    return -1;
}

// ID ends at the first ':' and a final ":WIDTH:ALIGN" comes off the end when WIDTH is a number,
// so a path may hold ':' as long as it does not end like a width. "" or why not.
std::string ParseImage(const std::string &value, ImageArgument *image)
{
    const std::string form = "--image needs ID:PATH[:WIDTH:ALIGN], not \"" + value + "\"";
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos) {
        return form;
    }
    image->id = value.substr(0, colon);
    std::string path = value.substr(colon + 1);
    if (const std::size_t last = path.rfind(':'); last != std::string::npos) {
        const std::string word = path.substr(last + 1);
        if (IsNumber(word)) {
            return "--image " + value + ": WIDTH needs an ALIGN (left, center or right)";
        }
        const std::string before = path.substr(0, last);
        const std::size_t previous = before.rfind(':');
        const std::string width = previous == std::string::npos ? before : before.substr(previous + 1);
        if (IsNumber(width)) {
            image->alignment = AlignmentOf(word);
            if (image->alignment < 0) {
                return "--image " + value + ": ALIGN is left, center or right, not \"" + word + "\"";
            }
            image->width = width;
            path = previous == std::string::npos ? std::string() : before.substr(0, previous);
        }
    }
    if (path.empty()) {
        return form;
    }
    image->path = path;
    return "";
}

// "--name VALUE" or "--name=VALUE": 1 when taken into *value, 0 for another argument, -1 when
// the value is missing.
int OptionValue(const std::vector<std::string> &args, std::size_t &i, const std::string &name, std::string *value)
{
    if (args[i].rfind(name + "=", 0) == 0) {
        *value = args[i].substr(name.size() + 1);
        return 1;
    }
    if (args[i] != name) {
        return 0;
    }
    if (i + 1 >= args.size()) {
        return -1;
    }
    *value = args[++i];
    return 1;
}

// The rows' images as PNG files in folder, all of them or none.
int WritePreviews(UserInterface &ui, std::ostream &out, std::ostream &errors, platform::Clock &clock,
                  const BitImagePage &page, int rows, const std::string &folder)
{
    RasterImage image(clock);
    std::vector<std::pair<std::string, QImage>> files;
    for (int k = 1; k <= rows; ++k) {
        const BitImagePage::Row &row = page.row(k);
        const std::string problem = page.Preview(k, image);
        QImage picture = problem.empty() ? DotPicture::FromRaster(image.data(), image.size()) : QImage();
        if (picture.isNull()) {
            ui.ShowMessage("File #" + std::to_string(k) + " cannot be previewed!", "Error", MessageIcon::Stop,
                           row.path + ": " + (problem.empty() ? "the converted image cannot be read back" : problem));
            return 0;
        }
        // Browse has made the ID the number shown, so "7" and "007" name the same file.
        const std::string name = (std::filesystem::path(folder) / ("image-" + row.idText + ".png")).string();
        for (std::size_t n = 0; n < files.size(); ++n) {
            if (files[n].first == name) {
                errors << "rollvane-cli: download-images: --preview: files #" << n + 1 << " and #" << k
                       << " both have ID " << row.idText << "\n";
                return CliCommand::kUsageError;
            }
        }
        files.emplace_back(name, std::move(picture));
    }

    std::error_code error;
    const bool created = std::filesystem::create_directories(folder, error);
    if (error) {
        ui.ShowMessage("Cannot create the folder " + folder, "Error", MessageIcon::Stop, error.message());
        return 0;
    }
    for (std::size_t n = 0; n < files.size(); ++n) {
        std::string problem;
        if (!DotPicture::SavePng(files[n].second, files[n].first, &problem)) {
            for (std::size_t written = 0; written <= n; ++written) {
                std::filesystem::remove(files[written].first, error);
            }
            if (created) {
                std::filesystem::remove(folder, error);
            }
            ui.ShowMessage("Cannot save the file " + files[n].first, "Error", MessageIcon::Stop, problem);
            return 0;
        }
    }
    for (const auto &file : files) {
        out << file.first << "\n";
    }
    out << std::flush;
    return 0;
}

}  // namespace

const char *DownloadImagesCommand::help() const
{
    return "Fills the file rows of \"Define Bit Images\" (one to three --image options, rows 1 to 3 in order)\n"
           "and downloads them as \"Download\" does. ID is the Bitmap ID as typed (0 to 255); each file is\n"
           "checked as \"Browse\" checks it, on a page just opened (80 mm paper, Size1), before anything is\n"
           "sent. WIDTH:ALIGN ticks \"Manipulate\": the picture is converted WIDTH dots wide (under 10: the\n"
           "whole print area) and placed left, center or right on the paper the printer reports; without\n"
           "them the file is sent as it is.\n"
           "ID ends at the first ':'. A final \":WIDTH:ALIGN\" with a decimal WIDTH is taken off the end; the\n"
           "rest is PATH, which may hold ':' but cannot end in \":NUMBER\" or \":NUMBER:WORD\".\n"
           "--preview DIR opens no port, reads no inifile.inf and sends nothing: it writes each image as\n"
           "the printer would keep it to DIR/image-ID.png (the print area as white paper, one black pixel a\n"
           "dot), creating DIR, and prints the name of each file written; when one image cannot be made,\n"
           "none is written.\n"
           "--paper (80 or 58, default 80) and --font (1 or 2, default 1) stand for the printer's settings\n"
           "there, for the check and the conversion alike.\n";
}

namespace {

// The command line, taken apart.
struct Request {
    std::vector<ImageArgument> images;
    std::optional<std::string> preview;
    std::optional<std::string> paper;
    std::optional<std::string> font;
};

// The command line as a request; false after writing the reason to errors.
bool ParseRequest(const std::vector<std::string> &args, std::ostream &errors, Request *request)
{
    const std::string prefix = "rollvane-cli: download-images";
    std::optional<std::string> imageValue;
    const std::pair<const char *, std::optional<std::string> *> options[] = {{"--image", &imageValue},
                                                                             {"--preview", &request->preview},
                                                                             {"--paper", &request->paper},
                                                                             {"--font", &request->font}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool known = false;
        for (const auto &[option, target] : options) {
            std::string value;
            const int taken = OptionValue(args, i, option, &value);
            if (taken < 0) {
                errors << prefix << ": " << option << " needs a value\n";
                return false;
            }
            if (taken > 0) {
                *target = value;
                known = true;
                break;
            }
        }
        if (!known) {
            errors << prefix << ": unexpected argument " << args[i] << "\n";
            return false;
        }
        if (imageValue) {
            ImageArgument image;
            if (const std::string why = ParseImage(*imageValue, &image); !why.empty()) {
                errors << prefix << ": " << why << "\n";
                return false;
            }
            request->images.push_back(std::move(image));
            imageValue.reset();
        }
    }
    if (request->images.empty()) {
        errors << prefix << " needs at least one --image ID:PATH[:WIDTH:ALIGN]\n";
        return false;
    }
    if (request->images.size() > BitImagePage::kRows) {
        errors << prefix << " takes at most 3 --image options, one for each file row\n";
        return false;
    }
    if ((request->paper || request->font) && !request->preview) {
        errors << prefix << ": --paper and --font go with --preview; a download converts for the printer's own\n";
        return false;
    }
    if (request->paper && *request->paper != "80" && *request->paper != "58") {
        errors << prefix << ": --paper is 80 or 58, not \"" << *request->paper << "\"\n";
        return false;
    }
    if (request->font && *request->font != "1" && *request->font != "2") {
        errors << prefix << ": --font is 1 or 2, not \"" << *request->font << "\"\n";
        return false;
    }
    return true;
}

// Puts the request's files into the page's rows, each through Browse and its check; false after
// the page's message.
bool FillRows(TerminalUserInterface &ui, const Request &request, BitImagePage &page)
{
    for (std::size_t n = 0; n < request.images.size(); ++n) {
        const ImageArgument &image = request.images[n];
        const int k = static_cast<int>(n) + 1;
        BitImagePage::Row &row = page.row(k);
        row.idText = image.id;
        ui.AnswerNextFileChoice(image.path);
        if (!page.Browse(k)) {
            return false;
        }
        row.manipulate = image.width.has_value();
        if (image.width) {
            row.widthText = *image.width;
            row.alignment = image.alignment;
        }
    }
    return true;
}

}  // namespace

int DownloadImagesCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    Request request;
    if (!ParseRequest(args, context.errors, &request)) {
        return kUsageError;
    }
    BitImagePage page(context.window.link(), context.window.interfaceDialog().settings());
    if (FillRows(context.ui, request, page)) {
        page.Download();
    }
    return 0;
}

bool DownloadImagesCommand::worksOnFilesOnly(const std::vector<std::string> &args) const
{
    return std::any_of(args.begin(), args.end(),
                       [](const std::string &arg) { return arg == "--preview" || arg.rfind("--preview=", 0) == 0; });
}

int DownloadImagesCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                                      const std::vector<std::string> &args)
{
    Request request;
    if (!ParseRequest(args, errors, &request)) {
        return kUsageError;
    }
    // The page wants a link for its buttons; the preview never opens it.
    platform::RealClock clock;
    PrinterLink link(ui, clock);
    InterfaceSettings interface;
    BitImagePage page(link, interface);
    page.SetPaper(request.paper.value_or("80") + "mm", "Size" + request.font.value_or("1"));
    if (!FillRows(ui, request, page)) {
        return 0;
    }
    return WritePreviews(ui, out, errors, clock, page, static_cast<int>(request.images.size()), *request.preview);
}

}  // namespace rollvane
