#pragma once

#include <cstdint>

#include "platform/afconvert/aac/BitWriter.h"

namespace sondrel::afconvert::aac {

// The eleven spectral Huffman codebooks and the scalefactor codebook.

// The largest absolute value a book codes directly (book 11 codes 16 and
// more with an escape sequence, up to 8191, which it returns); 0 for book 0.
int bookLargestValue(int book);
// The cheapest book that can hold values up to maxAbs at all (0 for 0,
// 11 above 12); cheaper books for the data may lie above it.
int smallestBookFor(int maxAbs);

// Bits that `count` quantised values (a multiple of the book's dimension, 4
// for books 1-4, 2 for 5-11) cost in `book`, sign bits and escapes included;
// a large number (kUnusableBits or more) when a value does not fit the book.
constexpr int kUnusableBits = 1 << 24;
int spectralBits(int book, const int16_t* values, int count);
// spectralBits in an odd book below 11 and the even book after it, which
// read their values alike (1-2, 3-4, 5-6, 7-8, 9-10), in one pass.
struct BookPairBits {
    int odd = 0;
    int even = 0;
};
BookPairBits spectralBitsPair(int oddBook, const int16_t* values, int count);
// The fewest bits `count` quantised values can cost in any books: each
// value over 15 needs the escape book's sign bit and escape sequence,
// whatever the pair's codeword and the other values cost.
int spectralBitsAtLeast(const int16_t* values, int count);
// Writes them; the values must fit the book.
void writeSpectral(BitWriter& out, int book, const int16_t* values, int count);

// The scalefactor codebook: a difference of -60..60 between neighbouring
// scale factors (or noise energies, or intensity positions).
int scalefactorBits(int difference);
void writeScalefactor(BitWriter& out, int difference);

} // namespace sondrel::afconvert::aac
