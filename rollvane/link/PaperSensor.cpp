#include "rollvane/link/PaperSensor.h"

#include "rollvane/link/LinkCommands.h"
#include "rollvane/link/PrinterLink.h"

namespace rollvane {

PrinterErrorCode PaperSensor::Evaluate(uint8_t reply, bool checkCover)
{
    if (reply & LinkCommands::kPaperOutBit) {
        return ErrPaperOut;
    }
    if (reply & LinkCommands::kKnifeJamBit) {
        return ErrKnifeJam;
    }
    if (checkCover && (reply & LinkCommands::kCoverOpenBit)) {
        return ErrCoverOpen;
    }
    return ErrNone;
}

PrinterErrorCode PaperSensor::Check(PrinterLink &link, bool checkCover)
{
    if (!link.Send(LinkCommands::kPaperSensorRequest.data(), LinkCommands::kPaperSensorRequest.size())) {
        return ErrTimeout;
    }
    uint8_t reply = 0;
    if (!link.Receive(&reply, 1)) {
        return ErrTimeout;
    }
    return Evaluate(reply, checkCover);
}

}  // namespace rollvane
