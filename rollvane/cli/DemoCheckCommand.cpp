#include "rollvane/cli/DemoCheckCommand.h"

#include "platform/InputFile.h"
#include "rollvane/cli/ReceiptPreviewFile.h"
#include "rollvane/cli/TerminalUserInterface.h"
#include "rollvane/printouts/ParseCommandText.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace rollvane {

const char *DemoCheckCommand::help() const
{
    return "Translates FILE as \"Demo Print\" translates DemoN.txt and prints the number of bytes the\n"
           "printer would get. A syntax error, which the page sends as an empty block without a word, is\n"
           "named with its line and column (counted in bytes from 1) and the reason; the exit status is\n"
           "then 1. --preview OUT.png also draws the receipt the printer would print (more after each\n"
           "further cut: OUT-2.png, ...). Needs no printer and no inifile.inf.\n";
}

int DemoCheckCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    return RunOnFiles(context.ui, context.out, context.errors, args);
}

int DemoCheckCommand::RunOnFiles(TerminalUserInterface &ui, std::ostream &out, std::ostream &errors,
                                 const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    std::string preview;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--preview" && i + 1 < args.size() && preview.empty()) {
            preview = args[++i];
        } else if (args[i].rfind("--", 0) == 0 || !files.empty()) {
            errors << "rollvane-cli: demo-check needs one FILE and takes --preview OUT.png\n";
            return kUsageError;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) {
        errors << "rollvane-cli: demo-check needs one FILE and takes --preview OUT.png\n";
        return kUsageError;
    }
    const std::string &path = files[0];
    constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
    std::string text;
    int error = 0;
    if (!platform::InputFile::Read(path, kNoLimit, &text, &error)) {
        ui.ShowMessage("Cannot read " + path + ": " + platform::InputFile::FailureText(error, kNoLimit), "Error",
                       MessageIcon::Stop);
        return 0;
    }
    std::vector<uint8_t> bytes;
    const CommandTextResult result = ParseCommandText(text, bytes);
    if (!result.ok) {
        const std::string_view before(text.data(), result.offset);
        const auto line = std::count(before.begin(), before.end(), '\n') + 1;
        const std::size_t lastBreak = before.rfind('\n');
        const std::size_t column = result.offset - (lastBreak == std::string_view::npos ? 0 : lastBreak + 1) + 1;
        ui.ShowMessage(path + ":" + std::to_string(line) + ":" + std::to_string(column) +
                           ": syntax error: " + std::string(result.reason),
                       "Error", MessageIcon::Stop);
        return 0;
    }
    out << path << ": " << bytes.size() << (bytes.size() == 1 ? " byte" : " bytes") << "\n";
    if (!preview.empty()) {
        ReceiptPreviewFile::Write(bytes, preview, ui, out);
    }
    return 0;
}

}  // namespace rollvane
