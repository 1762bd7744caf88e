#include "platform/SerialSettings.h"

#include <cerrno>
#include <gtest/gtest.h>

using platform::Dcb;
using platform::ModemLineRequest;
using platform::SerialSettings;

namespace {

Dcb BaseDcb()
{
    Dcb dcb{};
    dcb.DCBlength = sizeof(Dcb);
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = platform::Dcb::kParityNone;
    dcb.StopBits = platform::Dcb::kStopBitsOne;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.flags =
        platform::Dcb::kBinary | (1u << platform::Dcb::kDtrControlShift) | (1u << platform::Dcb::kRtsControlShift);
    return dcb;
}

termios Translated(const Dcb &dcb, ModemLineRequest *lines = nullptr)
{
    termios t{};
    int error = 0;
    EXPECT_TRUE(SerialSettings::ToTermios(dcb, &t, lines, &error));
    return t;
}

}  // namespace

TEST(SerialSettings, SpeedByteSizeAndStopBits)
{
    Dcb dcb = BaseDcb();
    dcb.BaudRate = 4800;
    dcb.ByteSize = 7;
    dcb.StopBits = platform::Dcb::kStopBitsTwo;
    termios t = Translated(dcb);
    EXPECT_EQ(cfgetospeed(&t), B4800);
    EXPECT_EQ(cfgetispeed(&t), B4800);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
}

TEST(SerialSettings, EveryParityCode)
{
    struct Case {
        uint8_t parity;
        tcflag_t bits;
    } cases[] = {
        {platform::Dcb::kParityNone, 0},
        {platform::Dcb::kParityOdd, PARENB | PARODD},
        {platform::Dcb::kParityEven, PARENB},
        {platform::Dcb::kParityMark, PARENB | PARODD | CMSPAR},
        {platform::Dcb::kParitySpace, PARENB | CMSPAR},
    };
    for (const auto &c : cases) {
        Dcb dcb = BaseDcb();
        dcb.Parity = c.parity;
        dcb.flags |= platform::Dcb::kParityCheck;
        termios t = Translated(dcb);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.bits) << int(c.parity);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parity != platform::Dcb::kParityNone) << int(c.parity);
        Dcb back = BaseDcb();
        SerialSettings::FromTermios(t, &back);
        EXPECT_EQ(back.Parity, c.parity);
    }
}

TEST(SerialSettings, XonXoffFlowAndCharacters)
{
    Dcb dcb = BaseDcb();
    dcb.flags |= platform::Dcb::kXonXoffOutput | platform::Dcb::kXonXoffInput;
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x23;
    termios t = Translated(dcb);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 0x21);
    EXPECT_EQ(t.c_cc[VSTOP], 0x23);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);

    Dcb plain = BaseDcb();
    plain.flags |= platform::Dcb::kDsrOutputFlow;
    termios p = Translated(plain);
    EXPECT_FALSE(p.c_iflag & (IXON | IXOFF));
}

TEST(SerialSettings, ModemLinesFollowTheControlFields)
{
    ModemLineRequest lines;
    Dcb dcb = BaseDcb();
    Translated(dcb, &lines);
    EXPECT_TRUE(lines.dtrOn);
    EXPECT_TRUE(lines.rtsOn);
    dcb.flags &= ~(platform::Dcb::kDtrControlMask | platform::Dcb::kRtsControlMask);
    Translated(dcb, &lines);
    EXPECT_FALSE(lines.dtrOn);
    EXPECT_FALSE(lines.rtsOn);
    dcb.flags |= 2u << platform::Dcb::kRtsControlShift;
    termios t = Translated(dcb, &lines);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
}

TEST(SerialSettings, RefusesWhatTheLineCannotTake)
{
    termios t{};
    int error = 0;
    Dcb dcb = BaseDcb();
    dcb.BaudRate = 12345;
    EXPECT_FALSE(SerialSettings::ToTermios(dcb, &t, nullptr, &error));
    EXPECT_EQ(error, EINVAL);
    dcb = BaseDcb();
    dcb.ByteSize = 9;
    EXPECT_FALSE(SerialSettings::ToTermios(dcb, &t, nullptr, &error));
    EXPECT_EQ(error, EINVAL);
    dcb = BaseDcb();
    dcb.Parity = 5;
    EXPECT_FALSE(SerialSettings::ToTermios(dcb, &t, nullptr, &error));
    EXPECT_EQ(error, EINVAL);
    dcb = BaseDcb();
    dcb.StopBits = 3;
    EXPECT_FALSE(SerialSettings::ToTermios(dcb, &t, nullptr, &error));
    EXPECT_EQ(error, EINVAL);
}
