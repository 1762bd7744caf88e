// How fast the printer takes in and lays out the heaviest pages the tool
// sends: a full duty test page and a text page, each ending in a cut.
#include "Bitmap.h"
#include "CommandParser.h"
#include "Faults.h"
#include "PngWriter.h"
#include "Printer.h"
#include "PrinterState.h"

#include <benchmark/benchmark.h>

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

void Run(benchmark::State &st, const std::vector<uint8_t> &page)
{
    PrinterState state;
    Faults faults;
    Printer printer(state, faults, "", "", [](const std::string &) {});
    CommandParser parser(printer);
    for (auto _ : st) {
        parser.Feed(page.data(), page.size());
        benchmark::DoNotOptimize(printer.TakeReplies());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(page.size()));
}

void BM_DutyPage(benchmark::State &st)
{
    Run(st, DutyPage());
}
void BM_TextPage(benchmark::State &st)
{
    Run(st, TextPage());
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
BENCHMARK(BM_PngOfAFullPage);
