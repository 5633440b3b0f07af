#include "platform/afconvert/aac/HuffmanCoding.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/afconvert/aac/CodebookTables.h"
#include "platform/afconvert/aac/TestStreams.h"

namespace sondrel::afconvert::aac::testing {
namespace {

constexpr int k44100 = 4; // sampling_frequency_index of 44.1 kHz

// The tuple with a book's index: signed books' values, unsigned books'
// magnitudes with a sign pattern that changes from tuple to tuple, and in
// book 11 an escaped value (16 to 31) for 16.
std::vector<int16_t> tupleOf(int book, int index) {
    const Codebook& cb = kSpectralBooks[size_t(book)];
    std::vector<int16_t> tuple(size_t(cb.dimension));
    for (int j = cb.dimension - 1, rest = index; j >= 0; --j, rest /= cb.modulus) {
        int v = rest % cb.modulus;
        if (cb.isSigned) {
            v -= cb.largest;
        } else {
            if (v == 16)
                v += (index * 7 + j) % 16;
            if ((index + j) % 3 == 1)
                v = -v;
        }
        tuple[size_t(j)] = int16_t(v);
    }
    return tuple;
}

int writtenBits(int book, const std::vector<int16_t>& values) {
    BitWriter out;
    writeSpectral(out, book, values.data(), int(values.size()));
    return int(out.bitCount());
}

TEST(HuffmanCoding, CountsWhatItWrites) {
    for (int book = 1; book <= kEscapeBook; ++book) {
        SCOPED_TRACE("book " + std::to_string(book));
        const Codebook& cb = kSpectralBooks[size_t(book)];
        const int size = int(std::pow(cb.modulus, cb.dimension));
        for (int index = 0; index < size; ++index) {
            const std::vector<int16_t> tuple = tupleOf(book, index);
            const int bits = spectralBits(book, tuple.data(), int(tuple.size()));
            ASSERT_EQ(bits, writtenBits(book, tuple)) << "index " << index;
            int signs = 0, escapes = 0;
            for (int16_t v : tuple) {
                signs += !cb.isSigned && v != 0;
                escapes += std::abs(v) >= 16 ? 5 : 0; // 16..31: a zero and 4 bits
            }
            ASSERT_EQ(bits, cb.lengths[index] + signs + escapes) << "index " << index;
            if (book < kEscapeBook) { // the paired pricing agrees with each book's own
                const BookPairBits pair =
                    spectralBitsPair(book % 2 ? book : book - 1, tuple.data(), int(tuple.size()));
                ASSERT_EQ(book % 2 ? pair.odd : pair.even, bits) << "index " << index;
            }
        }
        // One past the book's range, in either sign, does not fit.
        const int16_t over = int16_t(bookLargestValue(book) + 1);
        std::vector<int16_t> tuple(size_t(cb.dimension), 0);
        for (int16_t v : {over, int16_t(-over)}) {
            tuple.back() = v;
            EXPECT_GE(spectralBits(book, tuple.data(), int(tuple.size())), kUnusableBits);
            if (book < kEscapeBook) {
                const int odd = book % 2 ? book : book - 1;
                const BookPairBits pair = spectralBitsPair(odd, tuple.data(), int(tuple.size()));
                EXPECT_GE(pair.odd, kUnusableBits);
                EXPECT_GE(pair.even, kUnusableBits);
            }
        }
        EXPECT_GE(smallestBookFor(bookLargestValue(book)), book - (book % 2 == 0 ? 1 : 0) - 1);
        EXPECT_LE(smallestBookFor(bookLargestValue(book)), book);
    }
    // Escapes: N ones, a zero and N + 4 bits for 2^(N+4) <= |v| < 2^(N+5).
    const std::vector<std::pair<int, int>> escapes = {
        {16, 5}, {31, 5}, {32, 7}, {255, 11}, {256, 13}, {4095, 19}, {4096, 21}, {8191, 21}};
    for (const auto& [value, bits] : escapes) {
        const std::vector<int16_t> pair = {int16_t(-value), 0};
        EXPECT_EQ(spectralBits(kEscapeBook, pair.data(), 2),
                  kSpectralBooks[kEscapeBook].lengths[16 * 17] + 1 + bits)
            << value;
        EXPECT_EQ(spectralBits(kEscapeBook, pair.data(), 2), writtenBits(kEscapeBook, pair));
        // The least any books can code it in: its sign and escape, no codeword.
        EXPECT_EQ(spectralBitsAtLeast(pair.data(), 2), 1 + bits) << value;
    }
    const std::vector<int16_t> small = {15, -15, 1, 0, -3, 7, 12, 0};
    EXPECT_EQ(spectralBitsAtLeast(small.data(), 8), 0);
    const std::vector<int16_t> tooLarge = {0, 8192};
    EXPECT_GE(spectralBits(kEscapeBook, tooLarge.data(), 2), kUnusableBits);
    const std::vector<int16_t> zeros(16, 0), one = {0, 0, 1, 0};
    EXPECT_EQ(spectralBits(kZeroBook, zeros.data(), 16), 0);
    EXPECT_GE(spectralBits(kZeroBook, one.data(), 4), kUnusableBits);
    EXPECT_EQ(smallestBookFor(0), 0);
    EXPECT_EQ(smallestBookFor(13), kEscapeBook);

    for (int d = -60; d <= 60; ++d) {
        BitWriter out;
        writeScalefactor(out, d);
        EXPECT_EQ(int(out.bitCount()), scalefactorBits(d));
    }
    EXPECT_EQ(scalefactorBits(0), 1);
    EXPECT_GE(scalefactorBits(61), kUnusableBits);
    EXPECT_GE(scalefactorBits(-61), kUnusableBits);
}

// Lays tuples into a long frame band after band from band 0, every band in
// `book`, each band's scale factor set so that its largest value dequantises
// to about 2^15: small values sit next to large ones only within a band.
IcsFrame frameOfTuples(int book, const std::vector<int16_t>& values) {
    IcsFrame f;
    const auto offsets = longBandOffsets(k44100);
    std::copy(values.begin(), values.end(), f.quantized.begin());
    while (offsets[size_t(f.maxBands)] < int(values.size()))
        ++f.maxBands;
    for (int b = 0; b < f.maxBands; ++b) {
        int largest = 1;
        for (int i = offsets[size_t(b)]; i < offsets[size_t(b + 1)]; ++i)
            largest = std::max(largest, std::abs(int(f.quantized[size_t(i)])));
        f.book[size_t(b)] = uint8_t(book);
        f.scalefactor[size_t(b)] = int16_t(160 - std::lround(16.0 / 3 * std::log2(largest)));
    }
    return f;
}

// Every codeword of every book, escapes of every length in both signs, and
// every scale factor difference, through faad2 and FFmpeg.
TEST(HuffmanCoding, EveryCodewordDecodesInTwoDecoders) {
    TempDir dir;
    TestStream stream(k44100, 1);
    stream.addMono(IcsFrame{});
    for (int book = 1; book <= kEscapeBook; ++book) {
        const Codebook& cb = kSpectralBooks[size_t(book)];
        std::vector<int16_t> values;
        for (int index = 0; index < int(std::pow(cb.modulus, cb.dimension)); ++index)
            for (int16_t v : tupleOf(book, index))
                values.push_back(v);
        const IcsFrame f = frameOfTuples(book, values);
        ASSERT_TRUE(FrameWriter::valid(f, k44100)) << book;
        stream.addMono(f);
    }
    // Escape sequences of every length N (0..8): each range's ends in both
    // signs, a frame for each length so that a step of one in the largest
    // value stands out of the decoders' rounding.
    for (int n = 0; n <= 8; ++n) {
        const int16_t low = int16_t(1 << (n + 4)), high = int16_t((1 << (n + 5)) - 1);
        const IcsFrame f = frameOfTuples(kEscapeBook, {low, int16_t(-high), int16_t(-low), high});
        ASSERT_TRUE(FrameWriter::valid(f, k44100));
        stream.addMono(f);
    }
    // Scale factor differences 60, -60, 59, -59, ... 1, -1, 0 between bands,
    // each band one line whose value evens out its gain.
    std::vector<int> differences;
    for (int d = 60; d > 0; --d)
        differences.insert(differences.end(), {d, -d});
    differences.push_back(0);
    const auto offsets = longBandOffsets(k44100);
    for (size_t at = 0; at < differences.size();) {
        IcsFrame f;
        f.maxBands = 49;
        int sf = 100;
        for (int b = 0; b < f.maxBands; ++b) {
            if (b > 0 && at < differences.size())
                sf += differences[at++];
            f.scalefactor[size_t(b)] = int16_t(sf);
            // Gains 2^((sf - 100) / 4) from 1 to 2^15: |q|^(4/3) makes up the rest.
            const int q = int(std::lround(std::pow(2.0, (160 - sf) * 3.0 / 16)));
            f.quantized[size_t(offsets[size_t(b)] + b % 4)] = int16_t(b % 2 ? -q : q);
        }
        chooseBooks(f, k44100);
        ASSERT_TRUE(FrameWriter::valid(f, k44100));
        stream.addMono(f);
    }
    stream.addMono(IcsFrame{});
    expectBothDecode(stream, dir / "codewords.aac", 1);
    const std::vector<double> peaks = framePeaks(stream);
    // The least a wrong codeword can do, a step of one in the largest escape
    // (8191, line 3 of the frame with N = 8), lies far above that tolerance.
    const int frame = 1 + kEscapeBook + 8;
    const double step = std::pow(2.0, 15.0) * (1 - std::pow(8190.0 / 8191, 4.0 / 3));
    ChannelSpectrum change;
    change.spectrum[3] = step;
    Synthesis synthesis;
    const double effect = largest(synthesis.frame(change.spectrum, change.sequence, change.shape));
    EXPECT_GT(effect, 10 * kRelativeTolerance * peaks[size_t(frame)]);
}

} // namespace
} // namespace sondrel::afconvert::aac::testing
