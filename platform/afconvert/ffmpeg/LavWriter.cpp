#include "platform/afconvert/ffmpeg/LavWriter.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

#include "platform/afconvert/ByteSink.h"
#include "platform/afconvert/ffmpeg/LavError.h"

namespace sondrel::afconvert {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

const char* muxerName(FileType type) {
    switch (type) {
    case FileType::Wave:
        return "wav";
    case FileType::Aiff:
    case FileType::Aifc:
        return "aiff";
    case FileType::M4af:
        return "ipod";
    case FileType::Mp4f:
        return "mp4";
    case FileType::Adts:
        return "adts";
    case FileType::Next:
        return "au";
    case FileType::Caf:
        return nullptr;
    }
    return nullptr;
}

AVCodecID pcmCodec(const PcmFormat& p) {
    if (p.isFloat)
        return p.bits == 32 ? (p.bigEndian ? AV_CODEC_ID_PCM_F32BE : AV_CODEC_ID_PCM_F32LE)
                            : (p.bigEndian ? AV_CODEC_ID_PCM_F64BE : AV_CODEC_ID_PCM_F64LE);
    switch (p.bits) {
    case 8:
        return p.isSigned ? AV_CODEC_ID_PCM_S8 : AV_CODEC_ID_PCM_U8;
    case 16:
        return p.bigEndian ? AV_CODEC_ID_PCM_S16BE : AV_CODEC_ID_PCM_S16LE;
    case 24:
        return p.bigEndian ? AV_CODEC_ID_PCM_S24BE : AV_CODEC_ID_PCM_S24LE;
    default:
        return p.bigEndian ? AV_CODEC_ID_PCM_S32BE : AV_CODEC_ID_PCM_S32LE;
    }
}

AVCodecID codecOf(const EncodedStream& s) {
    switch (s.format.kind) {
    case DataKind::LinearPcm:
        return pcmCodec(s.format.pcm);
    case DataKind::ULaw:
        return AV_CODEC_ID_PCM_MULAW;
    case DataKind::ALaw:
        return AV_CODEC_ID_PCM_ALAW;
    case DataKind::Ima4:
        return AV_CODEC_ID_ADPCM_IMA_QT;
    case DataKind::Aac:
        return AV_CODEC_ID_AAC;
    case DataKind::Alac:
        return AV_CODEC_ID_ALAC;
    }
    return AV_CODEC_ID_NONE;
}

int writeToFd(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<std::pair<int, int*>*>(opaque);
    int left = size;
    while (left > 0) {
        const ssize_t n = ::write(self->first, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (*self->second == 0)
                *self->second = errno;
            return AVERROR(errno);
        }
        data += n;
        left -= static_cast<int>(n);
    }
    return size;
}

int64_t seekFd(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<std::pair<int, int*>*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t here = ::lseek(self->first, 0, SEEK_CUR);
        const off_t end = ::lseek(self->first, 0, SEEK_END);
        ::lseek(self->first, here, SEEK_SET);
        return end;
    }
    const off_t at = ::lseek(self->first, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

} // namespace

LavWriter::~LavWriter() {
    av_packet_free(&m_packet);
    if (m_format)
        avformat_free_context(m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        delete static_cast<std::pair<int, int*>*>(m_io->opaque);
        avio_context_free(&m_io);
    }
}

Status LavWriter::checkIo(const char* what) {
    if (m_writeError != 0)
        return Status::failure(describeErrno(m_writeError));
    if (m_io && m_io->error < 0)
        return lavFailure(what, m_io->error);
    return {};
}

Status LavWriter::begin(const EncodedStream& stream) {
    const char* name = muxerName(m_type);
    const AVOutputFormat* format = name ? av_guess_format(name, nullptr, nullptr) : nullptr;
    if (!format)
        return Status::failure("no writer for " + std::string(fileTypeCode(m_type)) + " files");
    int error = avformat_alloc_output_context2(&m_format, format, nullptr, nullptr);
    if (error < 0)
        return lavFailure("cannot start the file", error);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    auto* opaque = new std::pair<int, int*>(m_fd, &m_writeError);
    m_io = avio_alloc_context(buffer, kIoBufferSize, 1, opaque, nullptr, writeToFd, seekFd);
    m_packet = av_packet_alloc();
    if (!buffer || !m_io || !m_packet) {
        if (!m_io) {
            av_free(buffer);
            delete opaque;
        }
        return Status::failure("out of memory");
    }
    m_format->pb = m_io;
    AVStream* st = avformat_new_stream(m_format, nullptr);
    if (!st)
        return Status::failure("out of memory");
    AVCodecParameters* p = st->codecpar;
    p->codec_type = AVMEDIA_TYPE_AUDIO;
    p->codec_id = codecOf(stream);
    p->sample_rate = stream.sampleRate;
    if (stream.channelMask)
        av_channel_layout_from_mask(&p->ch_layout, stream.channelMask);
    else
        av_channel_layout_default(&p->ch_layout, stream.channels);
    p->frame_size = stream.framesPerPacket;
    p->block_align = stream.bytesPerPacket;
    p->initial_padding = stream.primingFrames;
    p->bit_rate = stream.bitRates.average;
    if (stream.format.kind == DataKind::LinearPcm)
        p->bits_per_coded_sample = stream.format.pcm.bits;
    if (stream.format.kind == DataKind::Alac)
        p->bits_per_raw_sample = stream.alacSourceBits;
    if (m_type == FileType::Aifc && p->codec_id == AV_CODEC_ID_PCM_S16BE)
        p->codec_tag = MKTAG('t', 'w', 'o', 's'); // keeps the file AIFC rather than AIFF
    if (!stream.extradata.empty()) {
        p->extradata = static_cast<uint8_t*>(
            av_mallocz(stream.extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!p->extradata)
            return Status::failure("out of memory");
        std::memcpy(p->extradata, stream.extradata.data(), stream.extradata.size());
        p->extradata_size = static_cast<int>(stream.extradata.size());
    }
    st->time_base = {1, stream.sampleRate};
    // Timestamps start before zero by the encoder delay, as the encoder gives
    // them, so that MPEG-4 files record the delay in their edit list.
    m_pts = -stream.primingFrames;
    error = avformat_write_header(m_format, nullptr);
    AFC_TRY(checkIo("cannot write the header"));
    if (error < 0)
        return lavFailure("cannot write the header", error);
    return {};
}

Status LavWriter::writePacket(std::span<const uint8_t> packet, uint32_t frames) {
    if (av_new_packet(m_packet, static_cast<int>(packet.size())) < 0)
        return Status::failure("out of memory");
    std::memcpy(m_packet->data, packet.data(), packet.size());
    m_packet->stream_index = 0;
    m_packet->pts = m_packet->dts = m_pts;
    m_packet->duration = frames;
    m_pts += frames;
    const int error = av_write_frame(m_format, m_packet);
    av_packet_unref(m_packet);
    AFC_TRY(checkIo("writing failed"));
    if (error < 0)
        return lavFailure("writing failed", error);
    return {};
}

Status LavWriter::finish(int64_t) {
    const int error = av_write_trailer(m_format);
    avio_flush(m_io);
    AFC_TRY(checkIo("cannot complete the file"));
    if (error < 0)
        return lavFailure("cannot complete the file", error);
    return {};
}

} // namespace sondrel::afconvert
