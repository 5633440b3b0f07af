#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/afconvert/Options.h"

namespace sondrel::afconvert {

// How one of the four AAC strategies runs on libavcodec's AAC encoder. The
// encoder has two rate controls: a bit-rate mode, which steers its quantiser
// toward the bit rate frame by frame (packet sizes vary a few percent around
// it), and a constant-quality mode (global_quality is the quantiser's lambda),
// whose packet sizes follow the music. Every strategy codes the audio band the
// bit-rate mode picks for the rate it spends: the nominal rate, or for the
// constant bit rate the rate its encoder is aimed at.
//
//   0 constant bit rate:  bit-rate mode aimed just below the packet size the
//                         rate gives; every packet is filled up to that size.
//                         The aim follows the packets so that only about one
//                         in twenty comes out longer (the encoder cannot be
//                         held to a hard ceiling).
//   1 average bit rate:   bit-rate mode.
//   2 constrained VBR:    constant quality, chosen by encoding the opening
//                         seconds until they average the bit rate, or less
//                         where that keeps their loudest second clear of the
//                         ceiling: no second of the stream exceeds
//                         kConstrainedCeiling times the bit rate (after the
//                         opening, a limiter narrows the band for the rare
//                         second that would).
//   3 variable bit rate:  constant quality chosen to average the bit rate on
//                         the opening, and kept for the whole stream, peaks
//                         and all; with -ue vbrq, or without a bit rate, the
//                         quality is given outright.
enum class AacRateMode { BitRate, ConstantQuality };

// Below this many bits per second and channel the constant-quality mode codes
// stereo with intensity stereo, from it up without: at those rates its constant
// quality spends intensity stereo on bands it audibly flattens (bench/quality.sh
// at 128 and 256 kbit/s: 0.2 to 0.6 ODG better without it on tonal music and
// speech at the same rate), while at lower rates it is worth what it saves.
inline constexpr int64_t kIntensityStereoBelow = 64000;

// The constrained strategy's peak: no one-second stretch carries more than
// this many times the chosen bit rate.
inline constexpr double kConstrainedCeiling = 1.5;

// How many seconds of the opening the constant-quality strategies encode to
// find the quality that averages the bit rate.
inline constexpr double kQualitySearchSeconds = 8.0;

struct AacRatePlan {
    AacRateMode mode = AacRateMode::BitRate;
    int64_t bitRate = 0;          // the nominal rate, bit/s
    int bandwidth = 0;            // Hz: the audio band the encoder codes
    bool constantPackets = false; // constant bit rate: every packet filled to packetBytes
    size_t packetBytes = 0;
    int lambda = 0;               // constant quality: the quantiser's lambda (to start from)
    bool searchQuality = false;   // constant quality: correct lambda on the opening seconds
    int64_t ceiling = 0;          // highest bit rate over any second, bit/s; 0: unbounded
    bool intensityStereo = true;  // whether the encoder may code high bands as one intensity
    bool declaresAverage = false; // whether the stream promises an average bit rate
    std::string description;      // for verbose output
};

// The default total bit rate for a channel count: 64 kbit/s per channel.
int64_t defaultAacBitRate(int channels);

// The audio band, in Hz, libavcodec's AAC encoder codes at this bit rate in its
// bit-rate mode (its own rule, which every strategy here follows).
int aacBandwidth(int64_t bitRate, int channels, int sampleRate);

// The constant-quality lambda that gives typical material (music, speech and
// effects, measured at 48 kHz) about this many bits per packet and channel.
int aacLambdaForBits(double bitsPerPacketAndChannel);

// Plans the rate control. bitRate 0 means "not given"; it is already within
// the encoder's range. maxPacketBytes is the largest packet AAC allows.
AacRatePlan planAacRate(AacStrategy strategy, int64_t bitRate, std::optional<int> variableQuality,
                        int channels, int sampleRate, size_t maxPacketBytes);

} // namespace sondrel::afconvert
