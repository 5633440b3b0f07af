// Our IMA4 encoder against libavcodec's, and AAC fill padding against the
// AAC decoder.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include "platform/afconvert/AacFiller.h"
#include "platform/afconvert/ImaEncoder.h"
#include "platform/afconvert/PcmEncoder.h"

namespace sondrel::afconvert {
namespace {

struct Collect final : PacketSink {
    std::vector<std::vector<uint8_t>> packets;
    Status writePacket(std::span<const uint8_t> p, uint32_t) override {
        packets.emplace_back(p.begin(), p.end());
        return {};
    }
};

AVFrame* planarFrame(AVSampleFormat format, int channels, int frames) {
    AVFrame* f = av_frame_alloc();
    f->format = format;
    f->nb_samples = frames;
    f->sample_rate = 44100;
    av_channel_layout_default(&f->ch_layout, channels);
    av_frame_get_buffer(f, 0);
    return f;
}

TEST(ImaEncoder, MatchesLibavcodecBitForBit) {
    const int frames = 64 * 40;
    AVFrame* f = planarFrame(AV_SAMPLE_FMT_S16P, 2, frames);
    for (int i = 0; i < frames; ++i) {
        // A loud chirp on the left, noise-like steps on the right: every branch and clamp.
        reinterpret_cast<int16_t*>(f->data[0])[i] = int16_t(32000 * std::sin(0.0001 * i * i));
        reinterpret_cast<int16_t*>(f->data[1])[i] = int16_t(((i * 7919) % 65536) - 32768);
    }
    ImaEncoder ours(44100, 2);
    Collect mine;
    ASSERT_TRUE(ours.encode(f, mine).ok());
    std::vector<uint8_t> mineBytes;
    for (auto& p : mine.packets)
        mineBytes.insert(mineBytes.end(), p.begin(), p.end());

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ADPCM_IMA_QT);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->sample_rate = 44100;
    c->sample_fmt = AV_SAMPLE_FMT_S16P;
    av_channel_layout_default(&c->ch_layout, 2);
    ASSERT_EQ(avcodec_open2(c, codec, nullptr), 0);
    std::vector<uint8_t> theirs;
    AVFrame* part = planarFrame(AV_SAMPLE_FMT_S16P, 2, 64);
    AVPacket* pkt = av_packet_alloc();
    for (int p = 0; p < frames / 64; ++p) {
        for (int ch = 0; ch < 2; ++ch)
            std::memcpy(part->data[ch], f->data[ch] + p * 128, 128);
        ASSERT_EQ(avcodec_send_frame(c, part), 0);
        while (avcodec_receive_packet(c, pkt) == 0) {
            theirs.insert(theirs.end(), pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt);
        }
    }
    EXPECT_EQ(mineBytes, theirs);
    EXPECT_EQ(mineBytes.size(), size_t(frames / 64 * 68));

