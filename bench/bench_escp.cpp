// SPDX-License-Identifier: Apache-2.0
// Encoder benchmarks: a whole A4 page through the printer object (SetPage
// and Page) at 180 x 180 and 360 x 360 dpi for a text-like and a dense
// page, and dithering an A4 grey page; the 360 x 360 text page also with
// the debug log written; both pages with each column path of the encoder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "escp/BandColumns.h"
#include "escp/OrvESCP.h"
#include "printer/DotMatrixPrinter.h"
#include "ruzolog/ruzolog.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kPins = 24;

// An A4 page's printable area at a resolution, in pixels.
struct PageSize {
    int width;
    int height;
    int bytesPerLine;
};

// Printable A4 area (8 x 11.1 inches).
PageSize A4At(int dpi)
{
    const int width = 8 * dpi;
    return {width, dpi * 111 / 10, (width + 7) / 8};
}

// Sets pixel x of row y of a one-bit page.
void Ink(std::vector<unsigned char>& bits, const PageSize& size, int x, int y)
{
    bits[static_cast<std::size_t>(y) * size.bytesPerLine + x / 8] |=
        static_cast<unsigned char>(0x80 >> (x % 8));
}

// Lines of glyph-sized blobs grouped into words, inside half-inch margins,
// six lines per inch, with short last lines and blank paragraph gaps.
std::vector<unsigned char> TextPage(const PageSize& size, int dpi)
{
    std::vector<unsigned char> bits(static_cast<std::size_t>(size.bytesPerLine) * size.height, 0);
    std::mt19937 random(7);
    const int margin = dpi / 2;
    const int lineHeight = dpi / 6;
    const int glyphHeight = dpi / 10;
    const int glyphWidth = dpi / 14;
    for (int top = margin; top + lineHeight < size.height - margin; top += lineHeight) {
        if (random() % 8 == 0) {
            continue;  // paragraph gap
        }
        const int lineEnd = random() % 5 == 0 ? size.width / 2 : size.width - margin;
        int x = margin;
        while (x + glyphWidth < lineEnd) {
            const int letters = 2 + static_cast<int>(random() % 8);
            for (int i = 0; i < letters && x + glyphWidth < lineEnd; ++i) {
                const int ascent = static_cast<int>(random() % (glyphHeight / 3));
                for (int y = top + ascent; y < top + glyphHeight; ++y) {
                    for (int dx = 1; dx < glyphWidth - 1; ++dx) {
                        if ((dx + y) % 3 != 0) {
                            Ink(bits, size, x + dx, y);
                        }
                    }
                }
                x += glyphWidth;
            }
            x += glyphWidth;  // space between words
        }
    }
    return bits;
}

// Random bytes: about half of the dots inked.
std::vector<unsigned char> DensePage(const PageSize& size)
{
    std::vector<unsigned char> bits(static_cast<std::size_t>(size.bytesPerLine) * size.height);
    std::mt19937 random(11);
    for (unsigned char& b : bits) {
        b = static_cast<unsigned char>(random());
    }
    return bits;
}

// A grey page: a diagonal ramp with some noise.
std::vector<unsigned char> GreyPage(const PageSize& size)
{
    std::vector<unsigned char> grey(static_cast<std::size_t>(size.width) * size.height);
    std::mt19937 random(13);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const int ramp = (x + y) * 255 / (size.width + size.height);
            const int value = ramp + static_cast<int>(random() % 17) - 8;
            grey[static_cast<std::size_t>(y) * size.width + x] =
                static_cast<unsigned char>(value < 0     ? 0
                                           : value > 255 ? 255
                                                         : value);
        }
    }
    return grey;
}

// Encodes the page through a fresh printer object per iteration.
void EncodePage(benchmark::State& state, const std::vector<unsigned char>& bits,
                const PageSize& size, int dpi)
{
    std::vector<unsigned char> body;
    for (auto _ : state) {
        DotMatrixPrinter printer(kPins, dpi, dpi);
        printer.SetPage(bits.data(), size.bytesPerLine, size.width, size.height);
        printer.Page(body);
        benchmark::DoNotOptimize(body.data());
    }
    state.counters["body_bytes"] = static_cast<double>(body.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bits.size()));
}

