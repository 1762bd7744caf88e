// How fast the printer takes in and lays out the heaviest pages the tool
// sends: a full duty test page and a text page, each ending in a cut; what a
// hostile peer sends, random bytes, with the receipts they cut only composed
// or also written out; and the ingest of many short text or picture receipts
// with every one of them written, as a point-of-sale program's day sends them.
#include "Bitmap.h"
#include "CommandParser.h"
#include "Faults.h"
#include "PngWriter.h"
#include "Printer.h"
#include "PrinterState.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> DutyPage()
{
    std::vector<uint8_t> page = {0x1B, 0x40, 0x1F, 0x61, 0x00};
    for (int line = 0; line < 27; ++line) {
        page.insert(page.end(), {0x1B, 0x2A, 0x21, 576 % 256, 576 / 256});
        for (int j = 1; j <= 576; ++j)
            page.insert(page.end(), 3, static_cast<uint8_t>(j % 2 ? 0x55 : 0xAA));
        page.push_back(0x0A);
    }
    page.insert(page.end(), {0x1B, 0x64, 0x06, 0x1B, 0x69});
    return page;
}

std::vector<uint8_t> TextPage()
{
    std::vector<uint8_t> page = {0x1B, 0x40};
    for (int line = 0; line < 27; ++line) {
        for (int k = 0; k < 48; ++k)
            page.push_back(static_cast<uint8_t>(0x20 + (line + k) % 95));
        page.push_back(0x0A);
    }
    page.insert(page.end(), {0x1B, 0x64, 0x06, 0x1B, 0x69});
    return page;
}

void Feed(CommandParser &parser, const std::vector<uint8_t> &page)
{
    // The printer stops a feed after each receipt: the rest is fed on.
    for (size_t at = 0; at < page.size();)
        at += parser.Feed(page.data() + at, page.size() - at);
}

// full: the folder is filled to its limit first, as a printer's that has run
// a while, so that each receipt written is one removed.
void Run(benchmark::State &st, const std::vector<uint8_t> &page, const std::string &outDir = "", size_t keep = 10,
         bool full = false)
{
    PrinterState state;
    Faults faults;
    Printer printer(
        state, faults, outDir, "", [](const std::string &) {}, keep);
    CommandParser parser(printer);
    for (int written = 0; full && written < static_cast<int>(keep); written = printer.receiptsWritten())
        Feed(parser, page);
    printer.Flush();
    for (auto _ : st) {
        Feed(parser, page);
        benchmark::DoNotOptimize(printer.TakeReplies());
        printer.Flush();  // the receipts' writing counts, though it is done on the printer's own thread
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(page.size()));
}

// A fresh folder for the receipts of one benchmark, removed with it.
class OutFolder {
public:
    OutFolder() : path_((std::filesystem::temp_directory_path() / "kova-sim-bench-XXXXXX").string())
    {
        if (!::mkdtemp(path_.data()))
            path_.clear();
    }
    ~OutFolder()
    {
        if (!path_.empty())
            std::filesystem::remove_all(path_);
    }
    OutFolder(const OutFolder &) = delete;
    OutFolder &operator=(const OutFolder &) = delete;
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// The demo receipt a point-of-sale program prints: a heading, four lines, a
// total in emphasis, a feed and a partial cut.
std::vector<uint8_t> ShortTextReceipt()
{
    static constexpr char r[] = "\x1B@\x1B"
                                "a\x01\x1D!\x11KOVA COFFEE HOUSE\n\x1D!\x00\x1B"
                                "a\x00"
                                "12 Harbour Street, Dock 4\n"
                                "Espresso                    2.50\r\n"
                                "Cappuccino x2               7.00\r\n"
                                "Cheese sandwich             4.75\n"
                                "\x1B"
                                "E\x01TOTAL                      14.25\x1B"
                                "E\x00\n"
                                "\x1B"
                                "d\x03\x1DV\x42\x00";
    return std::vector<uint8_t>(r, r + sizeof r - 1);  // not the closing 00
}

// rows x 576 dots of an ordered-dither gradient, as a logo or photo is sent
// with GS v 0, the receipt cut after it.
std::vector<uint8_t> RasterReceipt(int rows)
{
    static constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> r(10);
    const uint8_t head[] = {
        0x1B, 0x40, 0x1D, 0x76, 0x30, 0, 72, 0, static_cast<uint8_t>(rows % 256), static_cast<uint8_t>(rows / 256)};
    std::copy(std::begin(head), std::end(head), r.begin());
    for (int y = 0; y < rows; ++y)
        for (int b = 0; b < 72; ++b) {
            uint8_t v = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = b * 8 + bit;
                const int level = (x + y) * 16 / (576 + rows);
                if (kBayer[y % 4][x % 4] < level)
                    v |= static_cast<uint8_t>(0x80u >> bit);
            }
            r.push_back(v);
        }
    for (const uint8_t b : {0x1B, 0x64, 3, 0x1D, 0x56, 66, 0})
        r.push_back(b);
    return r;
}

