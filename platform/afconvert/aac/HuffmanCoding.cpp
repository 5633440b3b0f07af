#include "platform/afconvert/aac/HuffmanCoding.h"

#include <array>
#include <bit>
#include <cstdlib>

#include "platform/afconvert/aac/CodebookTables.h"
#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

namespace {

constexpr int kEscapeMarker = 16;
constexpr int kLargestEscaped = 8191;

// The escape sequence of a magnitude 16..8191: N ones, a zero, then the
// magnitude less 2^(N+4) in N+4 bits, where 2^(N+4) <= magnitude.
int escapePrefix(int magnitude) {
    return std::bit_width(static_cast<unsigned>(magnitude)) - 5;
}

int escapeBits(int magnitude) {
    return 2 * escapePrefix(magnitude) + 5;
}

void writeEscape(BitWriter& out, int magnitude) {
    const int n = escapePrefix(magnitude);
    out.put((1u << n) - 1, n);
    out.put(0, 1);
    out.put(static_cast<uint32_t>(magnitude - (1 << (n + 4))), n + 4);
}

// Bits of values in books without escapes that index their tuples alike
// (a pair such as 5 and 6 is priced in one pass); Signed books index value +
// Largest, unsigned ones the magnitude. A value out of range makes each sum
// kUnusableBits or more.
template <int Dimension, int Modulus, int Largest, bool Signed, size_t Books>
std::array<int, Books> directBits(const std::array<const uint8_t*, Books>& tupleBits,
                                  const int16_t* values, int count) {
    std::array<int, Books> bits{};
    unsigned outOfRange = 0;
    for (int i = 0; i < count; i += Dimension) {
        int index = 0;
        for (int j = 0; j < Dimension; ++j) {
            const int v = Signed ? values[i + j] + Largest : std::abs(values[i + j]);
            // An unsigned compare catches negative offsets too.
            outOfRange |= static_cast<unsigned>(v) > unsigned(Signed ? 2 * Largest : Largest);
            index = index * Modulus + v;
        }
        for (size_t k = 0; k < Books; ++k)
            bits[k] += outOfRange ? 0 : tupleBits[k][index];
    }
    if (outOfRange)
        bits.fill(kUnusableBits);
    return bits;
}

template <int Dimension, int Modulus, int Largest, bool Signed>
int directBits(const uint8_t* tupleBits, const int16_t* values, int count) {
    return directBits<Dimension, Modulus, Largest, Signed, 1>({tupleBits}, values, count)[0];
}

template <int Dimension, int Modulus, int Largest, bool Signed>
BookPairBits directPairBits(const uint8_t* oddBits, const uint8_t* evenBits, const int16_t* values,
                            int count) {
    const auto bits =
        directBits<Dimension, Modulus, Largest, Signed, 2>({oddBits, evenBits}, values, count);
    return {bits[0], bits[1]};
}

int escapeBookBits(const uint8_t* tupleBits, const int16_t* values, int count) {
    int bits = 0;
    for (int i = 0; i < count; i += 2) {
        const int a = std::abs(values[i]), b = std::abs(values[i + 1]);
        if (a > kLargestEscaped || b > kLargestEscaped)
            return kUnusableBits;
        const int ca = a < kEscapeMarker ? a : kEscapeMarker;
        const int cb = b < kEscapeMarker ? b : kEscapeMarker;
        bits += tupleBits[ca * 17 + cb];
        if (ca == kEscapeMarker)
            bits += escapeBits(a);
        if (cb == kEscapeMarker)
            bits += escapeBits(b);
    }
    return bits;
}

} // namespace

int bookLargestValue(int book) {
    if (book == kEscapeBook)
        return kLargestEscaped;
    if (book < 1 || book > kEscapeBook)
        return 0;
    return kSpectralBooks[size_t(book)].largest;
}

