#include "platform/afconvert/aac/FrameWriter.h"

#include <cstdlib>
#include <vector>

#include "platform/afconvert/aac/HuffmanCoding.h"
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

// Channel pairs: separate windows (each channel its own sequence), a common
// window without mid/side, with mid/side per band and everywhere, on eight
// short windows per group, and intensity bands in and out of phase, some
// inverted by ms_used.
TEST(FrameWriter, ChannelPairsDecodeInTwoDecoders) {
    using enum WindowSequence;
    const WindowShape sine = WindowShape::Sine, kbd = WindowShape::Kbd;
    TempDir dir;
    TestStream stream(k44100, 2);
    stream.addPair(IcsFrame{}, IcsFrame{}, PairCoding{});
    stream.addPair(makeFrame(20, OnlyLong, sine, 49), makeFrame(21, LongStart, kbd, 45), {});
    stream.addPair(makeFrame(22, OnlyLong, kbd, 49), makeFrame(23, EightShort, kbd, 14, {2, 6}),
                   {});
    stream.addPair(makeFrame(24, OnlyLong, kbd, 30), makeFrame(25, LongStop, sine, 49), {});
    PairCoding common;
    common.commonWindow = true;
    stream.addPair(makeFrame(26, OnlyLong, sine, 40), makeFrame(27, OnlyLong, sine, 40), common);
    PairCoding perBand = common;
    perBand.msMaskPresent = 1;
    for (int b = 0; b < kMaxLongBands; ++b)
        perBand.msUsed[size_t(b)] = b % 3 == 0;
    stream.addPair(makeFrame(28, OnlyLong, kbd, 49), makeFrame(29, OnlyLong, kbd, 49), perBand);
    PairCoding everywhere = common;
    everywhere.msMaskPresent = 2;
    stream.addPair(makeFrame(30, LongStart, sine, 49), makeFrame(31, LongStart, sine, 49),
                   everywhere);
    PairCoding perGroup = common;
    perGroup.msMaskPresent = 1;
    for (int g = 0; g < 3; ++g)
        for (int b = 0; b < 14; ++b)
            perGroup.msUsed[slot(g, b)] = (b + g) % 2 == 0;
    stream.addPair(makeFrame(32, EightShort, kbd, 14, {2, 2, 4}),
                   makeFrame(33, EightShort, kbd, 14, {2, 2, 4}), perGroup);
    IcsFrame left = makeFrame(34, LongStop, sine, 44), right = makeFrame(35, LongStop, sine, 44);
    for (int b = 30; b < 44; ++b) {
        right.book[size_t(b)] = b % 3 ? kIntensityInPhase : kIntensityOutOfPhase;
        right.scalefactor[size_t(b)] = int16_t((b - 37) * 3); // positions -21..18
    }
    ASSERT_TRUE(FrameWriter::validPair(left, right, perBand, k44100));
    stream.addPair(left, right, perBand);
    stream.addPair(IcsFrame{}, IcsFrame{}, PairCoding{});
    expectBothDecode(stream, dir / "pairs.aac", 2);
}

// A 5.1 stream: centre (SCE), two pairs and the LFE element, each carrying
// something of its own; the decoders put the channels in their order.
TEST(FrameWriter, LowFrequencyChannelDecodesInTwoDecoders) {
    TempDir dir;
    TestStream stream(k44100, 6); // C, L, R, Ls, Rs, LFE
    auto add = [&](const std::array<IcsFrame, 6>& c) {
        FrameWriter writer(k44100);
        writer.singleChannel(0, c[0]);
        writer.channelPair(0, c[1], c[2], {});
        writer.channelPair(1, c[3], c[4], {});
        writer.lowFrequency(0, c[5]);
        std::vector<ChannelSpectrum> spectra;
        for (const IcsFrame& f : c)
            spectra.push_back(spectrumOf(f, k44100));
        stream.add(writer.finish(), spectra);
    };
    add({});
    for (uint32_t seed = 40; seed < 43; ++seed) {
        std::array<IcsFrame, 6> c;
        for (uint32_t i = 0; i < 5; ++i)
            c[i] = makeFrame(seed * 10 + i, WindowSequence::OnlyLong, WindowShape::Sine, 20);
        c[5] = makeFrame(seed * 10 + 5, WindowSequence::OnlyLong, WindowShape::Sine, 6);
        add(c);
    }
    add({});
    // Both decoders give 5.1 as front left, right, centre, LFE, back left, right.
    expectBothDecode(stream, dir / "surround.aac", 6, {1, 2, 0, 5, 3, 4});
}

