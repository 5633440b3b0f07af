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
    void lowFrequency(int tag, const IcsFrame& frame);
    // A FIL element of exactly `bytes` bytes (1 or more, several elements
    // when needed), written as fill bits a decoder skips.
    void fill(int bytes);
    size_t bitCount() const { return m_out.bitCount(); }
    // Ends the block (ID_END), pads to a byte and returns it; the writer is
    // empty again afterwards.
    std::vector<uint8_t> finish();

    // Whether a frame can be written: band count, grouping, books, scale factor
    // differences, value ranges, TNS limits.
    static bool valid(const IcsFrame& frame, int frequencyIndex);

private:
    int m_frequencyIndex;
    BitWriter m_out;
};

// The AudioSpecificConfig of an AAC-LC stream (object type 2, 1024-line frames)
// for a sampling frequency index and channel_configuration 1..7.
std::vector<uint8_t> audioSpecificConfig(int frequencyIndex, int channelConfiguration);

} // namespace sondrel::afconvert::aac
