#include "platform/SerialSettings.h"

#include <gtest/gtest.h>

using platform::Dcb;
using platform::ModemLineRequest;
using platform::SerialSettings;

namespace {

Dcb baseDcb()
{
    Dcb dcb{};
    dcb.DCBlength = sizeof(Dcb);
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = QLNK_PARITY_NONE;
    dcb.StopBits = QLNK_STOPBITS_ONE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.flags = QLNK_DCB_BINARY | (1u << QLNK_DCB_DTR_CONTROL_SHIFT) | (1u << QLNK_DCB_RTS_CONTROL_SHIFT);
    return dcb;
}

termios translated(const Dcb &dcb, ModemLineRequest *lines = nullptr)
{
    termios t{};
    EXPECT_EQ(SerialSettings::toTermios(dcb, &t, lines), 0);
    return t;
}

}  // namespace

TEST(SerialSettings, SpeedByteSizeAndStopBits)
{
    Dcb dcb = baseDcb();
    dcb.BaudRate = 4800;
    dcb.ByteSize = 7;
    dcb.StopBits = QLNK_STOPBITS_TWO;
    termios t = translated(dcb);
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
        {QLNK_PARITY_NONE, 0},
        {QLNK_PARITY_ODD, PARENB | PARODD},
        {QLNK_PARITY_EVEN, PARENB},
        {QLNK_PARITY_MARK, PARENB | PARODD | CMSPAR},
        {QLNK_PARITY_SPACE, PARENB | CMSPAR},
    };
    for (const auto &c : cases) {
        Dcb dcb = baseDcb();
        dcb.Parity = c.parity;
        dcb.flags |= QLNK_DCB_PARITY_CHECK;
        termios t = translated(dcb);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.bits) << int(c.parity);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parity != QLNK_PARITY_NONE) << int(c.parity);
        Dcb back = baseDcb();
        SerialSettings::fromTermios(t, &back);
        EXPECT_EQ(back.Parity, c.parity);
    }
}

TEST(SerialSettings, XonXoffFlowAndCharacters)
{
    Dcb dcb = baseDcb();
    dcb.flags |= QLNK_DCB_XONXOFF_OUTPUT | QLNK_DCB_XONXOFF_INPUT;
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x23;
    termios t = translated(dcb);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 0x21);
    EXPECT_EQ(t.c_cc[VSTOP], 0x23);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);

    Dcb plain = baseDcb();
    plain.flags |= QLNK_DCB_DSR_OUTPUT_FLOW;
    termios p = translated(plain);
    EXPECT_FALSE(p.c_iflag & (IXON | IXOFF));
}

TEST(SerialSettings, ModemLinesFollowTheControlFields)
{
    ModemLineRequest lines;
    Dcb dcb = baseDcb();
    translated(dcb, &lines);
    EXPECT_TRUE(lines.dtrOn);
    EXPECT_TRUE(lines.rtsOn);
    dcb.flags &= ~(QLNK_DCB_DTR_CONTROL_MASK | QLNK_DCB_RTS_CONTROL_MASK);
    translated(dcb, &lines);
    EXPECT_FALSE(lines.dtrOn);
    EXPECT_FALSE(lines.rtsOn);
    dcb.flags |= 2u << QLNK_DCB_RTS_CONTROL_SHIFT;
    termios t = translated(dcb, &lines);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
}

TEST(SerialSettings, RefusesWhatTheLineCannotTake)
{
    termios t{};
    Dcb dcb = baseDcb();
    dcb.BaudRate = 12345;
    EXPECT_EQ(SerialSettings::toTermios(dcb, &t, nullptr), EINVAL);
    dcb = baseDcb();
    dcb.ByteSize = 9;
    EXPECT_EQ(SerialSettings::toTermios(dcb, &t, nullptr), EINVAL);
    dcb = baseDcb();
    dcb.Parity = 5;
    EXPECT_EQ(SerialSettings::toTermios(dcb, &t, nullptr), EINVAL);
    dcb = baseDcb();
    dcb.StopBits = 3;
    EXPECT_EQ(SerialSettings::toTermios(dcb, &t, nullptr), EINVAL);
}
