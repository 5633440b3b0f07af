#pragma once

#include <cstdint>
#include <vector>

#include "platform/afconvert/aac/BitWriter.h"
#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

// Chooses each band's codebook for the frame's quantised lines so that the
// section data and the spectral data together cost the fewest bits (bands
// whose lines are all zero take kZeroBook; noise and intensity bands keep
// their book). Returns the bits the section and spectral data then cost.
// A zero band's scale factor drops out of the coded differences, so the
// neighbours it leaves must still lie within 60 of each other.
int chooseBooks(IcsFrame& frame, int frequencyIndex);

// Bits the individual_channel_stream costs as it stands (books chosen),
// with or without its own ics_info (a common-window pair codes one for both).
int icsBits(const IcsFrame& frame, int frequencyIndex, bool withIcsInfo);

// Writes one raw_data_block (ISO/IEC 14496-3 4.4.2.1) element by element. The
// caller checks each frame beforehand with `valid`; an invalid frame is a
// programming error.
class FrameWriter {
public:
    explicit FrameWriter(int frequencyIndex) : m_frequencyIndex(frequencyIndex) {}

    // SCE, CPE and LFE elements; tag is element_instance_tag.
    void singleChannel(int tag, const IcsFrame& frame);
    void channelPair(int tag, const IcsFrame& first, const IcsFrame& second,
                     const PairCoding& pair);
    // An LFE channel takes only long windows (WindowSequence::OnlyLong).
    void lowFrequency(int tag, const IcsFrame& frame);
    // A FIL element of exactly `bytes` bytes (1 or more, several elements
    // when needed), written as fill bits a decoder skips. `bytes` counts the
    // element's contents, as its count field does (at most 269 an element);
    // the element's id and count fields come on top (see fillBits).
    void fill(int bytes);
    // Fills the block so that finish() returns exactly `blockBytes` bytes;
    // false (and nothing written) when the block is already too long for it.
    bool fillTo(size_t blockBytes);
    // The bits fill(bytes) writes: 7 per element (15 from 15 bytes on) plus
    // 8 per byte.
    static int fillBits(int bytes);
    size_t bitCount() const { return m_out.bitCount(); }
    // Ends the block (ID_END), pads to a byte and returns it; the writer is
    // empty again afterwards.
    std::vector<uint8_t> finish();

    // Whether a frame can be written: band count, grouping, books, scale factor
    // differences, value ranges, TNS limits. Scale factors must lie in 0..255,
    // noise energies in -100..155 and intensity positions in -155..100
    // (decoders clip beyond).
    static bool valid(const IcsFrame& frame, int frequencyIndex);
    // `valid`, for a frame the encoder has just quantised (every line within
    // range, none above its coded bands) and whose books `chooseBooks` has
    // just chosen (they hold their lines): only the rest is checked. Pricing
    // every band again took a twentieth of the encoder's time, looking at
    // every line a twenty-fifth.
    static bool validSectioned(const IcsFrame& frame, int frequencyIndex);
    // Both channels valid, ms_mask_present 0..2 (only with a common window),
    // intensity bands only in the second channel of a common window, and
    // with a common window the second channel's window sequence, shape, band
    // count and grouping the same as the first's. (`valid` does not know the
    // element: a single channel must not use the intensity books.)
    static bool validPair(const IcsFrame& first, const IcsFrame& second, const PairCoding& pair,
                          int frequencyIndex);

private:
    void fillElement(int count);

    int m_frequencyIndex;
    BitWriter m_out;
};

// The AudioSpecificConfig of an AAC-LC stream (object type 2, 1024-line frames)
// for a sampling frequency index and channel_configuration 1..7.
std::vector<uint8_t> audioSpecificConfig(int frequencyIndex, int channelConfiguration);

} // namespace sondrel::afconvert::aac
