#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/afconvert/ByteSink.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// The stream format as the 'desc' chunk stores it (an AudioStreamBasicDescription
// without the two fields CAF leaves out). formatId is the four-character code.
struct CafStreamDescription {
    double sampleRate = 0;         // mSampleRate
    std::string formatId;          // mFormatID: "lpcm", "ima4", "aac ", "alac", ...
    uint32_t formatFlags = 0;      // mFormatFlags, in CAF's meaning (lpcm: 1 float, 2 LE)
    uint32_t bytesPerPacket = 0;   // mBytesPerPacket, 0 = variable
    uint32_t framesPerPacket = 0;  // mFramesPerPacket
    uint32_t channelsPerFrame = 0; // mChannelsPerFrame
    uint32_t bitsPerChannel = 0;   // mBitsPerChannel, 0 for compressed formats
};

// A 'chan' chunk given by a layout tag, or by a channel bitmap when the tag is
// kUseChannelBitmap.
struct CafChannelLayout {
    static constexpr uint32_t kUseChannelBitmap = 0x00010000;
    uint32_t tag = 0;
    uint32_t bitmap = 0;
};

struct CafWriterSetup {
    CafStreamDescription description;
    std::optional<CafChannelLayout> channelLayout;
    std::vector<uint8_t> magicCookie; // 'kuki' body; written when not empty
    uint32_t primingFrames = 0;       // frames the decoder drops at the start
    // For constant-size packets, whether to add a packet table that records
    // the valid frame count (formats whose last packet carries padding).
    bool packetTableForConstantPackets = false;
    // Adds a 'free' chunk so that the audio data starts on a 4096-byte boundary.
    bool pageAlignAudio = true;
};

// Writes one Core Audio Format file: header, packets, trailer.
//
// Constant-size packets (PCM, IMA4) stream straight into the output and the
// sizes are patched at the end. Variable-size packets (AAC, ALAC) need their
// packet table in front of the audio data, where every reader finds it, but
// the table is known only at the end: the packets and table entries wait in
// the two scratch stores and are copied behind the header by finish(). Memory
// use does not depend on the length of the stream either way.
//
// The sinks and stores are borrowed and must outlive the writer. Nothing is
// written before begin() has checked every precondition.
class CafWriter {
public:
    CafWriter(ByteSink& output, ScratchStore* audioScratch, ScratchStore* tableScratch)
        : m_out(output), m_audioScratch(audioScratch), m_tableScratch(tableScratch) {}

    Status begin(const CafWriterSetup& setup);
    // One packet of encoded audio holding `frames` frames (the last packet of a
    // stream may hold fewer than framesPerPacket). Constant-size packets may
    // come several at once.
    Status writePacket(std::span<const uint8_t> packet, uint32_t frames);
    // Replaces the magic cookie of a stream of variable-size packets, whose
    // header finish() writes: for cookies that describe the packets (bit rates).
    Status replaceMagicCookie(std::vector<uint8_t> cookie);
    // Completes the file; validFrames is the count of real frames, without
    // priming and padding.
    Status finish(int64_t validFrames);

    int64_t packetCount() const { return m_packets; }

    static bool isVariable(const CafStreamDescription& d) {
        return d.bytesPerPacket == 0 || d.framesPerPacket == 0;
    }

private:
    Status writeHeaderChunks(bool variable);
    Status writeFreeAndDataHeader(int64_t dataSize);
    std::vector<uint8_t> packetTableHeader() const;

    ByteSink& m_out;
    ScratchStore* m_audioScratch;
    ScratchStore* m_tableScratch;
    CafWriterSetup m_setup;
    bool m_begun = false;
    bool m_finished = false;
    int64_t m_packets = 0;
    std::optional<int64_t> m_validFrames;
    uint64_t m_audioBytes = 0;
    uint64_t m_packetTableOffset = 0; // where the constant-packet table header sits
    uint64_t m_dataHeaderOffset = 0;
};

} // namespace sondrel::afconvert
