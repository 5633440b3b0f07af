#include "platform/afconvert/CafWriter.h"

#include "platform/afconvert/BigEndian.h"

namespace sondrel::afconvert {

namespace {

constexpr uint64_t kPageSize = 4096;
constexpr uint64_t kChunkHeaderSize = 12;
constexpr uint64_t kEditCountSize = 4;
constexpr uint64_t kPacketTableHeaderSize = 24;

void chunkHeader(BigEndianBuffer& out, std::string_view type, int64_t size) {
    out.fourCC(type);
    out.u64(static_cast<uint64_t>(size));
}

Status checkSetup(const CafWriterSetup& setup, bool haveScratch) {
    const CafStreamDescription& d = setup.description;
    if (!(d.sampleRate > 0))
        return Status::failure("the sample rate must be positive");
    if (d.formatId.size() != 4)
        return Status::failure("the format must be a four-character code");
    if (d.channelsPerFrame == 0)
        return Status::failure("the stream needs at least one channel");
    if (CafWriter::isVariable(d) && !haveScratch)
        return Status::failure("variable-size packets need scratch stores");
    if (d.framesPerPacket == 0 && d.bytesPerPacket != 0)
        return Status::failure("packets of variable frame count are not supported");
    if (setup.channelLayout && setup.channelLayout->tag != CafChannelLayout::kUseChannelBitmap &&
        (setup.channelLayout->tag & 0xFFFF) != d.channelsPerFrame)
        return Status::failure("the channel layout does not match the channel count");
    return {};
}

} // namespace

Status CafWriter::begin(const CafWriterSetup& setup) {
    if (m_begun)
        return Status::failure("the CAF header was already written");
    AFC_TRY(checkSetup(setup, m_audioScratch != nullptr && m_tableScratch != nullptr));
    m_setup = setup;
    m_begun = true;
    if (isVariable(m_setup.description))
        return {}; // the header is written by finish(), once the packet table is known
    AFC_TRY(writeHeaderChunks(false));
    return writeFreeAndDataHeader(-1);
}

Status CafWriter::writeHeaderChunks(bool variable) {
    const CafStreamDescription& d = m_setup.description;
    BigEndianBuffer out;
    out.fourCC("caff"); // mFileType
    out.u16(1);         // mFileVersion
    out.u16(0);         // mFileFlags

    chunkHeader(out, "desc", 32);
    out.f64(d.sampleRate);       // mSampleRate
    out.fourCC(d.formatId);      // mFormatID
    out.u32(d.formatFlags);      // mFormatFlags
    out.u32(d.bytesPerPacket);   // mBytesPerPacket
    out.u32(d.framesPerPacket);  // mFramesPerPacket
    out.u32(d.channelsPerFrame); // mChannelsPerFrame
    out.u32(d.bitsPerChannel);   // mBitsPerChannel

    if (m_setup.channelLayout) {
        const bool bitmap = m_setup.channelLayout->tag == CafChannelLayout::kUseChannelBitmap;
        chunkHeader(out, "chan", 12);
        out.u32(m_setup.channelLayout->tag);                 // mChannelLayoutTag
        out.u32(bitmap ? m_setup.channelLayout->bitmap : 0); // mChannelBitmap
        out.u32(0);                                          // mNumberChannelDescriptions
    }
    if (!m_setup.magicCookie.empty()) {
        chunkHeader(out, "kuki", static_cast<int64_t>(m_setup.magicCookie.size()));
        out.bytes(m_setup.magicCookie);
    }
    AFC_TRY(m_out.write(out.data()));

    if (variable) {
        const uint64_t entries = m_tableScratch->size();
        BigEndianBuffer pakt;
        chunkHeader(pakt, "pakt", static_cast<int64_t>(kPacketTableHeaderSize + entries));
        AFC_TRY(m_out.write(pakt.data()));
        AFC_TRY(m_out.write(packetTableHeader()));
        AFC_TRY(m_tableScratch->copyTo(m_out));
    } else if (m_setup.packetTableForConstantPackets) {
        BigEndianBuffer pakt;
        chunkHeader(pakt, "pakt", kPacketTableHeaderSize);
        AFC_TRY(m_out.write(pakt.data()));
        m_packetTableOffset = m_out.size();
        AFC_TRY(m_out.write(packetTableHeader()));
    }
    return {};
}

std::vector<uint8_t> CafWriter::packetTableHeader() const {
    // Until finish() knows the valid frame count the counts are placeholders.
    const int64_t valid = m_validFrames.value_or(0);
    const int64_t priming = m_validFrames ? m_setup.primingFrames : 0;
    const int64_t capacity = m_packets * m_setup.description.framesPerPacket;
    const int64_t remainder = m_validFrames ? capacity - priming - valid : 0;
    BigEndianBuffer out;
    out.u64(static_cast<uint64_t>(m_packets)); // mNumberPackets
    out.u64(static_cast<uint64_t>(valid));     // mNumberValidFrames
    out.u32(static_cast<uint32_t>(priming));   // mPrimingFrames
    out.u32(static_cast<uint32_t>(remainder)); // mRemainderFrames
    return out.data();
}

Status CafWriter::writeFreeAndDataHeader(int64_t dataSize) {
    BigEndianBuffer out;
    if (m_setup.pageAlignAudio) {
        const uint64_t freeAt = m_out.size();
        const uint64_t overhead = freeAt + 2 * kChunkHeaderSize + kEditCountSize;
        const uint64_t audioStart = (overhead + kPageSize - 1) / kPageSize * kPageSize;
        chunkHeader(out, "free", static_cast<int64_t>(audioStart - overhead));
        out.zeros(audioStart - overhead);
    }
    m_dataHeaderOffset = m_out.size() + out.size();
    chunkHeader(out, "data", dataSize);
    out.u32(0); // mEditCount
    return m_out.write(out.data());
}

Status CafWriter::writePacket(std::span<const uint8_t> packet, uint32_t frames) {
    if (!m_begun || m_finished)
        return Status::failure("packet written outside of the stream");
    const CafStreamDescription& d = m_setup.description;
    if (isVariable(d)) {
        if (packet.empty() || frames == 0 || frames > d.framesPerPacket)
            return Status::failure("empty packet or packet frame count out of range");
        std::vector<uint8_t> entry;
        appendVarint(entry, packet.size());
        AFC_TRY(m_tableScratch->write(entry));
        AFC_TRY(m_audioScratch->write(packet));
        ++m_packets;
    } else {
        // Constant-size packets may come several at a time.
        const uint64_t count = packet.size() / d.bytesPerPacket;
        if (packet.empty() || packet.size() % d.bytesPerPacket != 0)
            return Status::failure("packet size differs from the format's packet size");
        if (frames == 0 || frames > count * d.framesPerPacket)
            return Status::failure("packet frame count out of range");
        AFC_TRY(m_out.write(packet));
        m_packets += static_cast<int64_t>(count);
    }
    m_audioBytes += packet.size();
    return {};
}

Status CafWriter::replaceMagicCookie(std::vector<uint8_t> cookie) {
    if (!m_begun || m_finished || !isVariable(m_setup.description))
        return Status::failure("the magic cookie is already written");
    m_setup.magicCookie = std::move(cookie);
    return {};
}

Status CafWriter::finish(int64_t validFrames) {
    if (!m_begun || m_finished)
        return Status::failure("the stream was not started or is already finished");
    if (m_packets == 0)
        m_setup.primingFrames = 0; // an empty stream has nothing to prime
    const int64_t capacity = m_packets * m_setup.description.framesPerPacket;
    if (validFrames < 0 || validFrames + m_setup.primingFrames > capacity)
        return Status::failure("more valid frames than the packets hold");
    m_finished = true;
    m_validFrames = validFrames;
    const auto dataSize = static_cast<int64_t>(kEditCountSize + m_audioBytes);
    if (isVariable(m_setup.description)) {
        AFC_TRY(writeHeaderChunks(true));
        AFC_TRY(writeFreeAndDataHeader(dataSize));
        return m_audioScratch->copyTo(m_out);
    }
    if (m_setup.packetTableForConstantPackets)
        AFC_TRY(m_out.patchAt(m_packetTableOffset, packetTableHeader()));
    BigEndianBuffer size;
    size.u64(static_cast<uint64_t>(dataSize));
    return m_out.patchAt(m_dataHeaderOffset + 4, size.data());
}

} // namespace sondrel::afconvert
