#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/afconvert/AudioSource.h"
#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {

// A reader for uncompressed WAV and AIFF/AIFC files (integer PCM of 8 to 32
// bits and float), the common inputs, written here so that converting them
// needs no demuxer or decoder library at all.
//
// open() leaves `out` empty (with success) when the file is not such a file,
// so that a general decoder can be tried; it fails when the file is one but
// is damaged, for example truncated: a file that ends before the length its
// header declares is refused rather than converted in part.
class WaveSource final : public AudioSource {
public:
    static Status open(const std::string& path, std::unique_ptr<AudioSource>& out);
    ~WaveSource() override;
    WaveSource(const WaveSource&) = delete;
    WaveSource& operator=(const WaveSource&) = delete;

    const SourceInfo& info() const override { return m_info; }
    Status next(const AVFrame*& frame) override;
    bool canSelectRange() const override { return true; }
    Status selectRange(int64_t first, int64_t frames) override;

    // How the stored bytes map to the frames handed out.
    enum class Encoding { Unsigned8, Signed8, Int16, Int24, Int32, Float32, Float64 };
    struct Layout {
        Encoding encoding = Encoding::Int16;
        bool bigEndian = false;
        int channels = 0;
        int sampleRate = 0;
        uint64_t channelMask = 0;
        uint64_t dataOffset = 0;
        uint64_t dataBytes = 0;
    };

    // Parses a WAV or AIFF header from the first bytes of a file of fileSize
    // bytes. Returns true with the layout when the header is one of these
    // formats; `problem` is set when it is one but cannot be read.
    static bool parseHeader(const std::vector<uint8_t>& head, uint64_t fileSize, Layout& layout,
                            std::string& problem);

private:
    WaveSource() = default;

    posix::UniqueFd m_fd;
    Layout m_layout;
    SourceInfo m_info;
    uint64_t m_remaining = 0;
    int m_bytesPerFrame = 0;
    std::vector<uint8_t> m_buffer;
    AVFrame* m_frame = nullptr;
};

} // namespace sondrel::afconvert
