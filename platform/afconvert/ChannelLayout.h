#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// A channel layout named with -l: a layout tag such as MPEG_5_1_A or
// AAC_5_1 (a set of speakers in a fixed order), or a plain name such as
// mono, stereo or 5.1 (the speakers, in the order the data format keeps).
//
// Speakers are FFmpeg's (and WAV's) channel bits. Left and right surround
// (Ls, Rs) are the back pair; they stand for the side pair of a source that
// has that one instead, as 5.1 files differ on it.
struct ChannelLayout {
    std::string name;
    uint32_t tag = 0;            // the CAF layout tag, 0 for a plain name
    std::vector<uint64_t> order; // the speakers, in the order the channels come
    bool codecOrder = false;     // the order AAC and ALAC keep these speakers in

    int channels() const { return static_cast<int>(order.size()); }
    uint64_t mask() const;
    // Whether the channels come in WAV order (rising channel bits).
    bool inWaveOrder() const;
    // The layout with the side pair in place of the back pair where the
    // given mask (a source's) has the side pair only.
    ChannelLayout matchingSurround(uint64_t sourceMask) const;
    // For each channel in WAV order, the index of the channel that carries it.
    std::vector<int> waveOrderMap() const;
    // "L R C LFE Ls Rs", for messages.
    std::string speakerNames() const;
};

// Parses a -l value: a tag name, with or without "kAudioChannelLayoutTag_",
// quoted or not, in any case; or mono, stereo, quad, 3.0, 4.0, 5.0, 5.1, 6.1, 7.1.
Status parseChannelLayout(std::string_view text, ChannelLayout& out);

// A layout with these speakers in WAV order (a tag, else a plain name), or in
// the order AAC and ALAC keep them (a tag), if there is one.
std::optional<ChannelLayout> namedLayout(uint64_t mask, bool codecOrder);

// Whether two sets of speakers are the same, taking the side pair of one for
// the back pair of the other.
bool sameSpeakers(uint64_t a, uint64_t b);

} // namespace sondrel::afconvert