// Fill elements of every count form (empty, 4 bits, escaped, several
// elements) are skipped: the sound is what the channel alone makes.
TEST(FrameWriter, FillElementsAreSkipped) {
    EXPECT_EQ(FrameWriter::fillBits(1), 15);
    EXPECT_EQ(FrameWriter::fillBits(14), 7 + 14 * 8);
    EXPECT_EQ(FrameWriter::fillBits(15), 15 + 15 * 8);
    EXPECT_EQ(FrameWriter::fillBits(269), 15 + 269 * 8);
    EXPECT_EQ(FrameWriter::fillBits(270), 15 + 269 * 8 + 15);
    EXPECT_EQ(FrameWriter::fillBits(600), 3 * 15 + 600 * 8);
    TempDir dir;
    TestStream stream(k44100, 1);
    stream.addMono(IcsFrame{}, 3);
    uint32_t seed = 50;
    for (int bytes : {1, 14, 15, 16, 269, 270, 539, 600}) {
        const IcsFrame f = makeFrame(seed++, WindowSequence::OnlyLong, WindowShape::Sine, 40);
        FrameWriter writer(k44100);
        writer.singleChannel(0, f);
        const size_t before = writer.bitCount();
        writer.fill(bytes);
        EXPECT_EQ(writer.bitCount() - before, size_t(FrameWriter::fillBits(bytes))) << bytes;
        stream.addMono(f, bytes);
    }
    // Blocks filled to every size from the least to 300 bytes more, those
    // around the count's escape among them.
    const IcsFrame f = makeFrame(seed++, WindowSequence::OnlyLong, WindowShape::Sine, 10);
    FrameWriter probe(k44100);
    probe.singleChannel(0, f);
    const size_t least = (probe.bitCount() + 3 + 7) / 8;
    EXPECT_FALSE(probe.fillTo(least - 1));
    for (size_t bytes = least; bytes < least + 300; ++bytes) {
        FrameWriter writer(k44100);
        writer.singleChannel(0, f);
        ASSERT_TRUE(writer.fillTo(bytes));
        std::vector<uint8_t> block = writer.finish();
        ASSERT_EQ(block.size(), bytes);
        stream.add(std::move(block), {spectrumOf(f, k44100)});
    }
    stream.addMono(IcsFrame{});
    expectBothDecode(stream, dir / "fill.aac", 1);
}

// What the writer emits is what icsBits and fillBits say, element by
// element, for every kind of band and both window kinds.
TEST(FrameWriter, CountsExactlyWhatItWrites) {
    using enum WindowSequence;
    std::vector<IcsFrame> frames = {IcsFrame{}, makeFrame(60, OnlyLong, WindowShape::Kbd, 49),
                                    makeFrame(61, EightShort, WindowShape::Sine, 14, {1, 3, 4}),
                                    makeFrame(62, LongStart, WindowShape::Sine, 21)};
    IcsFrame special = makeFrame(63, OnlyLong, WindowShape::Sine, 40);
    for (int b = 10; b < 20; ++b) {
        special.book[size_t(b)] = b < 15 ? kNoiseBook : kIntensityInPhase;
        special.scalefactor[size_t(b)] = int16_t(b < 15 ? 40 + b : b - 15);
    }
    special.tnsPresent = true;
    special.tns[0].filterCount = 2;
    special.tns[0].filter[0] = tnsFilter(10, 4, false, false, 3, 1);
    special.tns[0].filter[1] = tnsFilter(6, 2, true, true, 3, 2);
    frames.push_back(special);
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        ASSERT_TRUE(FrameWriter::valid(frames[i], k44100));
        FrameWriter writer(k44100);
        writer.singleChannel(3, frames[i]);
        EXPECT_EQ(writer.bitCount(), size_t(3 + 4 + icsBits(frames[i], k44100, true)));
        const size_t sce = writer.bitCount();
        writer.lowFrequency(1, frames[0]);
        EXPECT_EQ(writer.bitCount() - sce, size_t(3 + 4 + icsBits(frames[0], k44100, true)));
        const std::vector<uint8_t> block = writer.finish();
        EXPECT_EQ(block.size(), (sce + 7 + size_t(icsBits(frames[0], k44100, true)) + 3 + 7) / 8);
        EXPECT_EQ(writer.bitCount(), 0u);
    }
    PairCoding pair;
    pair.commonWindow = true;
    pair.msMaskPresent = 1;
    FrameWriter writer(k44100);
    writer.channelPair(0, frames[2], frames[2], pair);
    // ics_info once (15 bits), ms_mask_present, a ms_used bit per group and band.
    EXPECT_EQ(writer.bitCount(),
              size_t(3 + 4 + 1 + 15 + 2 + 3 * 14 + 2 * icsBits(frames[2], k44100, false)));
    EXPECT_EQ(icsBits(frames[2], k44100, true), icsBits(frames[2], k44100, false) + 15);
    EXPECT_EQ(audioSpecificConfig(4, 2), (std::vector<uint8_t>{0x12, 0x10}));
    EXPECT_EQ(audioSpecificConfig(11, 1), (std::vector<uint8_t>{0x15, 0x88}));
}

