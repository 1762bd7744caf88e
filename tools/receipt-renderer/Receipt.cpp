#include "Receipt.h"

#include "Font.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Packs count dots of a row (MSB first), each repeated times over, into out:
// a character or picture printed wider.
void Widen(const uint8_t *bits, int count, int times, uint8_t *out)
{
    std::memset(out, 0, (static_cast<size_t>(count) * times + 7) / 8);
    for (int i = 0; i < count; ++i) {
        if (!(bits[i / 8] & (0x80u >> (i % 8))))
            continue;
        for (int k = i * times; k < (i + 1) * times; ++k)
            out[k / 8] |= static_cast<uint8_t>(0x80u >> (k % 8));
    }
}

}  // namespace

Receipt::Receipt(int width, int lineSpacing, uint8_t codePage)
    : width_(width), defaultSpacing_(lineSpacing), lineSpacing_(lineSpacing), defaultCodePage_(codePage),
      codePage_(codePage), front_(width, kMaxPanelHeight), back_(width, kMaxPanelHeight), strip_(width, kStripHeight)
{}

void Receipt::Initialize()
{
    style_ = TextStyle{};
    justify_ = 0;
    lineSpacing_ = defaultSpacing_;
    spacingSet_ = false;
    codePage_ = defaultCodePage_;
    strip_.Clear();
    lineX_ = 0;
    lineHeight_ = 0;
    lineContent_ = false;
    lineImage_ = false;
    lineText_ = false;
}

void Receipt::FinishLine()
{
    if (lineContent_)
        LineFeed();
}

void Receipt::Advance(int dots)
{
    cursor() = std::min(cursor() + std::max(dots, 0), kMaxPanelHeight);
}

bool Receipt::PrintLine()
{
    if (!lineContent_)
        return false;
    const int offset = justify_ == 1 ? (width_ - lineX_) / 2 : justify_ == 2 ? width_ - lineX_ : 0;
    panel().Blit(strip_, kStripHeight - lineHeight_, lineHeight_, std::max(offset, 0), cursor());
    panel().EnsureHeight(cursor() + lineHeight_);
    strip_.Clear();
    lineX_ = 0;
    lineContent_ = false;
    lineImage_ = false;
    lineText_ = false;
    touched_ = true;
    return true;
}

int Receipt::FedAfterLine() const
{
    // Bit-image lines under the configured pitch feed their own height, so that
    // line after line of them joins without a white row; a spacing set by
    // ESC 3 is kept.
    if (lineImage_ && !lineText_ && !spacingSet_)
        return lineHeight_;
    return std::max(lineHeight_, lineSpacing_);
}

void Receipt::MarkCell(int x, int w, int h)
{
    lineContent_ = true;
    lineX_ = std::min(x + w, width_);
    lineHeight_ = std::max(lineHeight_, std::min(h, kStripHeight));
}

void Receipt::Text(uint8_t c)
{
    const int w = Font::kWidth * style_.widthMul;
    const int h = Font::kHeight * style_.heightMul;
    if (lineX_ + w > width_)
        LineFeed();  // the line is full: it prints and the character starts the next one
    const int x0 = lineX_;
    const int y0 = kStripHeight - h;
    const uint16_t *glyph = Font::Glyph(c, codePage_);
    uint8_t packed[2];
    uint8_t wide[Font::kWidth];  // twelve dots up to eight times as wide
    for (int gy = 0; gy < Font::kHeight && !full(); ++gy) {
        uint32_t bits = glyph[gy];
        if (style_.emphasis)
            bits |= bits >> 1;
        if (style_.underline > 0 && gy >= 22 - style_.underline && gy < 22)
            bits = 0xFFF;
        if (style_.reverse)
            bits = ~bits & 0xFFF;
        if (bits == 0)
            continue;
        packed[0] = static_cast<uint8_t>(bits >> 4);
        packed[1] = static_cast<uint8_t>(bits << 4);
        const uint8_t *row = packed;
        if (style_.widthMul > 1) {
            Widen(packed, Font::kWidth, style_.widthMul, wide);
            row = wide;
        }
        for (int dy = 0; dy < style_.heightMul; ++dy)
            strip_.OrBits(x0, y0 + gy * style_.heightMul + dy, row, w);
    }
    MarkCell(x0, w, h);
    lineText_ = true;
}

void Receipt::Tab()
{
    const int step = Font::kWidth * 8;
    const int next = (lineX_ / step + 1) * step;
    if (next < width_) {
        lineX_ = next;
        lineContent_ = true;
    }
}

void Receipt::SetPosition(int x)
{
    if (x >= 0 && x < width_)
        lineX_ = x;
}

