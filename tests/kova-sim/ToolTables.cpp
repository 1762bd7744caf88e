#include "ToolTables.h"

namespace {

using Values = std::vector<std::pair<std::string, std::vector<std::pair<uint8_t, uint8_t>>>>;

Values Simple(uint8_t code, std::initializer_list<const char *> texts)
{
    Values v;
    uint8_t value = 0;
    for (const char *t : texts)
        v.push_back({t, {{code, value++}}});
    return v;
}

void Put(std::map<std::string, std::string> &out, const std::string &item, unsigned v,
         std::initializer_list<const char *> texts)
{
    if (v < texts.size())
        out[item] = *(texts.begin() + v);
}

}  // namespace

const std::vector<ToolTables::Write> &ToolTables::Writes()
{
    static const std::vector<Write> table = [] {
        std::vector<Write> t;
        t.push_back({"Comtype", Simple(0x10, {"RS232/USB", "RS232", "USB"})});
        t.push_back({"Baudrate", Simple(0x11, {"115200", "57600", "38400", "19200", "9600"})});
        t.push_back({"Databits", Simple(0x12, {"8", "7"})});
        t.push_back({"Stopbits", Simple(0x13, {"1", "2"})});
        t.push_back({"Paritybit", Simple(0x14, {"NONE", "EVEN", "ODD"})});
        t.push_back({"FlowCtrl", Simple(0x15, {"Xon/Xoff", "DTR/DSR"})});
        t.push_back({"ReceptErr", Simple(0x16, {"Ignore Errors", "Print '?'"})});
        t.push_back({"ReceiveBuf", Simple(0x17, {"4 kBytes", "One Line"})});
        t.push_back({"CTScontrol", Simple(0x6D, {"Disabled", "Enabled"})});
        t.push_back({"USBtype",
                     {{"Vendor Spec. Class/Auto Select Type", {{0x68, 1}}},
                      {"Printer Class/Auto Select Type", {{0x68, 2}}},
                      {"Vendor Spec. Class/Fixed Type", {{0x68, 3}}},
                      {"Printer Class/Fixed Type", {{0x68, 4}}},
                      {"USB COM/Fixed Type", {{0x68, 5}}}}});
        t.push_back({"DefaultLPI", Simple(0x21, {"8.13 LPI", "7.52 LPI", "6 LPI"})});
        t.push_back({"CReturn", Simple(0x22, {"Ignore CR", "Use as Print cmd."})});
        t.push_back({"Paralleltype", Simple(0x69, {"OPOS driver", "Windows driver"})});
        t.push_back({"Readytiming", Simple(0x6A, {"Timing1", "Timing2"})});
        t.push_back({"DBCSFont", Simple(0x70, {"INVALID/SIZE 1", "INVALID/SIZE 2", "VALID/SIZE 1", "VALID/SIZE 2"})});
        t.push_back({"Printmode", Simple(0x71, {"VALID", "INVALID"})});
        t.push_back({"Rsync", Simple(0x25, {"Enabled", "Disabled"})});
        t.push_back({"PDFMax", Simple(0x27, {"9 Columns", "14 Columns"})});
        t.push_back({"PrintDensity", Simple(0x30, {"100%", "110%", "120%"})});
        t.push_back({"MaxPower", Simple(0x36, {"55 W", "75 W"})});
        t.push_back({"PLSensor", Simple(0x31, {"Enabled", "Disabled"})});
        t.push_back({"PaperWidth", Simple(0x32, {"80 mm", "58 mm"})});
        t.push_back({"Knife", Simple(0x33, {"Enabled", "Disabled"})});
        t.push_back({"Drawertype", Simple(0x6B, {"Type1", "Type2"})});
        t.push_back({"DrawerBits", Simple(0x6C, {"2Bits Assign", "1Bit Assign"})});
        t.push_back({"ColorPaper", Simple(0x37, {"Monochrome", "Color Paper"})});
        t.push_back({"ThermalMode", Simple(0x60, {"Single Side", "DS wt Single", "DS wt Double", "DS wt Pre-def Back",
                                                  "DS wt On-demand Pre-def Back"})});
        t.push_back({"DefaultCP",
                     {{"437", {{0x40, 0x00}}},
                      {"850", {{0x40, 0x01}}},
                      {"852", {{0x40, 0x02}}},
                      {"858", {{0x40, 0x03}}},
                      {"860", {{0x40, 0x04}}},
                      {"863", {{0x40, 0x06}}},
                      {"865", {{0x40, 0x08}}},
                      {"866", {{0x40, 0x09}}},
                      {"1252", {{0x40, 0x0B}}},
                      {"857", {{0x40, 0x0F}}},
                      {"1253", {{0x40, 0x10}}},
                      {"1254", {{0x40, 0x11}}}}});
        t.push_back(
            {"FrontBackUpdown", Simple(0x61, {"Normal/Normal", "Updown/Normal", "Normal/Updown", "Updown/Updown"})});
        t.push_back({"BottomTopMsg",
                     Simple(0x63, {"Disabled/Disabled", "Enabled/Disabled", "Disabled/Enabled", "Enabled/Enabled"})});
        t.push_back({"Swapside", Simple(0x62, {"Not Swap", "Swap Side"})});
        t.push_back({"MinReceiptlength",
                     {{"Disabled", {{0x64, 0x00}, {0x65, 0x00}}},
                      {"5 Inch", {{0x64, 0xF7}, {0x65, 0x03}}},
                      {"10 Inch", {{0x64, 0xEE}, {0x65, 0x07}}},
                      {"15 Inch", {{0x64, 0xE5}, {0x65, 0x0B}}}}});
        t.push_back({"ReprintMsg", Simple(0x67, {"Disabled", "Enabled"})});
        t.push_back({"ReprintErrorpage", Simple(0x66, {"OFF", "ON"})});
        t.push_back({"AddtionalFeed", Simple(0x72, {"Disable", "3mm", "6mm", "9mm", "12mm", "15mm", "18mm", "21mm"})});
        return t;
    }();
    return table;
}

