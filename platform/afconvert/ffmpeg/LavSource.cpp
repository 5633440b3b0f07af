#include "platform/afconvert/ffmpeg/LavSource.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include "platform/afconvert/ffmpeg/ContainerLength.h"
#include "platform/afconvert/ffmpeg/LavError.h"

namespace sondrel::afconvert {

namespace {

// The stored sample layout of the PCM and lossless codecs, so that an
// output without -d keeps the depth.
std::optional<PcmFormat> storedPcm(const AVCodecParameters& p) {
    const int raw = p.bits_per_raw_sample;
    switch (p.codec_id) {
    case AV_CODEC_ID_PCM_U8:
        return PcmFormat{8, false, false, false};
    case AV_CODEC_ID_PCM_S8:
        return PcmFormat{8, false, true, false};
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S16BE:
        return PcmFormat{16, false, true, p.codec_id == AV_CODEC_ID_PCM_S16BE};
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S24BE:
        return PcmFormat{24, false, true, p.codec_id == AV_CODEC_ID_PCM_S24BE};
    case AV_CODEC_ID_PCM_S32LE:
    case AV_CODEC_ID_PCM_S32BE:
        return PcmFormat{32, false, true, p.codec_id == AV_CODEC_ID_PCM_S32BE};
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F32BE:
        return PcmFormat{32, true, true, p.codec_id == AV_CODEC_ID_PCM_F32BE};
    case AV_CODEC_ID_PCM_F64LE:
    case AV_CODEC_ID_PCM_F64BE:
        return PcmFormat{64, true, true, p.codec_id == AV_CODEC_ID_PCM_F64BE};
    case AV_CODEC_ID_FLAC:
    case AV_CODEC_ID_ALAC:
    case AV_CODEC_ID_WAVPACK:
    case AV_CODEC_ID_TTA:
        if (raw == 16 || raw == 24 || raw == 32)
            return PcmFormat{raw, false, true, false};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

LavSource::~LavSource() {
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_decoder);
    avformat_close_input(&m_format);
}

Status LavSource::open(const std::string& path, std::unique_ptr<AudioSource>& out) {
    out.reset();
    std::unique_ptr<LavSource> source(new LavSource());
    // "file:" keeps a name with a colon from being taken for a protocol, and
    // playlists inside the file may not reach beyond local files.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + path;
    int error = avformat_open_input(&source->m_format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (error == AVERROR_INVALIDDATA)
        return Status::failure(
            "not an audio file that can be read (its contents are not a known format)");
    if (error < 0)
        return lavFailure("cannot open", error);
    error = avformat_find_stream_info(source->m_format, nullptr);
    if (error < 0)
        return lavFailure("cannot read the stream information", error);
    const AVCodec* codec = nullptr;
    source->m_stream = av_find_best_stream(source->m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (source->m_stream == AVERROR_STREAM_NOT_FOUND)
        return Status::failure("not an audio file (it has no audio stream)");
    if (source->m_stream < 0 || !codec)
        return Status::failure("no decoder for its audio format");
    const AVStream* stream = source->m_format->streams[source->m_stream];
    source->m_decoder = avcodec_alloc_context3(codec);
    source->m_packet = av_packet_alloc();
    source->m_frame = av_frame_alloc();
    if (!source->m_decoder || !source->m_packet || !source->m_frame)
        return Status::failure("out of memory");
    error = avcodec_parameters_to_context(source->m_decoder, stream->codecpar);
    if (error >= 0)
        error = avcodec_open2(source->m_decoder, codec, nullptr);
    if (error < 0)
        return lavFailure("cannot open the " + std::string(codec->name) + " decoder", error);
    AFC_TRY(source->describe(path));
    out = std::move(source);
    return {};
}

Status LavSource::describe(const std::string& path) {
    const AVStream* stream = m_format->streams[m_stream];
    const AVCodecContext* d = m_decoder;
    m_info.sampleRate = d->sample_rate;
    m_info.channels = d->ch_layout.nb_channels;
    if (d->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
        m_info.channelMask = d->ch_layout.u.mask;
    m_info.sampleFormat = d->sample_fmt;
    m_info.codecName = avcodec_get_name(d->codec_id);
    m_info.pcm = storedPcm(*stream->codecpar);
    const StatedLength stated = containerLength(*m_format, m_stream, path);
    m_trimmer = FrameTrimmer(stated);
    m_replaceEnd = stated.replacesDecoderEnd;
    if (stated.frames >= 0)
        m_info.frameCount = stated.frames;
    else if (stream->duration > 0)
        m_info.frameCount = av_rescale_q(stream->duration, stream->time_base, {1, d->sample_rate});
    else if (m_format->duration > 0)
        m_info.frameCount = av_rescale(m_format->duration, d->sample_rate, AV_TIME_BASE);
    if (m_info.sampleRate <= 0 || m_info.channels <= 0 || m_info.sampleFormat == AV_SAMPLE_FMT_NONE)
        return Status::failure("its audio stream declares no sample rate or channels");
    if (m_info.channels > 8)
        return Status::failure("it has " + std::to_string(m_info.channels) +
                               " channels; at most 8 can be converted");
    return {};
}

Status LavSource::feedDecoder() {
    for (;;) {
        const int error = av_read_frame(m_format, m_packet);
        if (error == AVERROR_EOF) {
            m_flushed = true;
            avcodec_send_packet(m_decoder, nullptr); // starts draining the decoder
            return {};
        }
        if (error < 0)
            return lavFailure("reading failed", error);
        if (m_packet->stream_index != m_stream) {
            av_packet_unref(m_packet);
            continue;
        }
        // A demuxer that marks the priming for the decoder to drop has
        // applied the container's record itself.
        size_t skipBytes = 0;
        uint8_t* skip = av_packet_get_side_data(m_packet, AV_PKT_DATA_SKIP_SAMPLES, &skipBytes);
        if (!m_sawPacket && skip)
            m_trimmer.forgetSkip();
        m_sawPacket = true;
        if (skip && skipBytes >= 8 && m_replaceEnd)
            std::memset(skip + 4, 0, 4); // the frames to drop at the end

        const int sent = avcodec_send_packet(m_decoder, m_packet);
        av_packet_unref(m_packet);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return lavFailure("damaged audio data", sent);
        return {};
    }
}

Status LavSource::next(const AVFrame*& frame) {
    frame = nullptr;
    for (;;) {
        if (m_trimmer.complete())
            return {};
        const int error = avcodec_receive_frame(m_decoder, m_frame);
        if (error == 0) {
            if (!m_trimmer.trim(*m_frame))
                continue;
            frame = m_frame;
            return {};
        }
        if (error == AVERROR_EOF)
            return {};
        if (error != AVERROR(EAGAIN))
            return lavFailure("damaged audio data", error);
        if (m_flushed)
            return {};
        AFC_TRY(feedDecoder());
    }
}

} // namespace sondrel::afconvert