// chooseBooks finds the cheapest books: no other assignment of the non-zero
// bands costs fewer bits, on long and on grouped short windows.
TEST(FrameWriter, ChoosesTheCheapestBooks) {
    using enum WindowSequence;
    for (const IcsFrame& start : {makeFrame(70, OnlyLong, WindowShape::Sine, 5),
                                  makeFrame(71, EightShort, WindowShape::Sine, 2, {3, 5})}) {
        IcsFrame f = start;
        f.quantized[0] = 1; // band 0 non-zero in both
        f.quantized[4] = 14;
        if (f.sequence == OnlyLong) {
            for (int i = 8; i < 12; ++i)
                f.quantized[size_t(i)] = 0; // band 2 all zero
        }
        const int sectionAndSpectral = chooseBooks(f, k44100);
        const int best = icsBits(f, k44100, true);
        std::vector<int> free;
        for (int g = 0; g < f.groupCount; ++g)
            for (int b = 0; b < f.maxBands; ++b)
                if (f.book[slot(g, b)] != kZeroBook)
                    free.push_back(int(slot(g, b)));
        ASSERT_LE(free.size(), 4u);
        int cheapest = kUnusableBits, combinations = 1;
        for (size_t i = 0; i < free.size(); ++i)
            combinations *= 11;
        IcsFrame trial = f;
        for (int c = 0; c < combinations; ++c) {
            for (size_t i = 0, rest = size_t(c); i < free.size(); ++i, rest /= 11)
                trial.book[size_t(free[i])] = uint8_t(1 + rest % 11);
            if (FrameWriter::valid(trial, k44100))
                cheapest = std::min(cheapest, icsBits(trial, k44100, true));
        }
        EXPECT_EQ(best, cheapest);
        // What it returned is the section and spectral part of that.
        int scalefactorBitsTotal = 0, previous = -1;
        for (int g = 0; g < f.groupCount; ++g)
            for (int b = 0; b < f.maxBands; ++b)
                if (f.book[slot(g, b)] != kZeroBook) {
                    const int sf = f.scalefactor[slot(g, b)];
                    scalefactorBitsTotal += scalefactorBits(previous < 0 ? 0 : sf - previous);
                    previous = sf;
                }
        // global_gain, ics_info (11 bits long, 15 short), the flags of pulse,
        // TNS and gain control data.
        const int icsInfo = f.sequence == EightShort ? 15 : 11;
        EXPECT_EQ(sectionAndSpectral, best - 8 - icsInfo - scalefactorBitsTotal - 3);
    }
}

