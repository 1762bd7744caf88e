#pragma once

#include "rollvane/link/UserInterface.h"

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace rollvane {

class JsonWriter;

// The person's side of rollvane-cli: every message box becomes one record "CAPTION: TEXT" on
// standard error; file choices are answered with the names given on the command line; a
// progress bar is drawn only when standard error is a terminal. Every message is also kept for
// the --json result.
class TerminalUserInterface : public UserInterface {
public:
    enum class Verbosity {
        Quiet,    // warnings and errors only, without their cause lines; no progress
        Normal,   // every message with its cause line
        Verbose,  // as Normal; the caller adds the trace summary
    };

    // A message box as it was raised; a question has the icon None.
    struct Message {
        std::string caption;
        std::string text;
        MessageIcon icon;
        std::string cause;
    };

    TerminalUserInterface(std::ostream &errors, bool errorsIsTerminal, Verbosity verbosity = Verbosity::Normal);

    using UserInterface::ShowMessage;
    void ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon,
                     const std::string &cause) override;
    bool Confirm(const std::string &text, const std::string &caption) override;
    std::optional<std::string> ChooseOpenFile(const FileChoice &choice) override;
    std::optional<std::string> ChooseSaveFile(const FileChoice &choice) override;
    std::unique_ptr<ProgressWindow> OpenProgress() override;
    bool RunInterfaceProperties() override;

    // The answer to the next file choice (a command's FILE argument).
    void AnswerNextFileChoice(const std::string &path) { fileAnswers_.push_back(path); }
    // The answer to the next questions; without one a question is answered with OK.
    void AnswerNextConfirm(bool answer) { confirmAnswers_.push_back(answer); }

    // True once a message with a warning or stop icon was shown.
    bool raisedWarning() const { return raisedWarning_; }
    const std::vector<Message> &messages() const { return messages_; }

    // Where a command puts its result as JSON members, or nullptr without --json.
    JsonWriter *json() const { return json_; }
    void SetJson(JsonWriter *json) { json_ = json; }

private:
    std::ostream &errors_;
    bool errorsIsTerminal_;
    Verbosity verbosity_;
    std::vector<Message> messages_;
    JsonWriter *json_ = nullptr;
    std::deque<std::string> fileAnswers_;
    std::deque<bool> confirmAnswers_;
    bool raisedWarning_ = false;
};

}  // namespace rollvane
