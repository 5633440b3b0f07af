#pragma once

#include <array>
#include <cstdint>

namespace sondrel::afconvert::aac {

// One spectral Huffman codebook. A tuple of `dimension` values v0, v1, ...
// has the index sum(v_i * modulus^(dimension-1-i)) after each value is
// offset by `largest` in a signed book or replaced by its magnitude in an
// unsigned one (whose non-zero values are followed by a sign bit each).
struct Codebook {
    const uint16_t* codes = nullptr;
    const uint8_t* lengths = nullptr;
    // The codeword's length plus, in unsigned books, the tuple's sign bits:
    // what the tuple costs, escapes aside.
    const uint8_t* tupleBits = nullptr;
    int dimension = 0;
    int modulus = 0;
    bool isSigned = false;
    // The largest magnitude coded without an escape (16 in book 11 is the escape).
    int largest = 0;
};

// Indexed by book number; entry 0 is the empty zero book.
extern const std::array<Codebook, 12> kSpectralBooks;

// The scalefactor codebook, indexed by difference + 60.
constexpr int kScalefactorIndexOffset = 60;
extern const std::array<uint32_t, 121> kScalefactorCodes;
extern const std::array<uint8_t, 121> kScalefactorLengths;

} // namespace sondrel::afconvert::aac
