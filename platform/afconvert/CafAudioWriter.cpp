#include "platform/afconvert/CafAudioWriter.h"

#include <bit>

namespace sondrel::afconvert {

namespace {

// CAF channel layout tags (low 16 bits: channel count).
constexpr uint32_t kLayoutMono = 0x00640001;
constexpr uint32_t kLayoutStereo = 0x00650002;
constexpr uint32_t kLayoutMpeg51A = 0x00790006; // L R C LFE Ls Rs
constexpr uint32_t kLayoutMpeg51D = 0x007C0006; // C L R Ls Rs LFE
constexpr uint64_t kMask51Back = 0x3F;
constexpr uint64_t kMask51Side = 0x60F;
// The channel bits CAF's bitmap shares with WAV's mask.
constexpr uint64_t kBitmapChannels = 0x3FFFF;

std::optional<CafChannelLayout> layoutFor(const EncodedStream& s) {
    if (s.channels == 1)
        return CafChannelLayout{kLayoutMono, 0};
    if (s.channels == 2)
        return CafChannelLayout{kLayoutStereo, 0};
    const bool codecOrder = s.format.kind == DataKind::Aac || s.format.kind == DataKind::Alac;
    if (s.channels == 6 && (s.channelMask == kMask51Back || s.channelMask == kMask51Side))
        return CafChannelLayout{codecOrder ? kLayoutMpeg51D : kLayoutMpeg51A, 0};
    // Others: PCM in WAV order is what the bitmap means; codecs define their own order.
    if (!codecOrder && s.channelMask != 0 && (s.channelMask & ~kBitmapChannels) == 0 &&
        std::popcount(s.channelMask) == s.channels)
        return CafChannelLayout{CafChannelLayout::kUseChannelBitmap,
                                static_cast<uint32_t>(s.channelMask)};
    return std::nullopt;
}

uint32_t lpcmFlags(const PcmFormat& pcm) {
    uint32_t flags = pcm.isFloat ? 1u : 0u; // kCAFLinearPCMFormatFlagIsFloat
    if (!pcm.bigEndian && pcm.bits > 8)
        flags |= 2u; // kCAFLinearPCMFormatFlagIsLittleEndian
    return flags;
}

} // namespace

Status makeCafSetup(const EncodedStream& stream, bool pageAlignAudio, CafWriterSetup& setup) {
    setup = CafWriterSetup{};
    CafStreamDescription& d = setup.description;
    d.sampleRate = stream.sampleRate;
    d.channelsPerFrame = static_cast<uint32_t>(stream.channels);
    d.framesPerPacket = static_cast<uint32_t>(stream.framesPerPacket);
    d.bytesPerPacket = static_cast<uint32_t>(stream.bytesPerPacket);
    switch (stream.format.kind) {
    case DataKind::LinearPcm:
        if (!stream.format.pcm.isSigned && !stream.format.pcm.isFloat)
            return Status::failure("CAF stores 8-bit samples signed (use I8, not UI8)");
        d.formatId = "lpcm";
        d.formatFlags = lpcmFlags(stream.format.pcm);
        d.bitsPerChannel = static_cast<uint32_t>(stream.format.pcm.bits);
        break;
    case DataKind::ULaw:
        d.formatId = "ulaw";
        d.bitsPerChannel = 8;
        break;
    case DataKind::ALaw:
        d.formatId = "alaw";
        d.bitsPerChannel = 8;
        break;
    case DataKind::Ima4:
        d.formatId = "ima4";
        // The last packet is padded to 64 frames: record the real length.
        setup.packetTableForConstantPackets = true;
        break;
    case DataKind::Aac:
        d.formatId = "aac ";
        setup.magicCookie = makeAacMagicCookie(stream.extradata, stream.bitRates);
        if (setup.magicCookie.empty())
            return Status::failure("the AAC encoder gave no decoder configuration");
        break;
    case DataKind::Alac:
        d.formatId = "alac";
        d.formatFlags = stream.alacSourceBits == 24 ? 3 : stream.alacSourceBits == 32 ? 4 : 1;
        // The cookie is the bare 24-byte ALACSpecificConfig, without FFmpeg's atom header.
        if (stream.extradata.size() < 36)
            return Status::failure("the ALAC encoder gave no decoder configuration");
        setup.magicCookie.assign(stream.extradata.begin() + 12, stream.extradata.begin() + 36);
        break;
    }
    setup.primingFrames = static_cast<uint32_t>(stream.primingFrames);
    setup.channelLayout = layoutFor(stream);
    setup.pageAlignAudio = pageAlignAudio;
    return {};
}

CafAudioWriter::CafAudioWriter(ByteSink& output, std::string scratchFolder, bool pageAlignAudio,
                               ScratchFactory makeScratch)
    : m_output(output), m_scratchFolder(std::move(scratchFolder)), m_pageAlign(pageAlignAudio),
      m_makeScratch(makeScratch) {}

Status CafAudioWriter::begin(const EncodedStream& stream) {
    CafWriterSetup setup;
    AFC_TRY(makeCafSetup(stream, m_pageAlign, setup));
    if (m_layoutTag)
        setup.channelLayout = CafChannelLayout{*m_layoutTag, 0};
    if (CafWriter::isVariable(setup.description)) {
        Status status;
        m_audio = m_makeScratch(m_scratchFolder, status);
        AFC_TRY(status.prefixed("cannot make a scratch file"));
        m_table = m_makeScratch(m_scratchFolder, status);
        AFC_TRY(status.prefixed("cannot make a scratch file"));
    }
    m_writer = std::make_unique<CafWriter>(m_output, m_audio.get(), m_table.get());
    if (stream.format.kind == DataKind::Aac) {
        m_meter.emplace(stream.sampleRate, stream.framesPerPacket);
        m_stream = stream;
    }
    return m_writer->begin(setup);
}

Status CafAudioWriter::writePacket(std::span<const uint8_t> packet, uint32_t frames) {
    if (m_meter)
        m_meter->add(packet.size());
    return m_writer->writePacket(packet, frames);
}

Status CafAudioWriter::finish(int64_t validFrames) {
    if (m_meter) {
        const AacBitRates measured{
            m_stream.bitRates.average ? static_cast<uint32_t>(m_meter->average()) : 0,
            static_cast<uint32_t>(m_meter->peak())};
        AFC_TRY(m_writer->replaceMagicCookie(makeAacMagicCookie(m_stream.extradata, measured)));
    }
    return m_writer->finish(validFrames);
}

std::unique_ptr<ScratchStore> CafAudioWriter::memoryScratch(const std::string&, Status& status) {
    status = {};
    return std::make_unique<MemorySink>();
}

std::unique_ptr<ScratchStore> CafAudioWriter::fileScratch(const std::string& folder,
                                                          Status& status) {
    auto scratch = std::make_unique<FileScratch>();
    status = scratch->open(folder);
    return scratch;
}

} // namespace sondrel::afconvert
