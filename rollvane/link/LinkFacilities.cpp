#include "rollvane/link/LinkFacilities.h"

#include "platform/DeviceFile.h"
#include "platform/LibUsbBus.h"
#include "platform/UdevUsbDirectory.h"
#include "rollvane/link/OrnUsbStandIn.h"
#include "rollvane/link/SerialPortLine.h"

namespace rollvane {

LinkFacilities LinkFacilities::Real()
{
    LinkFacilities facilities;
    facilities.openSerial = &SerialPortLine::Open;
    facilities.openParallel = [](const std::string &path, int *error) -> std::unique_ptr<platform::OverlappedDevice> {
        return platform::DeviceFile::Open(path, platform::DeviceFile::Kind::ParallelPort, error);
    };
    facilities.openPrinterClass = [](const std::string &path,
                                     int *error) -> std::unique_ptr<platform::OverlappedDevice> {
        return platform::DeviceFile::Open(path, platform::DeviceFile::Kind::PrinterClass, error);
    };
    facilities.usbBus = std::make_shared<platform::LibUsbBus>();
    facilities.usbDirectory = std::make_shared<platform::UdevUsbDirectory>();
    facilities.ornUsb = std::make_unique<OrnUsbStandIn>(facilities.usbBus);
    facilities.trace = std::make_shared<platform::TraceLog>("rollvane");
    facilities.trace->EnableFromEnvironment("ROLLVANE_TRACE");
    return facilities;
}

}  // namespace rollvane
