#pragma once

#include <memory>
#include <string>

#include "platform/afconvert/AudioSource.h"
#include "platform/afconvert/StatedLength.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;

namespace sondrel::afconvert {

// Decodes the first audio stream of any file libavformat and libavcodec
// read (MP3, AAC/M4A, FLAC, Ogg Vorbis, Opus, CAF, compressed WAV...).
// Damaged audio data is an error rather than a gap in the output. The audio
// comes out at the length the container records (see ContainerLength.h).
class LavSource final : public AudioSource {
public:
    static Status open(const std::string& path, std::unique_ptr<AudioSource>& out);
    ~LavSource() override;
    LavSource(const LavSource&) = delete;
    LavSource& operator=(const LavSource&) = delete;

    const SourceInfo& info() const override { return m_info; }
    Status next(const AVFrame*& frame) override;

private:
    LavSource() = default;
    Status describe(const std::string& path);
    Status feedDecoder();

    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_decoder = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    int m_stream = -1;
    bool m_flushed = false;
    bool m_sawPacket = false;
    bool m_replaceEnd = false;
    FrameTrimmer m_trimmer;
    SourceInfo m_info;
};

} // namespace sondrel::afconvert
