#include "platform/afconvert/aac/SamplingRates.h"

#include "platform/afconvert/aac/TestStreams.h"

namespace sondrel::afconvert::aac::testing {
namespace {

TEST(SamplingRates, IndicesAndNearestRates) {
    const int rates[] = {96000, 88200, 64000, 48000, 44100, 32000,
                         24000, 22050, 16000, 12000, 11025, 8000};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(standardRate(i), rates[i]);
        EXPECT_EQ(samplingFrequencyIndex(rates[i]), i);
        EXPECT_EQ(nearestStandardRate(rates[i]), rates[i]);
    }
    EXPECT_EQ(samplingFrequencyIndex(44000), -1);
    EXPECT_EQ(standardRate(12), 0);
    EXPECT_EQ(nearestStandardRate(44000), 44100);
    EXPECT_EQ(nearestStandardRate(44101), 48000);
    EXPECT_EQ(nearestStandardRate(4000), 8000);
    EXPECT_EQ(nearestStandardRate(192000), 96000);
    EXPECT_TRUE(longBandOffsets(12).empty());
    EXPECT_TRUE(shortBandOffsets(-1).empty());
}

// Marks the first and last line of every band of every window, the bands'
// scale factors alternating, so that a band boundary in the wrong place
// gives a line the wrong gain.
IcsFrame markedFrame(WindowSequence sequence, int frequencyIndex, int groupCount) {
    IcsFrame f;
    f.sequence = sequence;
    const bool isShort = sequence == WindowSequence::EightShort;
    const auto offsets =
        isShort ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    f.maxBands = int(offsets.size()) - 1;
    if (isShort) {
        f.groupCount = groupCount;
        f.groupLength.fill(0);
        for (int w = 0; w < kShortWindows; ++w)
            ++f.groupLength[size_t(w * groupCount / kShortWindows)];
    }
    for (int w = 0; w < (isShort ? kShortWindows : 1); ++w)
        for (int b = 0; b < f.maxBands; ++b) {
            f.quantized[size_t(w * kShortLines + offsets[size_t(b)])] = int16_t(3 + b % 5);
            f.quantized[size_t(w * kShortLines + offsets[size_t(b + 1)] - 1)] = int16_t(-2 - w);
        }
    for (int g = 0; g < f.groupCount; ++g)
        for (int b = 0; b < f.maxBands; ++b)
            f.scalefactor[size_t(g * kMaxLongBands + b)] = int16_t(100 + 8 * ((b + g) % 3));
    chooseBooks(f, frequencyIndex);
    return f;
}

// A stream at each of the twelve rates, long and short windows over every
// band of the rate's tables, decodes to the expected PCM in both decoders.
TEST(SamplingRates, EveryRatesBandsDecodeInTwoDecoders) {
    TempDir dir;
    for (int index = 0; index < 12; ++index) {
        SCOPED_TRACE("rate " + std::to_string(standardRate(index)));
        TestStream stream(index, 1);
        stream.addMono(IcsFrame{});
        for (const IcsFrame& f : {markedFrame(WindowSequence::OnlyLong, index, 1),
                                  markedFrame(WindowSequence::LongStart, index, 1),
                                  markedFrame(WindowSequence::EightShort, index, 8),
                                  markedFrame(WindowSequence::EightShort, index, 3),
                                  markedFrame(WindowSequence::LongStop, index, 1)}) {
            ASSERT_TRUE(FrameWriter::valid(f, index));
            stream.addMono(f);
        }
        stream.addMono(IcsFrame{});
        expectBothDecode(stream, dir / ("rate" + std::to_string(index) + ".aac"), 1);
    }
}

} // namespace
} // namespace sondrel::afconvert::aac::testing
