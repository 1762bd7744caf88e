#pragma once

// The graphics layer: the "Define Bit Images" page and the picture codecs behind it.
// Error convention of the layer: the codecs return their result codes (RasterImage: 0, 106,
// 109, 206, 207) with a problem text; the page's button handlers report 1 when they did their
// work and 0 when they stopped, and every failure reaches the person as a UserInterface
// message box (with the link's or the codec's cause where there is one). Nothing throws.

#include "rollvane/graphics/RasterImage.h"

#include <array>
#include <cstdint>
#include <string>

namespace rollvane {

class PrinterLink;
struct InterfaceSettings;

// The "Define Bit Images" page without its widgets: three file rows (Bitmap ID, file, and
// whether and how to convert it), the print ID, and the handlers of Browse, Clear File Path,
// Download and "Print the Selected BMP". A view moves its widgets' texts into the rows before
// each handler and back after it.
class BitImagePage {
public:
    static constexpr int kRows = 3;
    static constexpr int kIdCount = 256;
    static constexpr std::array<const char *, 3> kAlignments = {"Left", "Center", "Right"};
    static constexpr std::size_t kConvertedBlock = 256;
    static constexpr std::size_t kFileBlock = 4096;

    struct Row {
        std::string idText;  // the Bitmap ID list's text
        std::string path;    // the read-only file field
        bool manipulate = false;
        std::string widthText = "0";
        int alignment = 0;  // 0 Left, 1 Center, 2 Right, -1 none selected
    };

    BitImagePage(PrinterLink &link, InterfaceSettings &interface);

    // Row k, 1 to 3.
    Row &row(int k) { return rows_.at(static_cast<std::size_t>(k - 1)); }
    const Row &row(int k) const { return rows_.at(static_cast<std::size_t>(k - 1)); }
    std::string printIdText;

    // What the printer reported at the last Download ("80mm" or "58mm", "Size1" or "Size2");
    // Browse checks files against them.
    const std::string &paperWidth() const { return paperWidth_; }
    const std::string &fontSize() const { return fontSize_; }
    void SetPaper(const std::string &paperWidth, const std::string &fontSize);
    // The print area and font mode a conversion uses, from paperWidth and fontSize.
    int32_t maxWidth() const;
    int32_t fontMode() const;

    // An ID list's text as shown: a number 0 to 255 selects its entry ("007" shows "7").
    static std::string ShownIdText(const std::string &text);

    // Buttons. Each reports 1 when it did its work and 0 when it stopped at a message.
    int Browse(int k);
    // "Prepare...": a picture of any kind made into a 1-bit BMP that fits the paper, saved where
    // the person chooses and put into row k.
    int Prepare(int k);
    void ClearFilePaths();
    int Download();
    int PrintSelected();

    // The check Browse makes of a chosen file: a 1-bit BMP that fits the paper. Shows the
    // refusal; 1 when the file passes.
    int CheckFile(const std::string &content);
    // Why a file cannot be used, or "" when it can: the same check without a message box, for
    // the CLI and the views.
    std::string FileProblem(const std::string &content) const;
    // The same check for a paper and font given, without a page.
    static std::string FileProblem(const std::string &content, const std::string &paperWidth,
                                   const std::string &fontSize);
    // The widest 1-bit file the printer takes unconverted for a paper ("80mm", "58mm") and font
    // ("Size1", "Size2"); 0 for any other.
    static int32_t FileWidthLimit(const std::string &paperWidth, const std::string &fontSize);

    // The image row k would leave in the printer, made into image as Download makes it:
    // converted at the row's width and alignment, or an unconverted file dot for dot from the
    // left edge. "" when made, else why not, for a person. Sends nothing.
    std::string Preview(int k, RasterImage &image) const;

    RasterImage &converter() { return converter_; }

private:
    // A converted row's width: under 10 (or not a number) means the whole print area.
    int32_t ConvertedWidth(const Row &r) const;
    std::string WidthProblem(const Row &r) const;
    int DownloadFiles();
    bool SendConverted(int id);
    // 1 sent, 0 failed (reported), -1 the file could not be read (reported).
    int SendFile(const std::string &path, int id);
    void ShowError(const std::string &text, const std::string &cause = std::string());

    PrinterLink &link_;
    InterfaceSettings &interface_;
    RasterImage converter_;
    std::array<Row, kRows> rows_;
    std::string paperWidth_ = "80mm";
    std::string fontSize_ = "Size1";
};

}  // namespace rollvane