int smallestBookFor(int maxAbs) {
    if (maxAbs <= 0)
        return 0;
    if (maxAbs <= 1)
        return 1;
    if (maxAbs <= 2)
        return 3;
    if (maxAbs <= 4)
        return 5;
    if (maxAbs <= 7)
        return 7;
    if (maxAbs <= 12)
        return 9;
    return kEscapeBook;
}

int spectralBitsAtLeast(const int16_t* values, int count) {
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        const auto value = unsigned(std::abs(int(values[i])));
        // A sign bit, then N - 4 ones, a zero and N bits for 2^N <= value.
        if (value >= 16)
            bits += 2 * int(std::bit_width(value)) - 4;
    }
    return bits;
}

int spectralBits(int book, const int16_t* values, int count) {
    if (book < 0 || book > kEscapeBook)
        return kUnusableBits;
    const uint8_t* bits = kSpectralBooks[size_t(book)].tupleBits;
    switch (book) {
    case 0:
        for (int i = 0; i < count; ++i)
            if (values[i] != 0)
                return kUnusableBits;
        return 0;
    case 1:
    case 2:
        return directBits<4, 3, 1, true>(bits, values, count);
    case 3:
    case 4:
        return directBits<4, 3, 2, false>(bits, values, count);
    case 5:
    case 6:
        return directBits<2, 9, 4, true>(bits, values, count);
    case 7:
    case 8:
        return directBits<2, 8, 7, false>(bits, values, count);
    case 9:
    case 10:
        return directBits<2, 13, 12, false>(bits, values, count);
    default:
        return escapeBookBits(bits, values, count);
    }
}

BookPairBits spectralBitsPair(int oddBook, const int16_t* values, int count) {
    if (oddBook < 1 || oddBook >= kEscapeBook || oddBook % 2 == 0)
        return {spectralBits(oddBook, values, count), spectralBits(oddBook + 1, values, count)};
    const uint8_t* odd = kSpectralBooks[size_t(oddBook)].tupleBits;
    const uint8_t* even = kSpectralBooks[size_t(oddBook + 1)].tupleBits;
    switch (oddBook) {
    case 1:
        return directPairBits<4, 3, 1, true>(odd, even, values, count);
    case 3:
        return directPairBits<4, 3, 2, false>(odd, even, values, count);
    case 5:
        return directPairBits<2, 9, 4, true>(odd, even, values, count);
    case 7:
        return directPairBits<2, 8, 7, false>(odd, even, values, count);
    default:
        return directPairBits<2, 13, 12, false>(odd, even, values, count);
    }
}

void writeSpectral(BitWriter& out, int book, const int16_t* values, int count) {
    if (book <= 0 || book > kEscapeBook)
        return;
    const Codebook& cb = kSpectralBooks[size_t(book)];
    for (int i = 0; i < count; i += cb.dimension) {
        int index = 0;
        for (int j = 0; j < cb.dimension; ++j) {
            const int v = values[i + j];
            const int magnitude = std::abs(v) < kEscapeMarker ? std::abs(v) : kEscapeMarker;
            index = index * cb.modulus + (cb.isSigned ? v + cb.largest : magnitude);
        }
        out.put(cb.codes[index], cb.lengths[index]);
        if (cb.isSigned)
            continue;
        for (int j = 0; j < cb.dimension; ++j)
            if (values[i + j] != 0)
                out.put(values[i + j] < 0 ? 1 : 0, 1);
        if (book != kEscapeBook)
            continue;
        for (int j = 0; j < 2; ++j)
            if (std::abs(values[i + j]) >= kEscapeMarker)
                writeEscape(out, std::abs(values[i + j]));
    }
}

int scalefactorBits(int difference) {
    if (difference < -kScalefactorIndexOffset || difference > kScalefactorIndexOffset)
        return kUnusableBits;
    return kScalefactorLengths[size_t(difference + kScalefactorIndexOffset)];
}

void writeScalefactor(BitWriter& out, int difference) {
    const size_t index = size_t(difference + kScalefactorIndexOffset);
    out.put(kScalefactorCodes[index], kScalefactorLengths[index]);
}

} // namespace sondrel::afconvert::aac
