#pragma once

// The printouts layer: the "Demo Print" page and the command-text translator behind it.
// Error convention of the layer: the translator reports a syntax error in its result and
// yields no bytes; the page's handler reports 1 when it sent the receipt and 0 when it stopped,
// and every failure reaches the person as a UserInterface message box (with the link's cause
// where there is one). Nothing throws.

#include <cstdint>
#include <string>
#include <vector>

namespace rollvane {

class PrinterLink;
struct InterfaceSettings;

// The "Demo Print" page without its widgets: three buttons, each printing the receipt kept in
// Demo1.txt, Demo2.txt or Demo3.txt as command text.
class DemoPage {
public:
    static constexpr int kPatterns = 3;

    DemoPage(PrinterLink &link, InterfaceSettings &interface);

    // Where the demo files are; the current folder unless set.
    std::string folder = ".";

    // "DemoN.txt".
    static std::string FileName(int pattern);
    // The printer bytes of pattern n's file into *bytes; 0 after the file's message (missing,
    // unreadable). A syntax error gives no bytes and no message.
    int Translate(int pattern, std::vector<uint8_t> *bytes);
    // "Print Demo Pattern N": translate the file, check the printer, send the bytes as one block.
    int PrintDemoPattern(int pattern);

    // What the last PrintDemoPattern read and sent.
    std::size_t fileLength() const { return fileLength_; }
    std::size_t dataLength() const { return data_.size(); }

private:
    PrinterLink &link_;
    InterfaceSettings &interface_;
    std::size_t fileLength_ = 0;
    std::vector<uint8_t> data_;
};

}  // namespace rollvane
