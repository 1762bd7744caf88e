#pragma once

// The widgets: Qt windows and dialogs over the page logic.
// Error convention of the layer: widgets show. They hold no printer logic and report nothing
// themselves; what the pages report arrives here as a message box (the cause, when there is one,
// as its details). Nothing throws.

#include "rollvane/link/UserInterface.h"

class QWidget;

namespace rollvane {

class InterfacePropertiesDialog;

// The desktop program's dialogs: Qt message boxes and file dialogs, the progress window and
// the Interface Properties window, all owned by the window that is active at the time.
class QtUserInterface final : public UserInterface {
public:
    // The dialog object whose window RunInterfaceProperties shows, and the main window that
    // owns the dialogs, once they exist.
    void SetInterfaceDialog(InterfacePropertiesDialog *dialog) { interfaceDialog_ = dialog; }
    void SetOwner(QWidget *owner) { owner_ = owner; }

    using UserInterface::ShowMessage;
    void ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon,
                     const std::string &cause) override;
    bool Confirm(const std::string &text, const std::string &caption) override;
    std::optional<std::string> ChooseOpenFile(const FileChoice &choice) override;
    std::optional<std::string> ChooseSaveFile(const FileChoice &choice) override;
    std::unique_ptr<ProgressWindow> OpenProgress() override;
    bool RunInterfaceProperties() override;
    // The link waits on a helper thread and calls PaintWhileWaiting about every 20 ms.
    bool paintsWhileWaiting() const override { return true; }
    void PaintWhileWaiting() override;

    // "Text File (*.txt)|*.txt|" in the form Qt's file dialogs take.
    static std::string QtFilter(const std::string &filter);

private:
    QWidget *parentWidget() const;

    InterfacePropertiesDialog *interfaceDialog_ = nullptr;
    QWidget *owner_ = nullptr;
};

}  // namespace rollvane