void Receipt::BitImageColumns(uint8_t mode, std::span<const uint8_t> data, int columns)
{
    const int perColumn = (mode & 0x20) ? 3 : 1;
    const int colWidth = (mode & 0x01) ? 1 : 2;
    const int rowsPerDot = perColumn == 3 ? 1 : 3;  // 8-dot modes: a third of the vertical density
    const int h = perColumn * 8 * rowsPerDot;
    const int y0 = kStripHeight - h;
    const bool draw = !full();
    int x = lineX_;
    for (int c = 0; c < columns && x < width_; ++c, x += colWidth) {
        for (int k = 0; k < perColumn && draw; ++k) {
            const size_t at = static_cast<size_t>(c) * perColumn + k;
            if (at >= data.size())
                break;
            for (int bit = 0; bit < 8; ++bit) {
                if (!(data[at] & (0x80u >> bit)))
                    continue;
                const int y = y0 + (k * 8 + bit) * rowsPerDot;
                for (int dy = 0; dy < rowsPerDot; ++dy)
                    for (int dx = 0; dx < colWidth; ++dx)
                        strip_.Set(x + dx, y + dy);
            }
        }
    }
    MarkCell(lineX_, x - lineX_, h);
    lineImage_ = true;
}

void Receipt::LineFeed()
{
    const int fed = FedAfterLine();
    if (PrintLine())
        Advance(fed);
    else
        Advance(lineSpacing_);
    lineHeight_ = 0;
}

void Receipt::FeedDots(int dots)
{
    const int height = lineHeight_;
    if (PrintLine())
        Advance(std::max(height, dots));
    else
        Advance(dots);
    lineHeight_ = 0;
}

void Receipt::FeedLines(int lines)
{
    const int height = lineHeight_;
    const int fed = FedAfterLine();
    if (PrintLine()) {
        Advance(lines == 0 ? height : fed + (lines - 1) * lineSpacing_);
    } else {
        Advance(lines * lineSpacing_);
    }
    lineHeight_ = 0;
}

void Receipt::Image(const Bitmap &picture, int widthMul, int heightMul)
{
    DrawRows(picture.rows().data(), static_cast<size_t>(picture.stride()), picture.width(), picture.height(), widthMul,
             heightMul);
}

void Receipt::Raster(const uint8_t *rows, size_t widthBytes, int height, int widthMul, int heightMul)
{
    const int width = static_cast<int>(std::min<size_t>(widthBytes * 8, static_cast<size_t>(width_)));
    const size_t shownBytes = (static_cast<size_t>(width) + 7) / 8;
    int last = height - 1;
    while (last >= 0) {
        const uint8_t *row = rows + static_cast<size_t>(last) * widthBytes;
        if (std::any_of(row, row + shownBytes, [](uint8_t b) { return b != 0; }))
            break;
        --last;
    }
    DrawRows(rows, widthBytes, width, last + 1, widthMul, heightMul);
}

void Receipt::DrawRows(const uint8_t *rows, size_t stride, int width, int height, int widthMul, int heightMul)
{
    if (lineContent_)
        LineFeed();
    Bitmap &p = panel();
    const int top = cursor();
    const int room = width_ - width * widthMul;
    const int left = room <= 0 ? 0 : justify_ == 1 ? room / 2 : justify_ == 2 ? room : 0;
    // Only the dots that land on the paper are drawn, a row at a time.
    const int shown = std::min(width, (width_ - left + widthMul - 1) / widthMul);
    std::vector<uint8_t> wide(widthMul > 1 ? (static_cast<size_t>(shown) * widthMul + 7) / 8 : 0);
    const int visible = std::clamp((p.maxHeight() - top + heightMul - 1) / heightMul, 0, height);
    for (int y = 0; y < visible; ++y) {
        const uint8_t *row = rows + static_cast<size_t>(y) * stride;
        if (std::all_of(row, row + (shown + 7) / 8, [](uint8_t b) { return b == 0; }))
            continue;
        if (widthMul > 1) {
            Widen(row, shown, widthMul, wide.data());
            row = wide.data();
        }
        for (int dy = 0; dy < heightMul; ++dy)
            p.OrBits(left, top + y * heightMul + dy, row, shown * widthMul);
    }
    p.EnsureHeight(top + height * heightMul);
    Advance(height * heightMul);
    touched_ = true;
}

void Receipt::SelectSide(int side)
{
    if (lineContent_)
        LineFeed();
    side_ = side & 1;
    if (side_ == 1)
        backUsed_ = true;
}

void Receipt::Rule()
{
    if (lineContent_)
        LineFeed();
    const int y = cursor() + lineSpacing_ / 2;
    for (int x = 0; x < width_; ++x)
        if ((x / 6) % 2 == 0)
            panel().Set(x, y);
    Advance(lineSpacing_);
    touched_ = true;
}

int Receipt::Compose(Bitmap &out)
{
    if (lineContent_)
        LineFeed();
    const int frontHeight = std::max(cursor_[0], front_.height());
    int height = frontHeight;
    out.Clear();
    out.Blit(front_, 0, front_.height(), 0, 0);
    if (backUsed_) {
        // The back side follows below a band with a dashed line across it.
        const int band = 24;
        for (int x = 0; x < width_; x += 2)
            out.Set(x, frontHeight + band / 2);
        out.Blit(back_, 0, back_.height(), 0, frontHeight + band);
        height = frontHeight + band + std::max(cursor_[1], back_.height());
    }
    height = std::max(height, 1);
    out.EnsureHeight(height);
    return std::min(height, out.maxHeight());
}
