#include "rollvane/cli/DefineMessageCommand.h"

#include "rollvane/app/MainWindow.h"
#include "rollvane/cli/CommandOptions.h"
#include "rollvane/messages/MessagesPage.h"

#include <utility>

namespace rollvane {

const char *DefineMessageCommand::help() const
{
    return "Stores a two-line message in the printer as \"Download!\" on the \"Define Top/Bottom Msgs\" page\n"
           "does. KIND is top, bottom or reprint. The attribute texts are the page's, compared exactly as\n"
           "typed: --underline \"No Underline\", \"1 dot Underline\" or \"2 dot Underline\"; --double-height,\n"
           "--double-width, --emphasized and --inverse ON or OFF; --color Color or Black. An attribute not\n"
           "given is off; a line not given is empty. A line holds at most 507 bytes.\n";
}

int DefineMessageCommand::Run(CliContext &context, const std::vector<std::string> &args)
{
    MessagesPage &page = context.window.messagesPage();
    const std::pair<const char *, std::string *> options[] = {
        {"--line1", &page.line1},
        {"--line2", &page.line2},
        {"--underline", &page.underlineText},
        {"--double-height", &page.doubleHeightText},
        {"--double-width", &page.doubleWidthText},
        {"--emphasized", &page.emphasizedText},
        {"--color", &page.colorText},
        {"--inverse", &page.inverseText},
    };
    const std::pair<const char *, const char *> kinds[] = {
        {"top", "Top Message"}, {"bottom", "Bottom Message"}, {"reprint", "Reprint Message"}};
    std::vector<std::string> known;
    for (const auto &[name, text] : options) {
        known.push_back(name);
    }
    CommandOptions read;
    std::string error;
    if (!read.Parse(args, known, &error)) {
        context.errors << "rollvane-cli: define-message: " << error << "\n";
        return kUsageError;
    }
    if (read.words().size() > 1) {
        context.errors << "rollvane-cli: define-message: unexpected argument " << read.words()[1] << "\n";
        return kUsageError;
    }
    for (const auto &[name, text] : options) {
        if (const std::string *value = read.value(name)) {
            *text = *value;
        }
    }
    const std::string kind = read.words().empty() ? std::string() : read.words()[0];
    if (kind.empty()) {
        context.errors << "rollvane-cli: define-message needs a KIND: top, bottom or reprint\n";
        return kUsageError;
    }
    page.kindText.clear();
    for (const auto &[word, text] : kinds) {
        if (kind == word) {
            page.kindText = text;
        }
    }
    if (page.kindText.empty()) {
        context.errors << "rollvane-cli: define-message: KIND is top, bottom or reprint, not \"" << kind << "\"\n";
        return kUsageError;
    }
    page.DownloadMessages();
    return 0;
}

}  // namespace rollvane
