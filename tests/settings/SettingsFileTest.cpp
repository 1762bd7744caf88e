// The settings text file, byte for byte and as read back.
#include "rollvane/settings/SettingsFile.h"

#include <gtest/gtest.h>

namespace rollvane {
namespace {

const char kAllEmpty[] = "[Properties settings]:\r\n\r\n\r\n"
                         "Comtype   = \r\n"
                         "Baudrate  = \r\n"
                         "Paritybit  = \r\n"
                         "Databits   = \r\n"
                         "Stopbits  = \r\n"
                         "FlowCtrl =  \r\n"
                         "ReceptErr  = \r\n"
                         "ReceiveBuf = \r\n"
                         "DSRsignal  = \r\n"
                         "CTScontrol = \r\n"
                         "USUmessage = \r\n"
                         "USBtype =  \r\n"
                         "Paralleltype= \r\n"
                         "Readytiming = \r\n"
                         "DBCSFont =  \r\n"
                         "Printmode =  \r\n"
                         "DefaultLPI = \r\n"
                         "CReturn =  \r\n"
                         "Rsync =  \r\n"
                         "PDFMax = \r\n"
                         "PrintDensity= \r\n"
                         "MaxPower =  \r\n"
                         "PLSensor = \r\n"
                         "PaperWidth  = \r\n"
                         "Knife   = \r\n"
                         "ColorPaper =  \r\n"
                         "DefaultCP  = \r\n"
                         "Drawertype  = \r\n"
                         "DrawerBits  = \r\n"
                         "ThermalMode  = \r\n"
                         "FrontBackUpdown  = \r\n"
                         "Swapside   = \r\n"
                         "BottomTopMsg   = \r\n"
                         "ReprintMsg     = \r\n"
                         "MinReceiptlength = \r\n"
                         "ReprintErrorpage=  \r\n"
                         "AddtionalFeed=  \r\n";

PrinterSettings Sample()
{
    const char *texts[] = {"RS232",
                           "4800",
                           "EVEN",
                           "8",
                           "2",
                           "DTR/DSR",
                           "Print '?'",
                           "One Line",
                           "Disabled",
                           "Enabled",
                           "Enabled",
                           "Printer Class",
                           "Windows driver",
                           "Timing2",
                           "VALID/SIZE 2",
                           "INVALID",
                           "6 LPI",
                           "Use as Print cmd.",
                           "Disabled",
                           "14 Columns",
                           "120%",
                           "75 W",
                           "Disabled",
                           "58 mm",
                           "Disabled",
                           "Color Paper",
                           "949/54936(China)",
                           "Type2",
                           "1Bit Assign",
                           "DS wt On-demand Pre-def Back",
                           "Updown/Updown",
                           "Swap Side",
                           "Enabled/Enabled",
                           "Enabled",
                           "15 Inch",
                           "ON",
                           "21mm",
                           "Fixed Type"};
    PrinterSettings settings;
    for (int n = 1; n <= 38; ++n) {
        settings.text(n) = texts[n - 1];
    }
    return settings;
}

TEST(SettingsFileFormat, AllEmptyByteForByte)
{
    EXPECT_EQ(SettingsFile::Format(PrinterSettings{}), kAllEmpty);
}

TEST(SettingsFileFormat, FilledByteForByte)
{
    const char expected[] = "[Properties settings]:\r\n\r\n\r\n"
                            "Comtype   =RS232 \r\n"
                            "Baudrate  =4800 \r\n"
                            "Paritybit  =EVEN \r\n"
                            "Databits   =8 \r\n"
                            "Stopbits  =2 \r\n"
                            "FlowCtrl = DTR/DSR \r\n"
                            "ReceptErr  =Print '?' \r\n"
                            "ReceiveBuf =One Line \r\n"
                            "DSRsignal  =Disabled \r\n"
                            "CTScontrol =Enabled \r\n"
                            "USUmessage =Enabled \r\n"
                            "USBtype = Printer Class \r\n"
                            "Paralleltype=Windows driver \r\n"
                            "Readytiming =Timing2 \r\n"
                            "DBCSFont = VALID/SIZE 2 \r\n"
                            "Printmode = INVALID \r\n"
                            "DefaultLPI =6 LPI \r\n"
                            "CReturn = Use as Print cmd. \r\n"
                            "Rsync = Disabled \r\n"
                            "PDFMax =14 Columns \r\n"
                            "PrintDensity=120% \r\n"
                            "MaxPower = 75 W \r\n"
                            "PLSensor =Disabled \r\n"
                            "PaperWidth  =58 mm \r\n"
                            "Knife   =Disabled \r\n"
                            "ColorPaper = Color Paper \r\n"
                            "DefaultCP  =949/54936(China) \r\n"
                            "Drawertype  =Type2 \r\n"
                            "DrawerBits  =1Bit Assign \r\n"
                            "ThermalMode  =DS wt On-demand Pre-def Back \r\n"
                            "FrontBackUpdown  =Updown/Updown \r\n"
                            "Swapside   =Swap Side \r\n"
                            "BottomTopMsg   =Enabled/Enabled \r\n"
                            "ReprintMsg     =Enabled \r\n"
                            "MinReceiptlength =15 Inch \r\n"
                            "ReprintErrorpage= ON \r\n"
                            "AddtionalFeed= 21mm \r\n";
    EXPECT_EQ(SettingsFile::Format(Sample()), expected);
}

TEST(SettingsFileRead, RoundTrips)
{
    PrinterSettings read = Sample();
    SettingsFile::Parse(kAllEmpty, read);
    PrinterSettings empty;
    empty.text(38) = "Fixed Type";  // not stored, kept
    EXPECT_EQ(read, empty);

    PrinterSettings full;
    SettingsFile::Parse(SettingsFile::Format(Sample()), full);
    PrinterSettings expected = Sample();
    expected.text(38).clear();
    EXPECT_EQ(full, expected);
}

TEST(SettingsFileRead, OnlyKnife)
{
    PrinterSettings settings = Sample();
    SettingsFile::Parse("[Properties settings]:\r\nKnife=Disabled\r\n", settings);
    for (int n = 1; n <= 37; ++n) {
        EXPECT_EQ(settings.text(n), n == 25 ? "Disabled" : "") << n;
    }
    EXPECT_EQ(settings.text(38), "Fixed Type");
}

TEST(SettingsFileRead, KeysWithoutCaseAndBlanksAroundEquals)
{
    PrinterSettings settings;
    SettingsFile::Parse("[properties SETTINGS]\n  knife   =   Disabled   \nBAUDRATE=4800\nknife=Enabled\n", settings);
    EXPECT_EQ(settings.text(25), "Disabled");  // the first line of a key counts
    EXPECT_EQ(settings.text(2), "4800");
}

TEST(SettingsFileRead, FileWithoutTheSection)
{
    PrinterSettings settings = Sample();
    SettingsFile::Parse("Knife=Disabled\r\n[Other]\r\nKnife=Enabled\r\n", settings);
    for (int n = 1; n <= 37; ++n) {
        EXPECT_EQ(settings.text(n), "") << n;
    }
    EXPECT_EQ(settings.text(38), "Fixed Type");
}

TEST(SettingsFileRead, LongValuesAreCut)
{
    PrinterSettings settings;
    SettingsFile::Parse("[Properties settings]\nKnife=" + std::string(400, 'x') + "\n", settings);
    EXPECT_EQ(settings.text(25), std::string(259, 'x'));
}

}  // namespace
}  // namespace rollvane
