// What a printer answers, from the fuzz input: the status byte, the configuration words, the
// model and firmware replies and the paper sensor, split short, garbled or flooding, while the
// settings page loads the printer, writes the settings and prints the configuration. Nothing
// may crash, a load that succeeded read every word it showed, and every action ends with the
// progress window closed and the link closed.
//
// The first byte chooses the action; the rest is the reply stream, handed out in pieces whose
// sizes come from the stream itself.
#include "platform/VirtualClock.h"
#include "rollvane/link/PrinterLink.h"
#include "rollvane/link/SerialLine.h"
#include "rollvane/settings/SettingsPage.h"
#include "rollvane/settings/SettingsTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class ReplyLine final : public rollvane::SerialLine {
public:
    ReplyLine(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    bool GetState(platform::Dcb *dcb, int *) override
    {
        *dcb = platform::Dcb{};
        return true;
    }
    bool SetState(const platform::Dcb &, int *) override { return true; }
    platform::CommTimeouts timeouts() const override { return timeouts_; }
    bool SetTimeouts(const platform::CommTimeouts &timeouts) override
    {
        timeouts_ = timeouts;
        return true;
    }
    bool Read(uint8_t *buffer, std::size_t length, std::size_t *received, int *) override
    {
        // Nothing left is the printer falling silent: the read limit runs out at once.
        *received = std::min(length, size_ - at_);
        std::memcpy(buffer, data_ + at_, *received);
        at_ += *received;
        return true;
    }
    bool Write(const uint8_t *, std::size_t length, std::size_t *written, int *) override
    {
        *written = length;
        return true;
    }
    bool PurgeReceive() override { return true; }

private:
    const uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
    platform::CommTimeouts timeouts_{};
};

class NoProgress final : public rollvane::ProgressWindow {
protected:
    void ShowMessage(const std::string &) override {}
    void ShowRange(uint32_t) override {}
    void ShowPosition(uint32_t) override {}
};

class NoPerson final : public rollvane::UserInterface {
public:
    using UserInterface::ShowMessage;
    void ShowMessage(const std::string &, const std::string &, rollvane::MessageIcon, const std::string &) override {}
    bool Confirm(const std::string &, const std::string &) override { return true; }
    std::optional<std::string> ChooseOpenFile(const rollvane::FileChoice &) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const rollvane::FileChoice &) override { return std::nullopt; }
    std::unique_ptr<rollvane::ProgressWindow> OpenProgress() override { return std::make_unique<NoProgress>(); }
    void RunInterfaceProperties() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const uint8_t action = data[0] % 3;
    NoPerson person;
    platform::VirtualClock clock;
    rollvane::LinkFacilities facilities;
    facilities.openSerial = [data, size](const std::string &, int *) -> std::unique_ptr<rollvane::SerialLine> {
        return std::make_unique<ReplyLine>(data + 1, size - 1);
    };
    rollvane::PrinterLink link(person, clock, std::move(facilities));
    link.linkType = rollvane::LinkSerial;
    link.flowControl = "Xon/Xoff";
    rollvane::InterfaceSettings interface;
    interface.portText = "COM3";
    interface.baudRate = 115200;
    interface.parityText = "NONE";
    interface.dataBits = 8;
    interface.stopBits = 1;
    rollvane::SettingsPage page(link, interface);

    switch (action) {
    case 0:
        if (page.LoadFromPrinter() && !page.hasPrinterReport()) {
            std::abort();
        }
        break;
    case 1:
        page.SetListText(25, "Disabled");
        page.SetListText(24, "58 mm");
        page.ApplySettings();
        break;
    default:
        if (link.Open("COM3")) {
            link.Configure(interface);
            page.ReportPrinterError(page.transfer().ConfigurationPrintout());
        }
        break;
    }
    if (link.progress || (action != 1 && link.isOpen())) {
        std::abort();
    }
    return 0;
}