std::map<std::string, std::string> ToolTables::Decode(const std::array<uint8_t, 32> &b)
{
    std::map<std::string, std::string> o;
    Put(o, "Comtype", b[1], {"RS232", "USB", "RS232/USB"});
    Put(o, "Baudrate", b[2] & 7, {"115200", "57600", "38400", "19200", "9600"});
    Put(o, "Databits", (b[2] >> 4) & 1, {"8", "7"});
    Put(o, "Stopbits", (b[2] >> 5) & 1, {"1", "2"});
    Put(o, "Paritybit", (b[2] >> 6) & 3, {"NONE", "EVEN", "ODD"});
    Put(o, "FlowCtrl", b[3] & 1, {"Xon/Xoff", "DTR/DSR"});
    Put(o, "ReceptErr", (b[3] >> 2) & 1, {"Ignore Errors", "Print '?'"});
    Put(o, "ReceiveBuf", (b[3] >> 3) & 1, {"4 kBytes", "One Line"});
    Put(o, "DefaultLPI", b[4] & 3, {"8.13 LPI", "7.52 LPI", "6 LPI", "7.52 LPI"});
    Put(o, "Rsync", (b[4] >> 2) & 1, {"Enabled", "Disabled"});
    Put(o, "CReturn", (b[4] >> 3) & 1, {"Ignore CR", "Use as Print cmd."});
    Put(o, "PrintDensity", b[5] & 3, {"100%", "110%", "120%"});
    Put(o, "MaxPower", (b[5] >> 2) & 1, {"55 W", "75 W"});
    Put(o, "PaperWidth", (b[5] >> 3) & 1, {"80 mm", "58 mm"});
    Put(o, "ColorPaper", (b[5] >> 4) & 1, {"Monochrome", "Color Paper"});
    Put(o, "Knife", (b[5] >> 5) & 1, {"Enabled", "Disabled"});
    Put(o, "PLSensor", (b[5] >> 6) & 1, {"Enabled", "Disabled"});
    static const std::map<uint8_t, const char *> pages = {
        {0x00, "437"}, {0x10, "850"}, {0x20, "852"},  {0x30, "858"}, {0x40, "860"},  {0x60, "863"},
        {0x80, "865"}, {0x90, "866"}, {0xB0, "1252"}, {0xF0, "857"}, {0x01, "1253"}, {0x11, "1254"}};
    if (pages.count(b[6]))
        o["DefaultCP"] = pages.at(b[6]);
    Put(o, "PDFMax", (b[7] >> 6) & 1, {"9 Columns", "14 Columns"});
    Put(o, "DBCSFont", b[10] & 3, {"INVALID/SIZE 1", "INVALID/SIZE 2", "VALID/SIZE 1", "VALID/SIZE 2"});
    Put(o, "Printmode", b[11] & 1, {"VALID", "INVALID"});
    Put(o, "Drawertype", b[13] & 1, {"Type1", "Type2"});
    Put(o, "DrawerBits", (b[13] >> 4) & 1, {"2Bits Assign", "1Bit Assign"});
    Put(o, "CTScontrol", b[14] & 1, {"Disabled", "Enabled"});
    Put(o, "AddtionalFeed", b[15], {"Disable", "3mm", "6mm", "9mm", "12mm", "15mm", "18mm", "21mm"});
    const unsigned thermal = b[26] & 3;
    if (thermal == 0)
        o["ThermalMode"] = (b[31] & 1) ? "DS wt On-demand Pre-def Back" : "Single Side";
    else
        Put(o, "ThermalMode", thermal, {"", "DS wt Single", "DS wt Double", "DS wt Pre-def Back"});
    Put(o, "FrontBackUpdown", (b[26] >> 2) & 3, {"Normal/Normal", "Updown/Normal", "Normal/Updown", "Updown/Updown"});
    Put(o, "BottomTopMsg", (b[26] >> 4) & 3,
        {"Disabled/Disabled", "Enabled/Disabled", "Disabled/Enabled", "Enabled/Enabled"});
    Put(o, "Swapside", (b[26] >> 6) & 1, {"Not Swap", "Swap Side"});
    Put(o, "ReprintErrorpage", (b[26] >> 7) & 1, {"OFF", "ON"});
    const unsigned length = b[27] + 256u * b[28];
    if (length == 0)
        o["MinReceiptlength"] = "Disabled";
    else
        Put(o, "MinReceiptlength", length / 1015, {"5 Inch", "5 Inch", "10 Inch", "15 Inch"});
    static const std::map<uint8_t, const char *> usb = {{0x01, "Vendor Spec. Class/Auto Select Type"},
                                                        {0x02, "Printer Class/Auto Select Type"},
                                                        {0x09, "Vendor Spec. Class/Fixed Type"},
                                                        {0x0A, "Printer Class/Fixed Type"},
                                                        {0x0B, "USB COM/Fixed Type"}};
    if (usb.count(b[29] & 0x0B))
        o["USBtype"] = usb.at(b[29] & 0x0B);
    Put(o, "ReprintMsg", b[30] & 1, {"Disabled", "Enabled"});
    Put(o, "Paralleltype", b[9] & 1, {"OPOS driver", "Windows driver"});
    Put(o, "Readytiming", b[12] & 1, {"Timing1", "Timing2"});
    return o;
}
