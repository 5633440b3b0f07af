#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/afconvert/AacCookie.h"
#include "platform/afconvert/Options.h"

namespace sondrel::afconvert {

// How one of the four AAC strategies runs on libavcodec's AAC encoder, which
// has two rate controls: a bit-rate mode that steers its quantiser toward a
// nominal rate frame by frame (packet sizes vary around it), and a
// constant-quantiser mode (global_quality is the quantiser's lambda) whose
// packet sizes follow the music.
//
//   0 constant:            bit-rate mode, every packet padded to the size
//                          the bit rate gives (packets can only grow)
//   1 average:             bit-rate mode
//   2 constrained variable: constant quantiser chosen so that typical music
//                          averages about the bit rate
//   3 variable:            constant quantiser from the quality (-ue vbrq),
//                          or from the bit rate when only that is given
struct AacRatePlan {
    bool constantQuantizer = false;
    int64_t bitRate = 0;   // bit-rate mode's target, and the nominal rate
    int globalQuality = 0; // lambda for the constant-quantiser mode
    bool padToConstant = false;
    AacBitRates declared;    // for the decoder configuration
    std::string description; // for verbose output
};

// The default total bit rate for a channel count: 64 kbit/s per channel.
int64_t defaultAacBitRate(int channels);

// Plans the rate control. bitRate 0 means "not given".
AacRatePlan planAacRate(AacStrategy strategy, int64_t bitRate, std::optional<int> variableQuality,
                        int channels, int sampleRate);

} // namespace sondrel::afconvert
