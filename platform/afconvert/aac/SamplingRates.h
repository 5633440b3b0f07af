#pragma once

#include <cstdint>
#include <span>

namespace sondrel::afconvert::aac {

// sampling_frequency_index of one of the standard's rates (96000, 88200,
// 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000), or -1.
int samplingFrequencyIndex(int sampleRate);
// The rate of an index 0..11 (0 for any other index).
int standardRate(int index);
// The standard rate a source at sampleRate is best resampled to: the nearest
// at or above it where there is one, else 96000.
int nearestStandardRate(int sampleRate);

// swb_offset tables: the first line of each scalefactor band and, last, the
// window's line count (1024 long, 128 short). Indexed by sampling frequency
// index; empty for an index out of range.
std::span<const uint16_t> longBandOffsets(int frequencyIndex);
std::span<const uint16_t> shortBandOffsets(int frequencyIndex);

} // namespace sondrel::afconvert::aac
