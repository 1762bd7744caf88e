#pragma once

#include "rollvane/link/ProgressWindow.h"

#include <memory>
#include <optional>
#include <string>

namespace rollvane {

enum class MessageIcon {
    None,
    Information,
    Exclamation,  // the warning icon
    Stop,
};

// The icon as scripts and tests name it.
constexpr const char *IconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return "information";
    case MessageIcon::Exclamation:
        return "warning";
    case MessageIcon::Stop:
        return "stop";
    case MessageIcon::None:
        break;
    }
    return "none";
}

// What a file dialog offers: a filter in the "Description (*.ext)|*.ext|" form, the default
// extension (without the point) and a proposed file name.
struct FileChoice {
    std::string filter;
    std::string defaultExtension;
    std::string proposedName;
};

// Everything the page logic needs from a person. The desktop program answers with Qt
// dialogs, the CLI with the terminal, the tests with a recorder.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box with an OK button. cause, when not empty, is the reason behind a
    // failure (device or address, operation, system text): shown beside the text, which stays
    // the program's own, as the box's details or a "cause:" line on a terminal.
    virtual void ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon,
                             const std::string &cause) = 0;
    void ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon)
    {
        ShowMessage(text, caption, icon, std::string());
    }
    // A question with OK and Cancel; true for OK.
    virtual bool Confirm(const std::string &text, const std::string &caption) = 0;
    // The chosen path, or nothing when the person cancelled.
    virtual std::optional<std::string> ChooseOpenFile(const FileChoice &choice) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const FileChoice &choice) = 0;
    // A new progress window, centred, shown and painted before this returns.
    virtual std::unique_ptr<ProgressWindow> OpenProgress() = 0;
    // Shows the Interface Properties dialog modally and returns when it is closed: true when OK
    // closed it with settings the dialog accepted.
    virtual bool RunInterfaceProperties() = 0;

    // While an action waits for the printer: whether the windows are to be kept painted, and
    // one round of that painting. A round handles paint and timer events only; no input reaches
    // the windows, so nothing can start a second action or touch the link. A terminal and the
    // tests' recorder have nothing to paint.
    virtual bool paintsWhileWaiting() const { return false; }
    virtual void PaintWhileWaiting() {}
};

}  // namespace rollvane
