#pragma once

#include "rollvane/link/UserInterface.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A UserInterface for tests: logs every message box and progress step in one list, in the
// order they happened, and answers questions and file choices from a script.
class RecordingUserInterface : public rollvane::UserInterface {
public:
    struct Message {
        std::string text;
        std::string caption;
        rollvane::MessageIcon icon;
        std::string cause;
    };

    using rollvane::UserInterface::ShowMessage;
    void ShowMessage(const std::string &text, const std::string &caption, rollvane::MessageIcon icon,
                     const std::string &cause) override;
    bool Confirm(const std::string &text, const std::string &caption) override;
    std::optional<std::string> ChooseOpenFile(const rollvane::FileChoice &choice) override;
    std::optional<std::string> ChooseSaveFile(const rollvane::FileChoice &choice) override;
    std::unique_ptr<rollvane::ProgressWindow> OpenProgress() override;
    bool RunInterfaceProperties() override;
    bool paintsWhileWaiting() const override { return paints; }
    void PaintWhileWaiting() override { ++paintRounds; }

    // Answers, taken in order; an empty optional is a cancelled dialog. Without a scripted
    // answer a file choice is cancelled and a question is answered with OK.
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<bool> confirmAnswers;
    // Called when the Interface Properties dialog would be shown.
    std::function<void()> onInterfaceProperties;
    // Called after each message box is logged (for example to check the link state then).
    std::function<void(const Message &)> onMessage;

    std::vector<Message> messages;
    std::vector<rollvane::FileChoice> fileChoices;
    std::vector<std::string> confirmations;
    int interfacePropertiesShown = 0;
    // Set: the link keeps "painting" while it waits, as the desktop program does.
    bool paints = false;
    int paintRounds = 0;
    // Every event as one line: "message CAPTION: TEXT", "progress open", "progress message TEXT",
    // "progress range N", "progress position N", "progress close", "interface properties".
    std::vector<std::string> events;
    // Progress windows still open.
    int openProgressWindows = 0;
    // The last bar position and range of any progress window.
    uint32_t lastProgressPosition = 0;
    uint32_t lastProgressRange = 0;
};

}  // namespace testing_support
