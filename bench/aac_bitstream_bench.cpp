// The AAC bitstream side's hot paths: spectralBits, which the encoder's
// quantisation loop calls for every band and candidate book many times a
// frame, and chooseBooks and icsBits over a whole frame. Bands of 16 lines
// with values typical of each book's range.

#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/afconvert/aac/FrameWriter.h"
#include "platform/afconvert/aac/HuffmanCoding.h"

namespace {

using namespace sondrel::afconvert::aac;

// 64 bands of 16 lines with magnitudes up to `largest`, a third of them zero.
std::vector<int16_t> bands(int largest) {
    std::vector<int16_t> values(64 * 16);
    uint32_t seed = 12345;
    for (int16_t& v : values) {
        seed = seed * 1664525u + 1013904223u;
        const int magnitude = int((seed >> 8) % uint32_t(largest + 1));
        v = int16_t((seed >> 4) % 3 == 0 ? 0 : (seed & 1) ? magnitude : -magnitude);
    }
    return values;
}

void SpectralBitsBand16(benchmark::State& state) {
    const int book = int(state.range(0));
    const std::vector<int16_t> values = bands(book == 11 ? 40 : bookLargestValue(book));
    size_t band = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(spectralBits(book, values.data() + band * 16, 16));
        band = (band + 1) & 63;
    }
}
BENCHMARK(SpectralBitsBand16)->DenseRange(1, 11);

IcsFrame longFrame() {
    IcsFrame f;
    f.maxBands = 49;
    const std::vector<int16_t> values = bands(20);
    for (int i = 0; i < 1024; ++i)
        f.quantized[size_t(i)] = int16_t(values[size_t(i)] >> (i / 128));
    for (int b = 0; b < 49; ++b)
        f.scalefactor[size_t(b)] = int16_t(100 + b % 5);
    return f;
}

void ChooseBooksLongFrame(benchmark::State& state) {
    IcsFrame f = longFrame();
    for (auto _ : state)
        benchmark::DoNotOptimize(chooseBooks(f, 4));
}
BENCHMARK(ChooseBooksLongFrame);

void IcsBitsLongFrame(benchmark::State& state) {
    IcsFrame f = longFrame();
    chooseBooks(f, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(icsBits(f, 4, true));
}
BENCHMARK(IcsBitsLongFrame);

} // namespace

BENCHMARK_MAIN();
