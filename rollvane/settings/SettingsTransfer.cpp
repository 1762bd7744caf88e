#include "rollvane/settings/SettingsTransfer.h"

#include "rollvane/link/ConfigurationBytes.h"
#include "rollvane/link/PaperSensor.h"
#include "rollvane/link/PrinterIdentity.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/settings/SettingsEncoder.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace rollvane {

namespace {

// Bar positions reached after the item with this code has had its turn.
struct Milestone {
    uint8_t itemCode;
    uint32_t position;
};
constexpr std::array<Milestone, 3> kMilestones = {{{0x18, 25}, {0x27, 50}, {0x72, 75}}};

constexpr uint32_t kStatusReadTimeoutMs = 2000;
constexpr uint32_t kTransferReadTimeoutMs = 30000;

}  // namespace

SettingsTransfer::SettingsTransfer(PrinterLink &link) : link_(link) {}

int SettingsTransfer::ReadConfigByte(int n, uint8_t *value)
{
    return ConfigurationBytes::Read(link_, n, value);
}

bool SettingsTransfer::QueryModelInfo()
{
    uint8_t model[PrinterIdentity::kModelReplySize] = {};
    const auto &modelRequest = PrinterIdentity::kModelRequest;
    if (link_.Send(modelRequest.data(), modelRequest.size()) && link_.Receive(model, sizeof model)) {
        model_.modelCode = PrinterIdentity::ModelCode(model);
    }
    auto query = PrinterIdentity::kFirmwareRequest;
    uint8_t version[PrinterIdentity::kFirmwareReplySize] = {};
    if (link_.SendBulk(query.data(), query.size()) && link_.Receive(version, sizeof version)) {
        PrinterIdentity::FirmwareNumbers(version, &model_.firmwareMajor, &model_.firmwareMinor);
    }
    return model_.supportsUsbSelectType();
}

PrinterErrorCode SettingsTransfer::CheckStatus()
{
    link_.SetReadTimeout(kStatusReadTimeoutMs);
    for (uint32_t attempt = 1; attempt <= 2; ++attempt) {
        link_.progress->SetProgress(30, attempt);
        uint8_t status[PrinterLink::kStatusBufferSize] = {};
        if (link_.QueryStatus(status)) {
            return PrinterLink::IsBusy(status[0]) ? ErrBusy : ErrNone;
        }
    }
    return ErrTimeout;
}

bool SettingsTransfer::SendSetCommand(uint8_t item, uint8_t value)
{
    auto bytes = SetCommand{item, value}.bytes();
    return link_.SendBulk(bytes.data(), static_cast<uint32_t>(bytes.size())) != 0;
}

PrinterErrorCode SettingsTransfer::WriteSettings()
{
    UserInterface &ui = link_.ui();
    link_.progress = ui.OpenProgress();
    link_.progress->SetMessage("Initializing printer...");
    const PrinterErrorCode status = CheckStatus();
    if (status != ErrNone) {
        return status;
    }
    link_.SetReadTimeout(kTransferReadTimeoutMs);
    link_.progress->SetMessage("Change printer setting");
    link_.progress->ResetRange();
    link_.progress->SetProgress(100, 0);

    if (!link_.Send({0x1B, 0x40}) || !link_.Send({0x10})) {
        return ErrTimeout;
    }
    for (int number : SettingsTable::WriteOrder()) {
        const SettingItem &item = SettingsTable::Item(number);
        if (number == SettingsTable::kUsbTypeItem) {
            // The USB item and the font size depend on the printer in hand.
            QueryModelInfo();
        }
        std::string refusal;
        const auto commands = SettingsEncoder::EncodeItem(item, copy_, model_, &refusal);
        if (!refusal.empty()) {
            ui.ShowMessage(refusal, "Error", MessageIcon::Stop);
        }
        for (const auto &command : commands) {
            if (!SendSetCommand(command.item, command.value)) {
                return ErrTimeout;
            }
        }
        for (const auto &milestone : kMilestones) {
            if (milestone.itemCode == item.itemCode) {
                link_.progress->SetProgress(100, milestone.position);
            }
        }
    }
    uint8_t end[2] = {0x1D, 0xFF};
    if (!link_.SendBulk(end, sizeof end)) {
        return ErrTimeout;
    }
    // The printer restarts with the new settings.
    link_.Close();
    link_.WaitSeconds(2);
    link_.progress->SetProgress(100, 100);
    link_.WaitSeconds(1);
    link_.progress.reset();
    return ErrNone;
}

PrinterErrorCode SettingsTransfer::ConfigurationPrintout()
{
    link_.progress = link_.ui().OpenProgress();
    link_.progress->SetMessage("Reinitializing printer...");
    const PrinterErrorCode status = CheckStatus();
    if (status != ErrNone) {
        return status;
    }
    link_.SetReadTimeout(kTransferReadTimeoutMs);
    link_.progress->SetMessage("Printing Configuration Printout");
    link_.progress->ResetRange();
    link_.progress->SetProgress(100, 0);

    if (!link_.Send({0x1B, 0x40}) || !link_.Send({0x10})) {
        return ErrTimeout;
    }
    const PrinterErrorCode paper = PaperSensor::Check(link_, true);
    if (paper != ErrNone) {
        return paper;
    }
    std::vector<uint8_t> title(kTitle, kTitle + std::strlen(kTitle));
    title.push_back(0x00);
    if (!link_.Send({0x1B, 0x45, 0x01}) || !link_.Send(title.data(), static_cast<uint32_t>(title.size())) ||
        !link_.Send({0x1B, 0x45, 0x00}) || !link_.Send({0x0A}) || !link_.Send({0x1F, 0x74})) {
        return ErrTimeout;
    }
    link_.progress->SetProgress(100, 100);
    link_.WaitSeconds(2);
    link_.EndOperation();
    return ErrNone;
}

}  // namespace rollvane
