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
    void setJustify(int mode) { justify_ = mode < 0 || mode > 2 ? 0 : mode; }
    void setLineSpacing(int dots) { lineSpacing_ = dots; }
    void setCodePage(uint8_t page) { codePage_ = page; }
    void resetLineSpacing() { lineSpacing_ = defaultSpacing_; }
    void initialize();  // attributes back to defaults; the unprinted line is dropped
    void finishLine();  // prints the line being composed, if there is one

    void text(uint8_t c);
    void tab();
    void setPosition(int x);
    void bitImageColumns(uint8_t mode, std::span<const uint8_t> data, int columns);
    void lineFeed();
    void feedDots(int dots);
    void feedLines(int lines);
    void image(const Bitmap &picture, int widthMul, int heightMul);
    void selectSide(int side);
    void rule();  // a dashed line across the paper

    // Prints what is left in the line and lays both panels out one above the
    // other; returns the height of the picture in the bitmap.
    int compose(Bitmap &out);

private:
    Bitmap &panel() { return side_ == 0 ? front_ : back_; }
    int &cursor() { return cursor_[side_]; }
    bool printLine();  // false when the line was empty
    void advance(int dots);
    void markCell(int x, int w, int h);

    int width_;
    int defaultSpacing_;
    int lineSpacing_;
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
    int justify_ = 0;
    bool touched_ = false;
    TextStyle style_;
};
