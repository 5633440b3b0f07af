#include "platform/afconvert/ChannelLayout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>

namespace sondrel::afconvert {

namespace {

constexpr uint64_t L = 0x1, R = 0x2, C = 0x4, LFE = 0x8, Ls = 0x10, Rs = 0x20, Lc = 0x40, Rc = 0x80,
                   Cs = 0x100, Lsd = 0x200, Rsd = 0x400;
constexpr uint64_t kBackPair = Ls | Rs, kSidePair = Lsd | Rsd;

struct NamedLayout {
    std::string_view name;
    uint32_t tag;                // 0: a plain name
    std::vector<uint64_t> order; // owned: a braced list here would outlive its storage
    bool codecOrder;
};

constexpr uint32_t tagOf(uint32_t number, uint32_t channels) {
    return (number << 16) | channels;
}

// The tags of Core Audio's channel layouts this converter knows, with their
// channel orders, and the plain names.
const std::array kLayouts = {
    NamedLayout{"Mono", tagOf(100, 1), {C}, true},
    NamedLayout{"Stereo", tagOf(101, 2), {L, R}, true},
    NamedLayout{"Quadraphonic", tagOf(108, 4), {L, R, Ls, Rs}, true},
    NamedLayout{"AAC_Quadraphonic", tagOf(108, 4), {L, R, Ls, Rs}, true},
    NamedLayout{"MPEG_3_0_A", tagOf(113, 3), {L, R, C}, false},
    NamedLayout{"MPEG_3_0_B", tagOf(114, 3), {C, L, R}, true},
    NamedLayout{"AAC_3_0", tagOf(114, 3), {C, L, R}, true},
    NamedLayout{"MPEG_4_0_A", tagOf(115, 4), {L, R, C, Cs}, false},
    NamedLayout{"MPEG_4_0_B", tagOf(116, 4), {C, L, R, Cs}, true},
    NamedLayout{"AAC_4_0", tagOf(116, 4), {C, L, R, Cs}, true},
    NamedLayout{"MPEG_5_0_A", tagOf(117, 5), {L, R, C, Ls, Rs}, false},
    NamedLayout{"MPEG_5_0_B", tagOf(118, 5), {L, R, Ls, Rs, C}, false},
    NamedLayout{"MPEG_5_0_C", tagOf(119, 5), {L, C, R, Ls, Rs}, false},
    NamedLayout{"MPEG_5_0_D", tagOf(120, 5), {C, L, R, Ls, Rs}, true},
    NamedLayout{"AAC_5_0", tagOf(120, 5), {C, L, R, Ls, Rs}, true},
    NamedLayout{"MPEG_5_1_A", tagOf(121, 6), {L, R, C, LFE, Ls, Rs}, false},
    NamedLayout{"MPEG_5_1_B", tagOf(122, 6), {L, R, Ls, Rs, C, LFE}, false},
    NamedLayout{"MPEG_5_1_C", tagOf(123, 6), {L, C, R, Ls, Rs, LFE}, false},
    NamedLayout{"MPEG_5_1_D", tagOf(124, 6), {C, L, R, Ls, Rs, LFE}, true},
    NamedLayout{"AAC_5_1", tagOf(124, 6), {C, L, R, Ls, Rs, LFE}, true},
    NamedLayout{"MPEG_6_1_A", tagOf(125, 7), {L, R, C, LFE, Ls, Rs, Cs}, false},
    NamedLayout{"MPEG_7_1_A", tagOf(126, 8), {L, R, C, LFE, Ls, Rs, Lc, Rc}, false},
    NamedLayout{"MPEG_7_1_B", tagOf(127, 8), {C, Lc, Rc, L, R, Ls, Rs, LFE}, true},
    NamedLayout{"AAC_7_1", tagOf(127, 8), {C, Lc, Rc, L, R, Ls, Rs, LFE}, true},
    NamedLayout{"MPEG_7_1_C", tagOf(128, 8), {L, R, C, LFE, Lsd, Rsd, Ls, Rs}, false},
    NamedLayout{"AAC_6_0", tagOf(141, 6), {C, L, R, Ls, Rs, Cs}, true},
    NamedLayout{"AAC_6_1", tagOf(142, 7), {C, L, R, Ls, Rs, Cs, LFE}, true},
    NamedLayout{"AAC_7_0", tagOf(143, 7), {C, L, R, Lsd, Rsd, Ls, Rs}, true},
    NamedLayout{"mono", 0, {C}, false},
    NamedLayout{"stereo", 0, {L, R}, false},
    NamedLayout{"quad", 0, {L, R, Ls, Rs}, false},
    NamedLayout{"3.0", 0, {L, R, C}, false},
    NamedLayout{"4.0", 0, {L, R, C, Cs}, false},
    NamedLayout{"5.0", 0, {L, R, C, Ls, Rs}, false},
    NamedLayout{"5.1", 0, {L, R, C, LFE, Ls, Rs}, false},
    NamedLayout{"6.1", 0, {L, R, C, LFE, Ls, Rs, Cs}, false},
    NamedLayout{"7.1", 0, {L, R, C, LFE, Ls, Rs, Lsd, Rsd}, false},
};

std::string lower(std::string_view text) {
    std::string out;
    for (char c : text)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

ChannelLayout fromNamed(const NamedLayout& named) {
    return ChannelLayout{std::string(named.name), named.tag, named.order, named.codecOrder};
}

} // namespace

uint64_t ChannelLayout::mask() const {
    uint64_t mask = 0;
    for (uint64_t speaker : order)
        mask |= speaker;
    return mask;
}

bool ChannelLayout::inWaveOrder() const {
    return std::is_sorted(order.begin(), order.end());
}

ChannelLayout ChannelLayout::matchingSurround(uint64_t sourceMask) const {
    ChannelLayout out = *this;
    const uint64_t m = mask();
    if ((m & kBackPair) != kBackPair || (m & kSidePair) || (sourceMask & kSidePair) != kSidePair ||
        (sourceMask & kBackPair))
        return out;
    for (uint64_t& speaker : out.order)
        speaker = speaker == Ls ? Lsd : speaker == Rs ? Rsd : speaker;
    return out;
}

std::vector<int> ChannelLayout::waveOrderMap() const {
    std::vector<int> map(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        map[i] = static_cast<int>(i);
    std::sort(map.begin(), map.end(),
              [this](int a, int b) { return order[size_t(a)] < order[size_t(b)]; });
    return map;
}

std::string ChannelLayout::speakerNames() const {
    // With both surround pairs, the side pair is Ls Rs and the back pair the rear one.
    const bool both = (mask() & (kBackPair | kSidePair)) == (kBackPair | kSidePair);
    const std::pair<uint64_t, std::string_view> names[] = {{L, "L"},
                                                           {R, "R"},
                                                           {C, "C"},
                                                           {LFE, "LFE"},
                                                           {Ls, both ? "Rls" : "Ls"},
                                                           {Rs, both ? "Rrs" : "Rs"},
                                                           {Lc, "Lc"},
                                                           {Rc, "Rc"},
                                                           {Cs, "Cs"},
                                                           {Lsd, "Ls"},
                                                           {Rsd, "Rs"}};
    std::string out;
    for (uint64_t speaker : order)
        for (const auto& [bit, name] : names)
            if (bit == speaker)
                out += (out.empty() ? "" : " ") + std::string(name);
    return out;
}

Status parseChannelLayout(std::string_view text, ChannelLayout& out) {
    std::string name;
    for (char c : text)
        if (c != '\'' && c != '"')
            name += c;
    std::string key = lower(name);
    if (key.starts_with("kaudiochannellayouttag_"))
        key.erase(0, 23);
    for (const NamedLayout& named : kLayouts) {
        if (lower(named.name) == key) {
            out = fromNamed(named);
            return {};
        }
    }
    return Status::failure("unknown channel layout '" + name +
                           "' (use a tag such as Mono, Stereo, MPEG_5_1_A or AAC_5_1, or mono, "
                           "stereo, quad, 5.0, 5.1, 6.1, 7.1)");
}

std::optional<ChannelLayout> namedLayout(uint64_t mask, bool codecOrder) {
    // Tags first; plain names are in WAV order too.
    for (bool tagged : {true, false})
        for (const NamedLayout& named : kLayouts) {
            const ChannelLayout layout = fromNamed(named);
            if ((named.tag != 0) == tagged && sameSpeakers(layout.mask(), mask) &&
                (codecOrder ? layout.codecOrder : layout.inWaveOrder()))
                return layout;
        }
    return std::nullopt;
}

bool sameSpeakers(uint64_t a, uint64_t b) {
    auto backForSide = [](uint64_t m) {
        return (m & kSidePair) == kSidePair && !(m & kBackPair) ? (m & ~kSidePair) | kBackPair : m;
    };
    return a == b || backForSide(a) == backForSide(b);
}

} // namespace sondrel::afconvert
