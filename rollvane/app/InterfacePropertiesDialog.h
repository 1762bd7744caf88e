#pragma once

#include "rollvane/link/InterfaceSettings.h"
#include "rollvane/link/UserInterface.h"

#include <optional>
#include <string>
#include <vector>

namespace rollvane {

// The Interface Properties dialog's object: the store of the InterfaceSettings for the whole
// run, and the rules of the dialog (which controls are enabled, what OK accepts). The window
// itself is a view that moves texts between its controls and this object.
class InterfacePropertiesDialog {
public:
    // Which controls the selected port enables.
    struct Enabling {
        bool ipAddress;
        bool serialFields;  // baud rate, stop bits, parity, flow control, data bits
    };

    InterfacePropertiesDialog(const std::string &portText, const std::string &baudText, const std::string &stopBitsText,
                              const std::string &parityText, const std::string &flowText, uint32_t ipAddress);

    InterfaceSettings &settings() { return settings_; }
    const InterfaceSettings &settings() const { return settings_; }

    // The items of the dialog's lists, in list order.
    static const std::vector<std::string> &PortItems();
    static const std::vector<std::string> &BaudItems();
    static const std::vector<std::string> &DataBitsItems();
    static const std::vector<std::string> &StopBitsItems();
    static const std::vector<std::string> &ParityItems();
    static const std::vector<std::string> &FlowItems();
    static const std::vector<std::string> &ProtocolItems();
    static const std::vector<std::string> &NetPortItems();

    // The enabling for a selected port index; nothing changes when no item is selected (-1).
    static std::optional<Enabling> EnablingFor(int portIndex);

    // The IP address control changed.
    void SetIpAddress(uint32_t address);

    // The link type a port text selects (compared without regard to case).
    static LinkType LinkTypeFor(const std::string &portText);
    // The serial fields as OK checks them (compared exactly).
    static bool SerialFieldsValid(const InterfaceSettings &settings);

    // OK, after the view has read its controls back into settings(). True when the dialog
    // closes; false after the "Invalid Properties" box and the reset of the serial fields, so
    // the view shows settings() again and stays open.
    bool Accept(UserInterface &ui);

private:
    InterfaceSettings settings_;
};

}  // namespace rollvane
