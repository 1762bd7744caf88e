// How fast a demo file becomes printer bytes: 10 MiB of receipts as people write them, with
// initialise and alignment commands, hexadecimal and decimal numbers, quoted item lines and
// comments, CR LF line ends. The output vector is reused, as a page reuses its buffer.
#include "rollvane/printouts/ParseCommandText.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string DemoText(std::size_t size)
{
    constexpr std::string_view kHeader = "; Demo receipt -- header\r\n"
                                         "ESC \"@\"                 ; initialise\r\n"
                                         "ESC \"a\" 1               ; centre\r\n"
                                         "0x1D \"!\" 0x11           ; double size\r\n"
                                         "\"KOVA COFFEE HOUSE\" 0x0A\r\n"
                                         "0x1D \"!\" 0 ESC \"a\" 0\r\n"
                                         "\"12 Harbour Street, Dock 4\" 10\r\n";
    constexpr std::string_view kItems[] = {
        "\"Espresso                    2.50\" 0x0D 0x0A\r\n",
        "\"Cappuccino x2               7.00\" 13 10\r\n",
        "\"Cheese sandwich             4.75\" 0x0A ; toasted\r\n",
        "ESC \"E\" 1 \"Special of the day\" ESC \"E\" 0 0x0A\r\n",
        "\"Sparkling water 0.5 l       1.90\" 0x0A\r\n",
    };
    constexpr std::string_view kFooter = "\"--------------------------------\" 0x0A\r\n"
                                         "ESC \"E\" 1 \"TOTAL                      16.15\" ESC \"E\" 0 0x0A\r\n"
                                         "ESC \"d\" 3               ; feed three lines\r\n"
                                         "0x1D 0x56 66 0           ; partial cut\r\n"
                                         "\r\n";
    std::string text;
    text.reserve(size + 1024);
    uint32_t random = 12345;
    while (text.size() < size) {
        text += kHeader;
        random = random * 1103515245u + 12345u;
        for (uint32_t n = 4 + (random >> 16) % 8; n > 0; --n) {
            random = random * 1103515245u + 12345u;
            text += kItems[(random >> 16) % std::size(kItems)];
        }
        text += kFooter;
    }
    text.resize(size);
    return text;
}

void Translate(benchmark::State &state)
{
    const std::string text = DemoText(10 * 1024 * 1024);
    std::vector<uint8_t> output;
    for (auto _ : state) {
        if (!rollvane::ParseCommandText(text, output).ok) {
            state.SkipWithError("the demo text did not translate");
            break;
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["output_bytes"] = static_cast<double>(output.size());
}

}  // namespace

BENCHMARK(Translate)->Unit(benchmark::kMillisecond);
