#pragma once

#include "rollvane/link/UserInterface.h"

#include <QDialog>
#include <array>
#include <memory>

class QComboBox;
class QLineEdit;

namespace Ui {
class InterfacePropertiesView;
}

namespace rollvane {

class InterfacePropertiesDialog;

// The Interface Properties window: shows the settings of its dialog object, reads its
// controls back into it and leaves every rule to it.
class InterfacePropertiesView final : public QDialog {
    Q_OBJECT

public:
    InterfacePropertiesView(InterfacePropertiesDialog &dialog, UserInterface &ui, QWidget *parent = nullptr);
    ~InterfacePropertiesView() override;

    // For tests: the controls by their ids.
    QComboBox *combo(int id) const;
    void SetOctet(int index, int value);

    void accept() override;

protected:
    // "." in a field of the IP address moves on to the next field.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowSettings();
    void ReadBack();
    void ApplyEnabling();
    void OctetEdited(int index);
    void MoveToOctet(int index);
    std::array<QLineEdit *, 4> octets() const;
    uint32_t addressFromControls() const;

    InterfacePropertiesDialog &dialog_;
    UserInterface &ui_;
    std::unique_ptr<Ui::InterfacePropertiesView> form_;
};

}  // namespace rollvane
