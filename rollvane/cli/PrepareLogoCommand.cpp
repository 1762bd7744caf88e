#include "rollvane/cli/PrepareLogoCommand.h"

#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/graphics/BitImagePage.h"
#include "rollvane/graphics/LogoPreparer.h"
#include "rollvane/graphics/RasterImage.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace rollvane {

namespace {

bool IsNumber(const std::string &text)
{
    // Six digits are past any paper's limit; more could overflow.
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

const char *PrepareLogoCommand::help() const
{
    static const std::string text = [] {
        auto limit = [](const char *paper, const char *font) {
            return std::to_string(BitImagePage::FileWidthLimit(paper, font));
        };
        return "Turns the picture IN (PNG, JPEG, BMP or another kind Qt reads, any depth, turned upright as its\n"
               "EXIF data says) into OUT, a 1-bit BMP file that \"Define Bit Images\" downloads as it is for the\n"
               "paper (--paper, 80 mm by default) and font size (--font, Size1 by default) given. Transparent\n"
               "parts are white paper; a pixel darker than half brightness is black, or with --dither the grey\n"
               "is spread as Floyd-Steinberg error diffusion.\n"
               "--width N makes it N dots wide, from 10 up to the paper's limit: " +
               limit("80mm", "Size1") + " (80 mm, Size1),\n" + limit("80mm", "Size2") + " (80 mm, Size2), " +
               limit("58mm", "Size1") + " (58 mm, Size1) or " + limit("58mm", "Size2") +
               " (58 mm, Size2). Without it (or with 0) it keeps\n"
               "the picture's own width, reduced to that limit. The height keeps the picture's shape, at most " +
               std::to_string(RasterImage::kMaxRows) +
               "\ndots: a picture that would be higher is made narrower, with a note. Talks to no printer:\n"
               "inifile.inf and the interface options are not used.\n";
    }();
    return text.c_str();
}

int PrepareLogoCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int PrepareLogoCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                                   const std::vector<std::string> &args)
{
    auto refuse = [&errors](const std::string &why) {
        errors << "rollvane-cli: prepare-logo: " << why << "\n";
        return kUsageError;
    };
    std::vector<std::string> files;
    std::optional<std::string> width;
    std::optional<std::string> paper;
    std::optional<std::string> font;
    bool dither = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &argument = args[i];
        if (argument.rfind("--", 0) != 0) {
            if (files.size() == 2) {
                return refuse("unexpected argument " + argument);
            }
            files.push_back(argument);
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name == "--dither") {
            if (value) {
                return refuse("--dither takes no value");
            }
            if (dither) {
                return refuse("--dither given twice");
            }
            dither = true;
            continue;
        }
        std::optional<std::string> *slot = name == "--width"   ? &width
                                           : name == "--paper" ? &paper
                                           : name == "--font"  ? &font
                                                               : nullptr;
        if (!slot) {
            return refuse("unexpected argument " + argument);
        }
        if (*slot) {
            return refuse(name + " given twice");
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return refuse(name + " needs a value");
            }
            value = args[++i];
        }
        *slot = *value;
    }
    if (files.size() < 2) {
        errors << "rollvane-cli: prepare-logo needs IN and OUT\n";
        return kUsageError;
    }
    LogoPreparer::Options options;
    options.dither = dither;
    if (paper) {
        if (*paper != "80" && *paper != "58") {
            return refuse("--paper takes 80 or 58, not " + *paper);
        }
        options.paperWidth = *paper + "mm";
    }
    if (font) {
        if (*font != "1" && *font != "2") {
            return refuse("--font takes 1 or 2, not " + *font);
        }
        options.fontSize = "Size" + *font;
    }
    if (width) {
        if (!IsNumber(*width)) {
            return refuse("--width takes a number of dots, not " + *width);
        }
        std::from_chars(width->data(), width->data() + width->size(), options.width);
    }
    if (const std::string problem = LogoPreparer::OptionsProblem(options); !problem.empty()) {
        return refuse(problem);
    }

    LogoPreparer preparer;
    if (preparer.Prepare(files[0], files[1], options) != LogoPreparer::kPrepared) {
        ui.ShowMessage(preparer.problem(), "Error", MessageIcon::Stop);
        return 0;
    }
    if (!preparer.note().empty()) {
        ui.ShowMessage(preparer.note(), "Note", MessageIcon::Information);
    }
    out << "Wrote " << files[1] << ": " << preparer.width() << " x " << preparer.height()
        << " dots, 1 bit per pixel, for " << options.paperWidth << " paper with " << options.fontSize << ".\n";
    return 0;
}

}  // namespace rollvane