std::vector<uint8_t> Repeated(const std::vector<uint8_t> &one, size_t total)
{
    std::vector<uint8_t> all;
    while (all.size() < total)
        all.insert(all.end(), one.begin(), one.end());
    return all;
}

// Short text receipts, each written to the folder, which keeps its default
// thousand: the ingest rate of a demo file sent over the network. Arg 1: the
// folder is full from the start.
void BM_TextReceiptsIngest(benchmark::State &st)
{
    OutFolder out;
    Run(st, Repeated(ShortTextReceipt(), 1u << 20), out.path(), 1000, st.range(0) != 0);
}

// Receipts of a 576 x 400 picture each, written to the folder.
void BM_RasterReceiptsIngest(benchmark::State &st)
{
    OutFolder out;
    Run(st, Repeated(RasterReceipt(400), 8u << 20), out.path(), 1000, st.range(0) != 0);
}

// One receipt of 576 x n dots, taken in, laid out and written: the time
// should grow with n and no faster.
void BM_RasterReceiptWritten(benchmark::State &st)
{
    OutFolder out;
    Run(st, RasterReceipt(static_cast<int>(st.range(0))), out.path(), 10);
}

// What a hostile or broken peer sends: random bytes (no end-of-settings, which
// would restart the printer on purpose). Receipts are composed, not written.
std::vector<uint8_t> Noise(size_t size)
{
    std::mt19937 random(1234);
    std::vector<uint8_t> noise(size);
    for (auto &b : noise) {
        b = static_cast<uint8_t>(random());
        if (b == 0x1D)
            b = 0x1C;
    }
    return noise;
}

void BM_DutyPage(benchmark::State &st)
{
    Run(st, DutyPage());
}
void BM_TextPage(benchmark::State &st)
{
    Run(st, TextPage());
}

void BM_Noise(benchmark::State &st)
{
    Run(st, Noise(4u << 20));
}

// Some fifty receipts a megabyte, each picture packed and written with its
// bytes; the folder keeps ten.
void BM_NoiseWrittenOut(benchmark::State &st)
{
    std::string dir = (std::filesystem::temp_directory_path() / "kova-sim-bench-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        st.SkipWithError("no temporary folder");
        return;
    }
    Run(st, Noise(1u << 20), dir);
    std::filesystem::remove_all(dir);
}

void BM_PngOfAFullPage(benchmark::State &st)
{
    Bitmap page(576, 1000);
    for (int y = 0; y < 1000; ++y)
        for (int x = y % 2; x < 576; x += 2)
            page.Set(x, y);
    for (auto _ : st)
        benchmark::DoNotOptimize(PngWriter::Encode(page, 1000));
}

}  // namespace

BENCHMARK(BM_DutyPage);
BENCHMARK(BM_TextPage);
BENCHMARK(BM_Noise);
BENCHMARK(BM_NoiseWrittenOut)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngOfAFullPage);
// Two threads take part: the time is the wall clock's.
BENCHMARK(BM_TextReceiptsIngest)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RasterReceiptsIngest)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RasterReceiptWritten)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->UseRealTime();
