#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <span>

// The paper of one receipt while it is being printed: a front and a back
// panel, each with its own feed position, and the line being composed.
// Characters and bit-image columns gather in the line until it is printed by
// a feed, so that a line can be justified and mixed heights share a baseline.
class Receipt {
public:
    static constexpr int kMaxPanelHeight = 20000;
    static constexpr int kStripHeight = 24 * 8;

    struct TextStyle {
        bool emphasis = false;
        int underline = 0;  // dots, 0 to 2
        int widthMul = 1;
        int heightMul = 1;
        bool reverse = false;
    };

    Receipt(int width, int lineSpacing, uint8_t codePage);

    int width() const { return width_; }
    bool touched() const { return touched_; }

    TextStyle &style() { return style_; }
    void SetJustify(int mode) { justify_ = mode < 0 || mode > 2 ? 0 : mode; }
    void SetLineSpacing(int dots)
    {
        lineSpacing_ = dots;
        spacingSet_ = true;
    }
    void SetCodePage(uint8_t page) { codePage_ = page; }
    void ResetLineSpacing()
    {
        lineSpacing_ = defaultSpacing_;
        spacingSet_ = false;
    }
    void Initialize();  // attributes back to defaults; the unprinted line is dropped
    void FinishLine();  // prints the line being composed, if there is one

    void Text(uint8_t c);
    void Tab();
    void SetPosition(int x);
    // ESC * m: 24-dot modes (bit 5 of m) draw 3 bytes a column dot for dot,
    // 8-dot modes stretch each dot to 3 rows; single density (bit 0 clear)
    // doubles each column's width.
    void BitImageColumns(uint8_t mode, std::span<const uint8_t> data, int columns);
    void LineFeed();
    void FeedDots(int dots);
    void FeedLines(int lines);
    void Image(const Bitmap &picture, int widthMul, int heightMul);
    // A raster picture: height rows of widthBytes bytes, MSB on the left. It
    // ends at its last row with a dot in it; dots past the paper never print.
    void Raster(const uint8_t *rows, size_t widthBytes, int height, int widthMul, int heightMul);
    void SelectSide(int side);
    void Rule();  // a dashed line across the paper

    // Prints what is left in the line and lays both panels out one above the
    // other; returns the height of the picture in the bitmap.
    int Compose(Bitmap &out);

private:
    Bitmap &panel() { return side_ == 0 ? front_ : back_; }
    // The side's paper is used up: what is drawn on it now never shows, so
    // it is laid out but not drawn.
    bool full() const { return cursor_[side_] >= kMaxPanelHeight; }
    int &cursor() { return cursor_[side_]; }
    bool PrintLine();  // false when the line was empty
    void Advance(int dots);
    void MarkCell(int x, int w, int h);
    int FedAfterLine() const;  // the advance of a line feed that prints the line
    // Draws a picture's packed rows at the feed position, justified, and feeds past them.
    void DrawRows(const uint8_t *rows, size_t stride, int width, int height, int widthMul, int heightMul);

    int width_;
    int defaultSpacing_;
    int lineSpacing_;
    bool spacingSet_ = false;  // ESC 3 in force rather than the configured pitch
    uint8_t defaultCodePage_;
    uint8_t codePage_;
    Bitmap front_;
    Bitmap back_;
    Bitmap strip_;
    int cursor_[2] = {0, 0};
    int side_ = 0;
    bool backUsed_ = false;
    int lineX_ = 0;
    int lineHeight_ = 0;
    bool lineContent_ = false;
    bool lineImage_ = false;  // bit-image columns in the line
    bool lineText_ = false;   // characters in the line
    int justify_ = 0;
    bool touched_ = false;
    TextStyle style_;
};