void BM_EncodeTextPage(benchmark::State& state)
{
    const int dpi = static_cast<int>(state.range(0));
    const PageSize size = A4At(dpi);
    EncodePage(state, TextPage(size, dpi), size, dpi);
}

void BM_EncodeDensePage(benchmark::State& state)
{
    const int dpi = static_cast<int>(state.range(0));
    const PageSize size = A4At(dpi);
    EncodePage(state, DensePage(size), size, dpi);
}

// The text and dense pages with each column path of the encoder (0
// portable, 1 SSE2, 2 AVX2), where the machine has it.
void BM_EncodePageByPath(benchmark::State& state)
{
    const int dpi = static_cast<int>(state.range(0));
    const bool dense = state.range(1) != 0;
    const auto path = static_cast<BandColumns::Path>(state.range(2));
    const BandColumns::Path saved = BandColumns::CurrentPath();
    if (!BandColumns::UsePath(path)) {
        state.SkipWithError("this machine cannot take the path");
        return;
    }
    const PageSize size = A4At(dpi);
    EncodePage(state, dense ? DensePage(size) : TextPage(size, dpi), size, dpi);
    BandColumns::UsePath(saved);
}

void BM_DitherGreyPage(benchmark::State& state)
{
    const int dpi = static_cast<int>(state.range(0));
    const auto pattern = static_cast<OrvESCP::Halfton>(state.range(1));
    const PageSize size = A4At(dpi);
    const std::vector<unsigned char> grey = GreyPage(size);
    std::vector<unsigned char> bits(static_cast<std::size_t>(size.width) * size.height);
    for (auto _ : state) {
        std::fill(bits.begin(), bits.end(), 0);
        OrvESCP::Gray2DotMatrix(grey.data(), size.width, size.width, size.height, bits, pattern);
        benchmark::DoNotOptimize(bits.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(grey.size()));
}

// The text page at 360 x 360 with the logging manager started, so every
// debug line of the encoder is written (and synced) to a log file, as in a
// filter run. BM_EncodeTextPage/360 is the same page with every line refused.
void BM_EncodeTextPageLogged(benchmark::State& state)
{
    const int dpi = static_cast<int>(state.range(0));
    const PageSize size = A4At(dpi);
    const std::vector<unsigned char> bits = TextPage(size, dpi);

    const testsupport::TempDir dir;
    if (dir.Path().empty()) {
        state.SkipWithError("cannot make a log folder");
        return;
    }
    ruzolog::IRuzologManager& logs = ruzolog::IRuzologManager::getRef();
    logs.setLoggerPath(RUZOLOG_MAIN_LOGGER_ID, dir.Path().c_str());
    logs.setLoggerName(RUZOLOG_MAIN_LOGGER_ID, "bench");
    // A stopped manager leaves its loggers disabled; this function runs
    // several times.
    logs.enableLogger(RUZOLOG_MAIN_LOGGER_ID, true);
    logs.start();
    const std::uint64_t recordsBefore = logs.getStatusTotalWriteCount();
    EncodePage(state, bits, size, dpi);
    state.counters["log_records_per_page"] =
        static_cast<double>(logs.getStatusTotalWriteCount() - recordsBefore) /
        static_cast<double>(state.iterations());
    logs.stop();
}

BENCHMARK(BM_EncodeTextPage)->Arg(180)->Arg(360)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTextPageLogged)->Arg(360)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeDensePage)->Arg(180)->Arg(360)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePageByPath)
    ->ArgsProduct({{180, 360}, {0, 1}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherGreyPage)
    ->Args({180, OrvESCP::HalftonAuto})
    ->Args({360, OrvESCP::HalftonAuto})
    ->Args({360, OrvESCP::HalftonSupercell})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
