#pragma once

#include "rollvane/link/PrinterErrorCode.h"
#include "rollvane/settings/PrinterModelInfo.h"
#include "rollvane/settings/SettingsCopy.h"

#include <cstdint>

namespace rollvane {

class PrinterLink;

// The settings sequences on an open and configured link: reading configuration bytes and
// the model, writing the settings copy, and the configuration printout. Holds the copy the
// write reads and the model info of the last successful query.
class SettingsTransfer {
public:
    explicit SettingsTransfer(PrinterLink &link);

    // Configuration byte n (1 to 31); 0 when a send or the reply failed.
    int ReadConfigByte(int n, uint8_t *value);
    // Model code and firmware version; a failed exchange leaves its fields as they were.
    // Returns supportsUsbSelectType of the fields as they then stand.
    bool QueryModelInfo();
    // Writes copy() item by item; ErrNone, ErrTimeout or ErrBusy.
    PrinterErrorCode WriteSettings();
    // Title line and the printer's own configuration printout.
    PrinterErrorCode ConfigurationPrintout();

    SettingsCopy &copy() { return copy_; }
    PrinterModelInfo &model() { return model_; }
    const PrinterModelInfo &model() const { return model_; }

    static constexpr const char *kTitle = "KOVA-AXX Rollvane Ver 2.28";

private:
    // The status check of the sequences: two attempts on a bar of range 30.
    PrinterErrorCode CheckStatus();
    bool SendSetCommand(uint8_t item, uint8_t value);

    PrinterLink &link_;
    SettingsCopy copy_;
    PrinterModelInfo model_;
};

}  // namespace rollvane