    // A short last frame is padded to a whole packet.
    AVFrame* tail = planarFrame(AV_SAMPLE_FMT_S16P, 2, 10);
    Collect last;
    ASSERT_TRUE(ours.encode(tail, last).ok());
    EXPECT_EQ(last.packets.at(0).size(), 68u);
    av_packet_free(&pkt);
    av_frame_free(&part);
    av_frame_free(&tail);
    av_frame_free(&f);
    avcodec_free_context(&c);
}

// Every 16-bit value through our G.711 encoders and libavcodec's decoders:
// the decoded value is within half a quantisation step (G.711 steps are
// 1/16 to 1/32 of the value, with a floor near zero) and never wanders
// backwards as the input rises.
TEST(PcmEncoder, G711RoundTripsThroughLibavcodec) {
    for (const auto& [id, encode] : {std::pair{AV_CODEC_ID_PCM_MULAW, &PcmEncoder::linearToULaw},
                                     std::pair{AV_CODEC_ID_PCM_ALAW, &PcmEncoder::linearToALaw}}) {
        const AVCodec* codec = avcodec_find_decoder(id);
        AVCodecContext* d = avcodec_alloc_context3(codec);
        d->sample_rate = 8000;
        av_channel_layout_default(&d->ch_layout, 1);
        ASSERT_EQ(avcodec_open2(d, codec, nullptr), 0);
        AVPacket* p = av_packet_alloc();
        av_new_packet(p, 65536);
        for (int x = -32768; x <= 32767; ++x)
            p->data[x + 32768] = encode(int16_t(x));
        ASSERT_EQ(avcodec_send_packet(d, p), 0);
        AVFrame* f = av_frame_alloc();
        ASSERT_EQ(avcodec_receive_frame(d, f), 0);
        ASSERT_EQ(f->nb_samples, 65536);
        const auto* decoded = reinterpret_cast<const int16_t*>(f->data[0]);
        for (int x = -32768; x <= 32767; ++x) {
            const int y = decoded[x + 32768];
            ASSERT_LE(std::abs(x - y), 16 + std::abs(x) / 16) << "input " << x;
            if (x > -32768) {
                ASSERT_GE(y, decoded[x + 32767]) << "input " << x;
            }
        }
        av_frame_free(&f);
        av_packet_free(&p);
        avcodec_free_context(&d);
    }
}

TEST(AacFiller, PaddedPacketsDecodeToTheSameAudio) {
    const AVCodec* enc = avcodec_find_encoder_by_name("aac");
    const AVCodec* dec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    AVCodecContext* e = avcodec_alloc_context3(enc);
    e->sample_rate = 44100;
    e->sample_fmt = AV_SAMPLE_FMT_FLTP;
    e->bit_rate = 64000;
    av_channel_layout_default(&e->ch_layout, 2);
    ASSERT_EQ(avcodec_open2(e, enc, nullptr), 0);
    AVFrame* f = planarFrame(AV_SAMPLE_FMT_FLTP, 2, 1024);
    AVPacket* pkt = av_packet_alloc();
    std::vector<std::vector<uint8_t>> packets;
    for (int n = 0; n < 12; ++n) {
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 1024; ++i)
                reinterpret_cast<float*>(f->data[ch])[i] =
                    0.3f * std::sin(0.05f * float(n * 1024 + i) * float(ch + 1));
        f->pts = n * 1024;
        ASSERT_EQ(avcodec_send_frame(e, f), 0);
        while (avcodec_receive_packet(e, pkt) == 0) {
            packets.emplace_back(pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt);
        }
    }
    auto decodeAll = [&](const std::vector<std::vector<uint8_t>>& input) {
        AVCodecContext* d = avcodec_alloc_context3(dec);
        d->extradata = static_cast<uint8_t*>(
            av_mallocz(size_t(e->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE));
        std::memcpy(d->extradata, e->extradata, size_t(e->extradata_size));
        d->extradata_size = e->extradata_size;
        EXPECT_EQ(avcodec_open2(d, dec, nullptr), 0);
        std::vector<float> out;
        AVFrame* frame = av_frame_alloc();
        for (const auto& bytes : input) {
            AVPacket* p = av_packet_alloc();
            av_new_packet(p, int(bytes.size()));
            std::memcpy(p->data, bytes.data(), bytes.size());
            EXPECT_EQ(avcodec_send_packet(d, p), 0);
            while (avcodec_receive_frame(d, frame) == 0)
                out.insert(out.end(), reinterpret_cast<float*>(frame->data[0]),
                           reinterpret_cast<float*>(frame->data[0]) + frame->nb_samples);
            av_packet_free(&p);
        }
        av_frame_free(&frame);
        avcodec_free_context(&d);
        return out;
    };
    // Sizes that need the plain, escaped and repeated fill forms.
    std::vector<std::vector<uint8_t>> padded = packets;
    const size_t targets[] = {400, 500, 1200, 2000};
    for (size_t i = 0; i < padded.size(); ++i) {
        const size_t target = std::max(padded[i].size() + 1 + i * 37 % 300, targets[i % 4]);
        ASSERT_TRUE(padAacPacket(padded[i], target));
        EXPECT_EQ(padded[i].size(), target);
    }
    EXPECT_EQ(decodeAll(padded), decodeAll(packets));
    std::vector<uint8_t> tooBig = packets[3];
    EXPECT_FALSE(padAacPacket(tooBig, tooBig.size()));
    av_packet_free(&pkt);
    av_frame_free(&f);
    avcodec_free_context(&e);
}

} // namespace
} // namespace sondrel::afconvert
