#include "platform/afconvert/aac/FrameWriter.h"

#include <cstdlib>
#include <vector>

#include "platform/afconvert/aac/SpectralCoding.h"
#include "platform/afconvert/aac/TestStreams.h"

namespace sondrel::afconvert::aac::testing {
namespace {

constexpr int k44100 = 4;

size_t slot(int group, int band) {
    return size_t(group * kMaxLongBands + band);
}

// A deterministic frame of varied bands: some zero, most small, a few large
// enough to need escapes, scale factors wandering around 110; books chosen.
IcsFrame makeFrame(uint32_t seed, WindowSequence sequence, WindowShape shape, int maxBands,
                   std::vector<uint8_t> groups = {1}, int frequencyIndex = k44100) {
    IcsFrame f;
    f.sequence = sequence;
    f.shape = shape;
    f.maxBands = maxBands;
    f.groupCount = int(groups.size());
    std::copy(groups.begin(), groups.end(), f.groupLength.begin());
    const bool isShort = sequence == WindowSequence::EightShort;
    const auto offsets =
        isShort ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int window = 0;
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = 0; b < maxBands; ++b) {
            f.scalefactor[slot(g, b)] = int16_t(105 + next() % 11);
            const uint32_t kind = next() % 8;
            const int largest = kind == 0  ? 0
                                : kind < 6 ? 1 + int(next() % 6)
                                           : 20 + int(next() % 200);
            for (int w = window; w < window + f.groupLength[size_t(g)]; ++w)
                for (int i = offsets[size_t(b)]; i < offsets[size_t(b + 1)]; ++i)
                    if (largest > 0 && next() % 3)
                        f.quantized[size_t(w * kShortLines + i)] =
                            int16_t(int(next() % uint32_t(2 * largest + 1)) - largest);
        }
        window += f.groupLength[size_t(g)];
    }
    chooseBooks(f, frequencyIndex);
    return f;
}

// A filter whose coefficients run over the middle of their range, negative
// ones included: reflection coefficients near 1 would make a filter whose
// gain magnifies the decoders' single-precision rounding past the tolerance.
IcsFrame::TnsFilter tnsFilter(int length, int order, bool downward, bool compress, int resolution,
                              int seed) {
    IcsFrame::TnsFilter filter;
    filter.length = length;
    filter.order = order;
    filter.downward = downward;
    filter.coefCompress = compress;
    filter.coefResolution = resolution;
    const int span = resolution - (compress ? 1 : 0) == 4   ? 7
                     : resolution - (compress ? 1 : 0) == 3 ? 5
                                                            : 4;
    for (int i = 0; i < order; ++i)
        filter.coef[size_t(i)] = int8_t((seed + 3 * i) % span - span / 2);
    return filter;
}

// Every window sequence and shape, groupings of eight short windows, TNS on
// long and short windows with every coefficient width, and a section longer
// than the length field's escape (long and short).
TEST(FrameWriter, WindowSequencesDecodeInTwoDecoders) {
    using enum WindowSequence;
    const WindowShape sine = WindowShape::Sine, kbd = WindowShape::Kbd;
    TempDir dir;
    TestStream stream(k44100, 1);
    stream.addMono(IcsFrame{});
    stream.addMono(makeFrame(1, OnlyLong, sine, 49));
    stream.addMono(makeFrame(2, OnlyLong, kbd, 40));
    stream.addMono(makeFrame(3, LongStart, kbd, 49));
    stream.addMono(makeFrame(4, EightShort, kbd, 14, {1, 1, 1, 1, 1, 1, 1, 1}));
    stream.addMono(makeFrame(5, EightShort, sine, 14, {1, 2, 3, 2}));
    stream.addMono(makeFrame(6, EightShort, kbd, 12, {8}));
    // One book over all 14 short bands: sections of 7 + 7 + 0.
    IcsFrame oneBook = makeFrame(7, EightShort, sine, 14, {4, 4});
    for (int g = 0; g < 2; ++g)
        for (int b = 0; b < 14; ++b)
            oneBook.book[slot(g, b)] = kEscapeBook;
    ASSERT_TRUE(FrameWriter::valid(oneBook, k44100));
    stream.addMono(oneBook);
    stream.addMono(makeFrame(8, LongStop, sine, 45));
    // One book over all 49 long bands: sections of 31 + 18.
    IcsFrame longBook = makeFrame(9, OnlyLong, sine, 49);
    for (int b = 0; b < 49; ++b)
        longBook.book[size_t(b)] = kEscapeBook;
    ASSERT_TRUE(FrameWriter::valid(longBook, k44100));
    stream.addMono(longBook);
    // TNS: three long filters (4-bit coefficients, one compressed, one
    // empty), then filters of 3 bits on short windows, upward and downward.
    IcsFrame tnsLong = makeFrame(10, OnlyLong, kbd, 30);
    tnsLong.tnsPresent = true;
    tnsLong.tns[0].filterCount = 3;
    tnsLong.tns[0].filter = {tnsFilter(27, 12, false, false, 4, 11),
                             tnsFilter(8, 0, false, false, 4, 0),
                             tnsFilter(10, 5, true, true, 4, 12)};
    ASSERT_TRUE(FrameWriter::valid(tnsLong, k44100));
    stream.addMono(tnsLong);
    stream.addMono(makeFrame(11, LongStart, sine, 30));
    IcsFrame tnsShort = makeFrame(12, EightShort, kbd, 12, {3, 5});
    tnsShort.tnsPresent = true;
    for (int w = 0; w < kShortWindows; w += 2) {
        tnsShort.tns[size_t(w)].filterCount = 1;
        tnsShort.tns[size_t(w)].filter[0] =
            tnsFilter(4 + w, 7 - w / 2, w % 4 == 2, w == 4, 3, 13 + w);
    }
    ASSERT_TRUE(FrameWriter::valid(tnsShort, k44100));
    stream.addMono(tnsShort);
    stream.addMono(makeFrame(14, LongStop, kbd, 49));
    stream.addMono(IcsFrame{});
    expectBothDecode(stream, dir / "windows.aac", 1);
}

} // namespace
} // namespace sondrel::afconvert::aac::testing
