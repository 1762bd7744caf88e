// How fast the printer takes in and lays out the heaviest pages the tool
// sends: a full duty test page and a text page, each ending in a cut; and
// what a hostile peer sends, random bytes, with the receipts they cut only
// composed or also written out.
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

void Run(benchmark::State &st, const std::vector<uint8_t> &page, const std::string &outDir = "")
{
    PrinterState state;
    Faults faults;
    Printer printer(
        state, faults, outDir, "", [](const std::string &) {}, 10);
    CommandParser parser(printer);
    for (auto _ : st) {
        // The printer stops a feed after each receipt: the rest is fed on.
        for (size_t at = 0; at < page.size();)
            at += parser.Feed(page.data() + at, page.size() - at);
        benchmark::DoNotOptimize(printer.TakeReplies());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(page.size()));
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
BENCHMARK(BM_NoiseWrittenOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOfAFullPage);
