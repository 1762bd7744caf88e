#include "platform/SerialSettings.h"

#include <cerrno>
#include <utility>

namespace platform {

namespace {

constexpr std::pair<uint32_t, speed_t> kSpeeds[] = {
    {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000},
};

}  // namespace

speed_t SerialSettings::SpeedFor(uint32_t baud)
{
    for (const auto &[rate, speed] : kSpeeds) {
        if (rate == baud) {
            return speed;
        }
    }
    return B0;
}

uint32_t SerialSettings::BaudFor(speed_t speed)
{
    for (const auto &[rate, known] : kSpeeds) {
        if (known == speed) {
            return rate;
        }
    }
    return 0;
}

uint32_t SerialSettings::DtrControl(const Dcb &dcb)
{
    return (dcb.flags & Dcb::kDtrControlMask) >> Dcb::kDtrControlShift;
}

uint32_t SerialSettings::RtsControl(const Dcb &dcb)
{
    return (dcb.flags & Dcb::kRtsControlMask) >> Dcb::kRtsControlShift;
}

bool SerialSettings::ToTermios(const Dcb &dcb, termios *settings, ModemLineRequest *lines, int *error)
{
    const speed_t speed = SpeedFor(dcb.BaudRate);
    if (speed == B0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > Dcb::kParitySpace ||
        dcb.StopBits > Dcb::kStopBitsTwo) {
        *error = EINVAL;
        return false;
    }

    termios t = *settings;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[dcb.ByteSize - 5];

    switch (dcb.Parity) {
    case Dcb::kParityOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Dcb::kParityEven:
        t.c_cflag |= PARENB;
        break;
    case Dcb::kParityMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Dcb::kParitySpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // Received parity errors are only checked when there is a parity bit to check.
    t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
    if ((dcb.flags & Dcb::kParityCheck) && dcb.Parity != Dcb::kParityNone) {
        t.c_iflag |= INPCK;
    }
    // Termios has one and two stop bits; one and a half is the five-bit form of two.
    if (dcb.StopBits != Dcb::kStopBitsOne) {
        t.c_cflag |= CSTOPB;
    }

    if (dcb.flags & Dcb::kXonXoffOutput) {
        t.c_iflag |= IXON;
    }
    if (dcb.flags & Dcb::kXonXoffInput) {
        t.c_iflag |= IXOFF;
    }
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    if ((dcb.flags & Dcb::kCtsOutputFlow) || RtsControl(dcb) == 2) {
        t.c_cflag |= CRTSCTS;
    }

    // Reads are paced by poll(), not by the line discipline.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    *settings = t;

    if (lines) {
        lines->dtrOn = DtrControl(dcb) != 0;
        lines->rtsOn = RtsControl(dcb) != 0;
    }
    return true;
}

void SerialSettings::FromTermios(const termios &t, Dcb *dcb)
{
    dcb->DCBlength = sizeof(Dcb);
    dcb->BaudRate = BaudFor(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5:
        dcb->ByteSize = 5;
        break;
    case CS6:
        dcb->ByteSize = 6;
        break;
    case CS7:
        dcb->ByteSize = 7;
        break;
    default:
        dcb->ByteSize = 8;
        break;
    }
    if (!(t.c_cflag & PARENB)) {
        dcb->Parity = Dcb::kParityNone;
    } else if (t.c_cflag & CMSPAR) {
        dcb->Parity = (t.c_cflag & PARODD) ? Dcb::kParityMark : Dcb::kParitySpace;
    } else {
        dcb->Parity = (t.c_cflag & PARODD) ? Dcb::kParityOdd : Dcb::kParityEven;
    }
    dcb->StopBits = (t.c_cflag & CSTOPB) ? Dcb::kStopBitsTwo : Dcb::kStopBitsOne;

    dcb->flags |= Dcb::kBinary;
    auto setFlag = [dcb](uint32_t flag, bool on) { dcb->flags = on ? (dcb->flags | flag) : (dcb->flags & ~flag); };
    setFlag(Dcb::kXonXoffOutput, t.c_iflag & IXON);
    setFlag(Dcb::kXonXoffInput, t.c_iflag & IXOFF);
    setFlag(Dcb::kCtsOutputFlow, t.c_cflag & CRTSCTS);
    setFlag(Dcb::kParityCheck, t.c_iflag & INPCK);
    dcb->XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb->XoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

}  // namespace platform
