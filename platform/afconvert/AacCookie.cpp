#include "platform/afconvert/AacCookie.h"

#include "platform/afconvert/BigEndian.h"

namespace sondrel::afconvert {

namespace {

constexpr uint8_t kEsDescrTag = 0x03;
constexpr uint8_t kDecoderConfigDescrTag = 0x04;
constexpr uint8_t kDecSpecificInfoTag = 0x05;
constexpr uint8_t kSlConfigDescrTag = 0x06;
constexpr uint8_t kObjectTypeMpeg4Audio = 0x40;
constexpr uint8_t kStreamTypeAudio = 0x05;
// An AAC-LC decoder needs at most 6144 bits per channel for one frame; the
// value is advisory and Apple's cookies carry the stereo size.
constexpr uint32_t kBufferSizeDb = 6144;

void descriptorHeader(BigEndianBuffer& out, uint8_t tag, uint32_t length) {
    out.u8(tag);
    out.u8(static_cast<uint8_t>(0x80 | ((length >> 21) & 0x7F)));
    out.u8(static_cast<uint8_t>(0x80 | ((length >> 14) & 0x7F)));
    out.u8(static_cast<uint8_t>(0x80 | ((length >> 7) & 0x7F)));
    out.u8(static_cast<uint8_t>(length & 0x7F));
}

} // namespace

std::vector<uint8_t> makeAacMagicCookie(const std::vector<uint8_t>& audioSpecificConfig,
                                        AacBitRates rates) {
    constexpr uint32_t kHeader = 5;
    if (audioSpecificConfig.empty() || audioSpecificConfig.size() > 0xFFFF)
        return {};
    const auto ascLength = static_cast<uint32_t>(audioSpecificConfig.size());
    const uint32_t decoderConfigLength = 13 + kHeader + ascLength;
    const uint32_t slConfigLength = 1;
    const uint32_t esLength = 3 + kHeader + decoderConfigLength + kHeader + slConfigLength;

    BigEndianBuffer out;
    descriptorHeader(out, kEsDescrTag, esLength);
    out.u16(0); // ES_ID
    out.u8(0);  // streamDependenceFlag, URL_Flag, OCRstreamFlag, streamPriority
    descriptorHeader(out, kDecoderConfigDescrTag, decoderConfigLength);
    out.u8(kObjectTypeMpeg4Audio);         // objectTypeIndication
    out.u8((kStreamTypeAudio << 2) | 0x1); // streamType, upStream 0, reserved 1
    out.u24(kBufferSizeDb);                // bufferSizeDB
    out.u32(rates.maximum);                // maxBitrate
    out.u32(rates.average);                // avgBitrate
    descriptorHeader(out, kDecSpecificInfoTag, ascLength);
    out.bytes(audioSpecificConfig);
    descriptorHeader(out, kSlConfigDescrTag, slConfigLength);
    out.u8(0x02); // predefined: MP4
    return out.data();
}

} // namespace sondrel::afconvert