TEST(FrameWriter, ValidRejectsWhatCannotBeCoded) {
    using enum WindowSequence;
    const IcsFrame good = makeFrame(80, OnlyLong, WindowShape::Sine, 40);
    const IcsFrame goodShort = makeFrame(81, EightShort, WindowShape::Sine, 14, {2, 6});
    ASSERT_TRUE(FrameWriter::valid(good, k44100));
    ASSERT_TRUE(FrameWriter::valid(goodShort, k44100));
    int firstCoded = 0;
    while (good.book[size_t(firstCoded)] == kZeroBook)
        ++firstCoded;
    auto rejects = [](const IcsFrame& base, auto change, const char* what) {
        IcsFrame f = base;
        change(f);
        EXPECT_FALSE(FrameWriter::valid(f, k44100)) << what;
    };
    rejects(
        good, [](IcsFrame& f) { f.maxBands = 50; }, "more bands than 44.1 kHz has");
    rejects(
        goodShort, [](IcsFrame& f) { f.maxBands = 15; }, "more short bands than 44.1 kHz has");
    rejects(
        good, [](IcsFrame& f) { f.groupCount = 2; }, "groups in a long window");
    rejects(
        goodShort, [](IcsFrame& f) { f.groupLength[1] = 5; }, "groups of 7 windows");
    rejects(
        goodShort, [](IcsFrame& f) { f.groupCount = 0; }, "no group");
    rejects(
        goodShort,
        [](IcsFrame& f) {
            f.groupLength = {2, 0, 6};
            f.groupCount = 3;
        },
        "an empty group");
    rejects(
        good, [](IcsFrame& f) { f.sequence = WindowSequence(4); }, "window sequence 4");
    rejects(
        good, [&](IcsFrame& f) { f.book[size_t(firstCoded)] = 12; }, "reserved book 12");
    rejects(
        good, [](IcsFrame& f) { f.book[0] = 1, f.quantized[0] = 2, f.scalefactor[0] = 110; },
        "a value beyond its book");
    rejects(
        good, [](IcsFrame& f) { f.book[0] = kZeroBook, f.quantized[0] = 1; },
        "a line in a zero band");
    rejects(
        good, [](IcsFrame& f) { f.quantized[1000] = 1; }, "a line above the coded bands");
    rejects(
        good, [](IcsFrame& f) { f.book[0] = kEscapeBook, f.quantized[0] = 8192; }, "8192");
    rejects(
        good, [&](IcsFrame& f) { f.scalefactor[size_t(firstCoded)] = 256; }, "scale factor 256");
    rejects(
        good,
        [&](IcsFrame& f) {
            for (int b = firstCoded + 1; b < 40; ++b)
                if (f.book[size_t(b)] != kZeroBook) {
                    f.scalefactor[size_t(b)] = int16_t(f.scalefactor[size_t(firstCoded)] + 61);
                    break;
                }
        },
        "a scale factor step of 61");
    rejects(
        good,
        [](IcsFrame& f) {
            f.book[45] = kNoiseBook, f.book[46] = kNoiseBook, f.maxBands = 47;
            f.scalefactor[45] = 0, f.scalefactor[46] = 61;
        },
        "a noise energy step of 61");
    rejects(
        good,
        [](IcsFrame& f) { f.book[45] = kNoiseBook, f.maxBands = 46, f.scalefactor[45] = 156; },
        "noise energy 156");
    rejects(
        good,
        [](IcsFrame& f) {
            f.book[45] = kIntensityInPhase, f.maxBands = 46, f.scalefactor[45] = -61;
        },
        "an intensity position step of -61");
    rejects(
        good,
        [](IcsFrame& f) {
            f.book[45] = f.book[46] = f.book[47] = kIntensityInPhase, f.maxBands = 48;
            f.scalefactor[45] = 60, f.scalefactor[46] = 100, f.scalefactor[47] = 101;
        },
        "intensity position 101");
    rejects(
        good,
        [](IcsFrame& f) {
            f.tnsPresent = true, f.tns[0].filterCount = 1, f.tns[0].filter[0].order = 13;
        },
        "TNS order 13 on a long window");
    rejects(
        goodShort,
        [](IcsFrame& f) {
            f.tnsPresent = true, f.tns[3].filterCount = 1, f.tns[3].filter[0].order = 8;
        },
        "TNS order 8 on a short window");
    rejects(
        goodShort, [](IcsFrame& f) { f.tnsPresent = true, f.tns[1].filterCount = 2; },
        "two TNS filters on a short window");
    rejects(
        good, [](IcsFrame& f) { f.tnsPresent = true, f.tns[0].filterCount = 4; },
        "four TNS filters");
    rejects(
        good,
        [](IcsFrame& f) {
            f.tnsPresent = true, f.tns[0].filterCount = 1;
            f.tns[0].filter[0] = tnsFilter(10, 2, false, true, 3, 0);
            f.tns[0].filter[0].coef[1] = 2; // 2 bits hold -2..1
        },
        "a TNS coefficient too wide");
    rejects(
        good,
        [](IcsFrame& f) {
            f.tnsPresent = true, f.tns[0].filterCount = 2;
            f.tns[0].filter[0] = tnsFilter(10, 2, false, false, 3, 0);
            f.tns[0].filter[1] = tnsFilter(10, 2, false, false, 4, 0);
        },
        "TNS resolutions differing within a window");
    rejects(
        good,
        [](IcsFrame& f) {
            f.tnsPresent = true, f.tns[0].filterCount = 1, f.tns[0].filter[0].length = 64;
        },
        "TNS length 64");
    EXPECT_FALSE(FrameWriter::valid(good, 12));
    EXPECT_FALSE(FrameWriter::valid(good, -1));

    // Limits themselves pass: steps of exactly 60, a noise energy 255 above
    // a global gain of 0 is too far for 9 bits, the same without one is not.
    IcsFrame edges = good;
    edges.book[45] = kNoiseBook, edges.book[46] = kNoiseBook, edges.maxBands = 47;
    edges.scalefactor[45] = -100, edges.scalefactor[46] = -40;
    EXPECT_TRUE(FrameWriter::valid(edges, k44100));
    IcsFrame farIntensity = good;
    farIntensity.book[45] = farIntensity.book[46] = kIntensityInPhase, farIntensity.maxBands = 47;
    farIntensity.scalefactor[45] = 60, farIntensity.scalefactor[46] = 100;
    EXPECT_TRUE(FrameWriter::valid(farIntensity, k44100));
    IcsFrame noiseOnly;
    noiseOnly.maxBands = 2;
    noiseOnly.book[0] = noiseOnly.book[1] = kNoiseBook;
    noiseOnly.scalefactor[0] = 155, noiseOnly.scalefactor[1] = 95;
    EXPECT_TRUE(FrameWriter::valid(noiseOnly, k44100));

    PairCoding pair;
    EXPECT_TRUE(FrameWriter::validPair(good, goodShort, pair, k44100));
    pair.msMaskPresent = 1;
    EXPECT_FALSE(FrameWriter::validPair(good, good, pair, k44100)) << "M/S without a common window";
    pair.commonWindow = true;
    EXPECT_TRUE(FrameWriter::validPair(good, good, pair, k44100));
    EXPECT_FALSE(FrameWriter::validPair(good, goodShort, pair, k44100)) << "different windows";
    IcsFrame fewer = good;
    fewer.maxBands = 39;
    fewer.quantized.fill(0);
    EXPECT_FALSE(FrameWriter::validPair(good, fewer, pair, k44100)) << "different band counts";
    IcsFrame intensity = good;
    intensity.book[39] = kIntensityInPhase, intensity.scalefactor[39] = 5;
    EXPECT_TRUE(FrameWriter::validPair(good, intensity, pair, k44100));
    EXPECT_FALSE(FrameWriter::validPair(intensity, intensity, pair, k44100))
        << "intensity in the first channel";
    pair.msMaskPresent = 0, pair.commonWindow = false;
    EXPECT_FALSE(FrameWriter::validPair(good, intensity, pair, k44100))
        << "intensity without a common window";
    pair.commonWindow = true, pair.msMaskPresent = 3;
    EXPECT_FALSE(FrameWriter::validPair(good, good, pair, k44100)) << "ms_mask_present 3";
}

