#include "rollvane/app/InterfacePropertiesDialog.h"

#include "rollvane/link/NumberText.h"

#include <algorithm>
#include <strings.h>

namespace rollvane {

namespace {

bool Contains(const std::vector<std::string> &items, const std::string &text)
{
    return std::find(items.begin(), items.end(), text) != items.end();
}

bool EqualsIgnoringCase(const std::string &a, const char *b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

std::vector<std::string> ComPorts()
{
    std::vector<std::string> ports;
    for (int i = 1; i <= 20; ++i) {
        ports.push_back("COM" + std::to_string(i));
    }
    return ports;
}

}  // namespace

InterfacePropertiesDialog::InterfacePropertiesDialog(const std::string &portText, const std::string &baudText,
                                                     const std::string &stopBitsText, const std::string &parityText,
                                                     const std::string &flowText, uint32_t ipAddress)
{
    settings_.portText = portText;
    settings_.baudText = baudText;
    settings_.stopBitsText = stopBitsText;
    settings_.parityText = parityText;
    settings_.flowText = flowText;
    settings_.baudRate = NumberText::DecimalValue(baudText);
    settings_.stopBits = NumberText::DecimalValue(stopBitsText);
    settings_.ipAddress = ipAddress;
    settings_.ipText = NumberText::UnsignedText(ipAddress);
}

const std::vector<std::string> &InterfacePropertiesDialog::PortItems()
{
    static const std::vector<std::string> items = [] {
        std::vector<std::string> all = {"LAN", "Printer Class", "ORNUSB", "LPT1"};
        for (auto &com : ComPorts()) {
            all.push_back(com);
        }
        return all;
    }();
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::BaudItems()
{
    static const std::vector<std::string> items(InterfaceSettings::kBaudTexts.begin(),
                                                InterfaceSettings::kBaudTexts.begin() +
                                                    InterfaceSettings::kListedBaudTexts);
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::DataBitsItems()
{
    static const std::vector<std::string> items(InterfaceSettings::kDataBitsTexts.begin(),
                                                InterfaceSettings::kDataBitsTexts.end());
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::StopBitsItems()
{
    static const std::vector<std::string> items(InterfaceSettings::kStopBitsTexts.begin(),
                                                InterfaceSettings::kStopBitsTexts.end());
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::ParityItems()
{
    static const std::vector<std::string> items(InterfaceSettings::kParityTexts.begin(),
                                                InterfaceSettings::kParityTexts.end());
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::FlowItems()
{
    static const std::vector<std::string> items(InterfaceSettings::kFlowTexts.begin(),
                                                InterfaceSettings::kFlowTexts.end());
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::ProtocolItems()
{
    static const std::vector<std::string> items = {"RAW(TCP)", "LPR(TCP)", "RAW(UDP)"};
    return items;
}

const std::vector<std::string> &InterfacePropertiesDialog::NetPortItems()
{
    static const std::vector<std::string> items = {"9100", "515", "3000"};
    return items;
}

std::optional<InterfacePropertiesDialog::Enabling> InterfacePropertiesDialog::EnablingFor(int portIndex)
{
    if (portIndex < 0 || portIndex >= static_cast<int>(PortItems().size())) {
        return std::nullopt;
    }
    if (portIndex == 0) {
        return Enabling{true, false};
    }
    if (portIndex <= 3) {
        return Enabling{false, false};
    }
    return Enabling{false, true};
}

void InterfacePropertiesDialog::SetIpAddress(uint32_t address)
{
    settings_.ipAddress = address;
    settings_.ipText = NumberText::UnsignedText(address);
}

LinkType InterfacePropertiesDialog::LinkTypeFor(const std::string &portText)
{
    if (EqualsIgnoringCase(portText, "LPT1")) {
        return LinkParallel;
    }
    if (EqualsIgnoringCase(portText, "ORNUSB")) {
        return LinkOrnUsb;
    }
    if (EqualsIgnoringCase(portText, "Printer Class")) {
        return LinkUsbPrinterClass;
    }
    if (EqualsIgnoringCase(portText, "LAN")) {
        return LinkNetwork;
    }
    return LinkSerial;
}

bool InterfacePropertiesDialog::SerialFieldsValid(const InterfaceSettings &s)
{
    static const std::vector<std::string> ports = ComPorts();
    return Contains(ports, s.portText) && InterfaceSettings::Accepts(InterfaceSettings::kBaudTexts, s.baudText) &&
           InterfaceSettings::Accepts(InterfaceSettings::kStopBitsTexts, s.stopBitsText) &&
           InterfaceSettings::Accepts(InterfaceSettings::kDataBitsTexts, s.dataBitsText) &&
           InterfaceSettings::Accepts(InterfaceSettings::kParityTexts, s.parityText) &&
           InterfaceSettings::Accepts(InterfaceSettings::kFlowTexts, s.flowText);
}

bool InterfacePropertiesDialog::Accept(UserInterface &ui)
{
    settings_.linkType = LinkTypeFor(settings_.portText);
    if (settings_.linkType != LinkSerial) {
        return true;
    }
    if (SerialFieldsValid(settings_)) {
        settings_.baudRate = NumberText::DecimalValue(settings_.baudText);
        settings_.stopBits = NumberText::DecimalValue(settings_.stopBitsText);
        settings_.dataBits = NumberText::DecimalValue(settings_.dataBitsText);
        return true;
    }
    ui.ShowMessage("Please select the appropriate properties!", "Invalid Properties", MessageIcon::Exclamation);
    settings_.portText = "COM1";
    settings_.baudText = "115200";
    settings_.parityText = "NONE";
    settings_.stopBitsText = "1";
    settings_.dataBitsText = "8";
    settings_.dataBits = 8;
    return false;
}

}  // namespace rollvane
