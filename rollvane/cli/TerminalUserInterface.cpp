#include "rollvane/cli/TerminalUserInterface.h"

namespace rollvane {

namespace {

// A one-line bar redrawn in place with a carriage return.
class TerminalProgress final : public ProgressWindow {
public:
    TerminalProgress(std::ostream &out, bool draw) : out_(out), draw_(draw) {}
    ~TerminalProgress() override
    {
        if (draw_ && drawn_) {
            out_ << "\r\033[K" << std::flush;
        }
    }

protected:
    void ShowMessage(const std::string &) override { Redraw(); }
    void ShowRange(uint32_t) override {}
    void ShowPosition(uint32_t) override { Redraw(); }

private:
    void Redraw()
    {
        if (!draw_) {
            return;
        }
        constexpr int kWidth = 30;
        const uint32_t range = upper() == 0 ? 1 : upper();
        const uint32_t filled = std::min<uint32_t>(kWidth, position() * kWidth / range);
        out_ << "\r\033[K[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] " << message()
             << std::flush;
        drawn_ = true;
    }

    std::ostream &out_;
    bool draw_;
    bool drawn_ = false;
};

}  // namespace

TerminalUserInterface::TerminalUserInterface(std::ostream &errors, bool errorsIsTerminal, Verbosity verbosity)
    : errors_(errors), errorsIsTerminal_(errorsIsTerminal), verbosity_(verbosity)
{}

void TerminalUserInterface::ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon,
                                        const std::string &cause)
{
    const bool warning = icon == MessageIcon::Exclamation || icon == MessageIcon::Stop;
    raisedWarning_ = raisedWarning_ || warning;
    messages_.push_back({caption, text, icon, cause});
    if (verbosity_ == Verbosity::Quiet && !warning) {
        return;
    }
    errors_ << caption << ": " << text << "\n";
    if (!cause.empty() && verbosity_ != Verbosity::Quiet) {
        errors_ << "  cause: " << cause << "\n";
    }
    errors_ << std::flush;
}

bool TerminalUserInterface::Confirm(const std::string &text, const std::string &caption)
{
    messages_.push_back({caption, text, MessageIcon::None, {}});
    if (verbosity_ != Verbosity::Quiet) {
        errors_ << caption << ": " << text << "\n" << std::flush;
    }
    if (confirmAnswers_.empty()) {
        return true;
    }
    bool answer = confirmAnswers_.front();
    confirmAnswers_.pop_front();
    return answer;
}

std::optional<std::string> TerminalUserInterface::ChooseOpenFile(const FileChoice &)
{
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    std::string path = fileAnswers_.front();
    fileAnswers_.pop_front();
    return path;
}

std::optional<std::string> TerminalUserInterface::ChooseSaveFile(const FileChoice &choice)
{
    return ChooseOpenFile(choice);
}

std::unique_ptr<ProgressWindow> TerminalUserInterface::OpenProgress()
{
    // A script that asked for quiet or for JSON reads no bar.
    return std::make_unique<TerminalProgress>(errors_, errorsIsTerminal_ && verbosity_ != Verbosity::Quiet && !json_);
}

bool TerminalUserInterface::RunInterfaceProperties()
{
    // There is no dialog to show, so nothing is accepted: the interface options of the next run
    // take its place.
    if (verbosity_ != Verbosity::Quiet) {
        errors_ << "Interface Properties: set the interface options (--port, --baud, ...) to match the printer "
                   "for the next command.\n"
                << std::flush;
    }
    return false;
}

}  // namespace rollvane