// Makes bands from `first` up of every group noise bands of energies
// around `level`, and adds the frame with, for reference, lines of those
// energies in place of the decoders' random ones.
void addWithNoise(TestStream& stream, IcsFrame f, int first, int level) {
    const bool isShort = f.sequence == WindowSequence::EightShort;
    const auto offsets = isShort ? shortBandOffsets(k44100) : longBandOffsets(k44100);
    ChannelSpectrum reference = spectrumOf(f, k44100);
    int window = 0;
    for (int g = 0; g < f.groupCount; ++g) {
        for (int b = first; b < f.maxBands; ++b) {
            f.book[slot(g, b)] = kNoiseBook;
            // Stepping by up to 6 from band to band.
            const int energy = level + (b * 7 + g) % 13 - 6;
            f.scalefactor[slot(g, b)] = int16_t(energy);
            const int width = offsets[size_t(b + 1)] - offsets[size_t(b)];
            const double line = std::sqrt(std::pow(2.0, energy / 2.0) / width);
            for (int w = window; w < window + f.groupLength[size_t(g)]; ++w)
                for (int k = offsets[size_t(b)]; k < offsets[size_t(b + 1)]; ++k) {
                    f.quantized[size_t(w * kShortLines + k)] = 0;
                    reference.spectrum[size_t(w * kShortLines + k)] = k * 7 % 3 ? line : -line;
                }
        }
        window += f.groupLength[size_t(g)];
    }
    ASSERT_TRUE(FrameWriter::valid(f, k44100));
    FrameWriter writer(k44100);
    writer.singleChannel(0, f);
    stream.add(writer.finish(), {reference});
}

