#pragma once

#include "platform/OverlappedDevice.h"
#include "platform/TraceLog.h"
#include "platform/UsbBus.h"
#include "platform/UsbDirectory.h"
#include "rollvane/link/OrnUsbDriver.h"
#include "rollvane/link/SerialLine.h"

#include <functional>
#include <memory>
#include <string>

namespace rollvane {

// The platform facilities a PrinterLink reaches its transports through. Real() gives the
// machine's own, with the trace that ROLLVANE_TRACE switches on; tests replace the ones that
// have no device here.
struct LinkFacilities {
    using SerialOpener = std::function<std::unique_ptr<SerialLine>(const std::string &path, int *error)>;
    using DeviceOpener =
        std::function<std::unique_ptr<platform::OverlappedDevice>(const std::string &path, int *error)>;

    SerialOpener openSerial;
    DeviceOpener openParallel;
    DeviceOpener openPrinterClass;
    // The printer-class status request goes to the USB device behind the node.
    std::shared_ptr<platform::UsbBus> usbBus;
    std::shared_ptr<platform::UsbDirectory> usbDirectory;
    std::unique_ptr<OrnUsbDriver> ornUsb;
    // File name of the communication library, loaded at each network operation.
    std::string qlnkLibrary = "libqlnk.so.1";
    // The program's trace; the link makes one that is off when none is given.
    std::shared_ptr<platform::TraceLog> trace;

    static LinkFacilities Real();
};

}  // namespace rollvane