// Noise substitution: decoders fill a noise band with random lines of the
// band's energy 2^(energy/2), so no two decodings agree sample by sample; but
// the transform keeps energy, so a stream's total energy is fixed by its
// bands' energies. Frames of noise alone (global_gain then follows the
// first noise energy) and of noise after spectral bands (the first noise
// energy coded against global_gain - 90), long and grouped short windows,
// must give the energy intended.
TEST(FrameWriter, NoiseBandsHaveTheirEnergy) {
    using enum WindowSequence;
    TempDir dir;
    TestStream stream(k44100, 1);
    stream.addMono(IcsFrame{});
    for (int i = 0; i < 12; ++i) {
        IcsFrame f =
            i % 2 ? makeFrame(90 + uint32_t(i), OnlyLong, WindowShape::Sine, 45) : IcsFrame{};
        f.maxBands = 45;
        addWithNoise(stream, f, 15, 60 + 2 * (i % 4));
    }
    stream.addMono(makeFrame(110, LongStart, WindowShape::Sine, 40));
    addWithNoise(stream, makeFrame(111, EightShort, WindowShape::Sine, 14, {3, 5}), 8, 66);
    IcsFrame noiseOnly;
    noiseOnly.sequence = EightShort;
    noiseOnly.maxBands = 14;
    noiseOnly.groupCount = 4;
    noiseOnly.groupLength = {1, 1, 2, 4};
    addWithNoise(stream, noiseOnly, 5, 64);
    stream.addMono(makeFrame(112, LongStop, WindowShape::Sine, 40));
    stream.addMono(IcsFrame{});
    const std::string path = dir / "noise.aac";
    const std::vector<uint8_t> bytes = adts(stream.blocks(), k44100, 1);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    auto energy = [](const std::vector<float>& samples, size_t step) {
        double sum = 0;
        for (size_t i = 0; i < samples.size(); i += step)
            sum += double(samples[i]) * samples[i] * kDecoderScale * kDecoderScale;
        return sum;
    };
    double expected = 0;
    for (double v : stream.expected(0))
        expected += v * v;
    const Decoded faad = decodeWithFaad(path), ffmpeg = decodeWithFfmpeg(path);
    EXPECT_EQ(faad.error, "");
    EXPECT_EQ(ffmpeg.error, "");
    // The decoders keep it to 1e-7; one step of noise energy changes a
    // band's energy by 41%, and of the first one in a frame, the frame's. (The
    // noise of every frame has much the same energy, so each counts.)
    EXPECT_NEAR(energy(faad.samples, 2) / expected, 1.0, 1e-5);
    EXPECT_NEAR(energy(ffmpeg.samples, 1) / expected, 1.0, 1e-5);
}

} // namespace
} // namespace sondrel::afconvert::aac::testing
