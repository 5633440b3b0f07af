#include "platform/afconvert/WaveSource.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "platform/afconvert/BigEndian.h"
#include "platform/afconvert/ByteSink.h"

namespace sondrel::afconvert {

namespace {

constexpr size_t kHeadBytes = 64 * 1024;
constexpr int kFramesPerRead = 4096;
constexpr uint16_t kWavePcm = 1;
constexpr uint16_t kWaveFloat = 3;
constexpr uint16_t kWaveExtensible = 0xFFFE;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return le16(p) | (uint32_t(le16(p + 2)) << 16);
}
uint16_t be16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t be32(const uint8_t* p) {
    return readBigEndian32(p);
}

int bytesOf(WaveSource::Encoding e) {
    using E = WaveSource::Encoding;
    switch (e) {
    case E::Unsigned8:
    case E::Signed8:
        return 1;
    case E::Int16:
        return 2;
    case E::Int24:
        return 3;
    case E::Int32:
    case E::Float32:
        return 4;
    case E::Float64:
        return 8;
    }
    return 2;
}

bool encodingFor(int bits, bool isFloat, WaveSource::Encoding& e) {
    using E = WaveSource::Encoding;
    if (isFloat) {
        e = bits == 32 ? E::Float32 : E::Float64;
        return bits == 32 || bits == 64;
    }
    switch (bits) {
    case 8:
        e = E::Unsigned8;
        return true;
    case 16:
        e = E::Int16;
        return true;
    case 24:
        e = E::Int24;
        return true;
    case 32:
        e = E::Int32;
        return true;
    default:
        return false;
    }
}

// Checks the declared audio length against the file; an unknown length
// (0xFFFFFFFF, as streaming writers leave it) means "to the end of the file".
bool settleDataLength(WaveSource::Layout& layout, uint64_t declared, uint64_t fileSize,
                      std::string& problem) {
    const uint64_t available = fileSize > layout.dataOffset ? fileSize - layout.dataOffset : 0;
    if (declared == 0xFFFFFFFFu) {
        layout.dataBytes = available;
    } else if (declared > available) {
        problem = "the file is truncated: its audio data should be " + std::to_string(declared) +
                  " bytes long, but the file ends after " + std::to_string(available);
        return false;
    } else {
        layout.dataBytes = declared;
    }
    const uint64_t frameBytes = uint64_t(bytesOf(layout.encoding)) * uint64_t(layout.channels);
    layout.dataBytes -= layout.dataBytes % frameBytes;
    return true;
}

// The audio length a data chunk declares. A writer that meant to fill its sizes in at the end and
// never did leaves 0 there, with a RIFF size that ends before the audio (or is a placeholder
// itself): that 0 means "to the end of the file" like 0xFFFFFFFF, not an empty file. A RIFF
// size that reaches past the chunk header vouches for a truly empty chunk.
uint32_t declaredDataSize(const std::vector<uint8_t>& head, uint32_t size, uint64_t dataOffset) {
    if (size != 0)
        return size;
    const uint32_t riffSize = le32(head.data() + 4);
    if (riffSize == 0xFFFFFFFFu || 8 + uint64_t(riffSize) <= dataOffset)
        return 0xFFFFFFFFu;
    return 0;
}

bool parseWaveFormat(const uint8_t* p, uint32_t size, WaveSource::Layout& layout,
                     std::string& problem) {
    if (size < 16) {
        problem = "the WAV format chunk is too short";
        return false;
    }
    uint16_t tag = le16(p);
    layout.channels = le16(p + 2);
    layout.sampleRate = static_cast<int>(le32(p + 4));
    const uint16_t blockAlign = le16(p + 12);
    const int bits = le16(p + 14);
    if (tag == kWaveExtensible && size >= 40) {
        layout.channelMask = le32(p + 20);
        tag = le16(p + 24);
    }
    if (tag != kWavePcm && tag != kWaveFloat)
        return false; // compressed WAV: left to the general decoder
    if (layout.channels == 0 || layout.sampleRate <= 0) {
        problem = "the WAV header declares no channels or no sample rate";
        return false;
    }
    if (!encodingFor(bits, tag == kWaveFloat, layout.encoding) ||
        blockAlign != layout.channels * bytesOf(layout.encoding))
        return false; // unusual packing: left to the general decoder
    layout.bigEndian = false;
    return true;
}

bool parseWave(const std::vector<uint8_t>& head, uint64_t fileSize, WaveSource::Layout& layout,
               std::string& problem) {
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= head.size()) {
        const uint8_t* chunk = head.data() + at;
        const uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (at + 8 + size > head.size()) {
                problem = "the WAV format chunk is cut short";
                return true;
            }
            if (!parseWaveFormat(chunk + 8, size, layout, problem))
                return !problem.empty();
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                problem = "the WAV file has no format chunk before its audio data";
                return true;
            }
            layout.dataOffset = at + 8;
            settleDataLength(layout, declaredDataSize(head, size, layout.dataOffset), fileSize,
                             problem);
            return true;
        }
        at += 8 + uint64_t(size) + (size & 1);
    }
    if (head.size() < fileSize && at < fileSize)
        return false; // the audio data lies beyond the header block read: left to the general
                      // decoder
    problem = "the WAV file has no audio data chunk";
    return true;
}

double extended80(const uint8_t* p) {
    const int exponent = ((p[0] & 0x7F) << 8) | p[1];
    uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa = (mantissa << 8) | p[2 + i];
    if (exponent == 0 && mantissa == 0)
        return 0;
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return (p[0] & 0x80) ? -value : value;
}

bool parseAiffCommon(const uint8_t* p, uint32_t size, bool aifc, WaveSource::Layout& layout,
                     uint64_t& frames) {
    if (size < 18 || (aifc && size < 22))
        return false;
    layout.channels = be16(p);
    frames = be32(p + 2);
    const int bits = be16(p + 6);
    const double rate = extended80(p + 8);
    if (!(rate >= 1 && rate <= 1e7) || rate != std::floor(rate))
        return false;
    layout.sampleRate = static_cast<int>(rate);
    layout.bigEndian = true;
    std::string compression = aifc ? std::string(reinterpret_cast<const char*>(p + 18), 4) : "NONE";
    if (compression == "NONE" || compression == "twos") {
        if (!encodingFor((bits + 7) / 8 * 8, false, layout.encoding))
            return false;
        if (layout.encoding == WaveSource::Encoding::Unsigned8)
            layout.encoding = WaveSource::Encoding::Signed8;
    } else if (compression == "sowt" && bits == 16) {
        layout.encoding = WaveSource::Encoding::Int16;
        layout.bigEndian = false;
    } else if (compression == "fl32" || compression == "FL32") {
        layout.encoding = WaveSource::Encoding::Float32;
    } else if (compression == "fl64" || compression == "FL64") {
        layout.encoding = WaveSource::Encoding::Float64;
    } else {
        return false; // compressed AIFC: left to the general decoder
    }
    return layout.channels > 0;
}

bool parseAiff(const std::vector<uint8_t>& head, uint64_t fileSize, WaveSource::Layout& layout,
               std::string& problem) {
    const bool aifc = std::memcmp(head.data() + 8, "AIFC", 4) == 0;
    bool haveCommon = false;
    uint64_t frames = 0;
    size_t at = 12;
    while (at + 8 <= head.size()) {
        const uint8_t* chunk = head.data() + at;
        const uint32_t size = be32(chunk + 4);
        if (std::memcmp(chunk, "COMM", 4) == 0) {
            if (at + 8 + size > head.size() ||
                !parseAiffCommon(chunk + 8, size, aifc, layout, frames))
                return false;
            haveCommon = true;
        } else if (std::memcmp(chunk, "SSND", 4) == 0 && at + 16 <= head.size()) {
            if (!haveCommon)
                return false; // the common chunk follows: left to the general decoder
            layout.dataOffset = at + 16 + be32(chunk + 8);
            const uint64_t frameBytes = uint64_t(bytesOf(layout.encoding)) * layout.channels;
            settleDataLength(layout, frames * frameBytes, fileSize, problem);
            return true;
        }
        at += 8 + uint64_t(size) + (size & 1);
    }
    return false;
}

template <typename T> T loadSwapped(const uint8_t* p, bool swap) {
    T value;
    std::memcpy(&value, p, sizeof value);
    if (swap) {
        auto raw = std::bit_cast<std::array<uint8_t, sizeof(T)>>(value);
        std::reverse(raw.begin(), raw.end());
        value = std::bit_cast<T>(raw);
    }
    return value;
}

} // namespace

bool WaveSource::parseHeader(const std::vector<uint8_t>& head, uint64_t fileSize, Layout& layout,
                             std::string& problem) {
    layout = Layout{};
    problem.clear();
    if (head.size() < 12)
        return false;
    if (std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WAVE", 4) == 0)
        return parseWave(head, fileSize, layout, problem);
    if (std::memcmp(head.data(), "FORM", 4) == 0 && (std::memcmp(head.data() + 8, "AIFF", 4) == 0 ||
                                                     std::memcmp(head.data() + 8, "AIFC", 4) == 0))
        return parseAiff(head, fileSize, layout, problem);
    return false;
}

Status WaveSource::open(const std::string& path, std::unique_ptr<AudioSource>& out) {
    out.reset();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Status::failure(describeErrno(errno));
    std::unique_ptr<WaveSource> source(new WaveSource());
    source->m_fd.reset(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Status::failure(describeErrno(errno));
    if (S_ISDIR(st.st_mode))
        return Status::failure("is a folder, not an audio file");
    std::vector<uint8_t> head(kHeadBytes);
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 0)
        return Status::failure(describeErrno(errno));
    head.resize(static_cast<size_t>(got));
    std::string problem;
    Layout& layout = source->m_layout;
    if (!parseHeader(head, static_cast<uint64_t>(st.st_size), layout, problem))
        return {};
    if (!problem.empty())
        return Status::failure(problem);

    SourceInfo& info = source->m_info;
    info.sampleRate = layout.sampleRate;
    info.channels = layout.channels;
    if (layout.channelMask != 0 && std::popcount(layout.channelMask) == layout.channels)
        info.channelMask = layout.channelMask;
    source->m_bytesPerFrame = bytesOf(layout.encoding) * layout.channels;
    info.frameCount = static_cast<int64_t>(layout.dataBytes / uint64_t(source->m_bytesPerFrame));
    PcmFormat pcm;
    pcm.bits = bytesOf(layout.encoding) * 8;
    pcm.isFloat = layout.encoding == Encoding::Float32 || layout.encoding == Encoding::Float64;
    pcm.isSigned = layout.encoding != Encoding::Unsigned8;
    pcm.bigEndian = layout.bigEndian;
    info.pcm = pcm;
    switch (layout.encoding) {
    case Encoding::Unsigned8:
    case Encoding::Signed8:
        info.sampleFormat = AV_SAMPLE_FMT_U8;
        break;
    case Encoding::Int16:
        info.sampleFormat = AV_SAMPLE_FMT_S16;
        break;
    case Encoding::Int24:
    case Encoding::Int32:
        info.sampleFormat = AV_SAMPLE_FMT_S32;
        break;
    case Encoding::Float32:
        info.sampleFormat = AV_SAMPLE_FMT_FLT;
        break;
    case Encoding::Float64:
        info.sampleFormat = AV_SAMPLE_FMT_DBL;
        break;
    }
    info.codecName = "pcm " + dataFormatName(DataFormat{DataKind::LinearPcm, pcm, 0, {}, 0});
    source->m_remaining = layout.dataBytes;

    source->m_frame = av_frame_alloc();
    if (!source->m_frame)
        return Status::failure("out of memory");
    AVFrame* frame = source->m_frame;
    frame->format = info.sampleFormat;
    frame->sample_rate = info.sampleRate;
    frame->nb_samples = kFramesPerRead;
    if (info.channelMask)
        av_channel_layout_from_mask(&frame->ch_layout, info.channelMask);
    else
        av_channel_layout_default(&frame->ch_layout, info.channels);
    if (av_frame_get_buffer(frame, 0) < 0)
        return Status::failure("out of memory");
    source->m_buffer.resize(size_t(kFramesPerRead) * size_t(source->m_bytesPerFrame));
    if (::lseek(fd, static_cast<off_t>(layout.dataOffset), SEEK_SET) < 0)
        return Status::failure(describeErrno(errno));
    out = std::move(source);
    return {};
}

WaveSource::~WaveSource() {
    av_frame_free(&m_frame);
}

Status WaveSource::selectRange(int64_t first, int64_t frames) {
    const auto all = static_cast<int64_t>(m_layout.dataBytes / uint64_t(m_bytesPerFrame));
    first = std::clamp<int64_t>(first, 0, all);
    frames = std::clamp<int64_t>(frames, 0, all - first);
    const uint64_t offset = m_layout.dataOffset + uint64_t(first) * uint64_t(m_bytesPerFrame);
    if (::lseek(m_fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0)
        return Status::failure(describeErrno(errno));
    m_remaining = uint64_t(frames) * uint64_t(m_bytesPerFrame);
    return {};
}

Status WaveSource::next(const AVFrame*& frame) {
    frame = nullptr;
    if (m_remaining == 0)
        return {};
    const size_t want = static_cast<size_t>(std::min<uint64_t>(m_buffer.size(), m_remaining));
    size_t have = 0;
    while (have < want) {
        const ssize_t n = ::read(m_fd.get(), m_buffer.data() + have, want - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Status::failure(describeErrno(errno));
        if (n == 0)
            return Status::failure("the file is truncated: it ended while its audio data was read");
        have += static_cast<size_t>(n);
    }
    m_remaining -= want;
    const int frames = static_cast<int>(want / size_t(m_bytesPerFrame));
    const int samples = frames * m_layout.channels;
    m_frame->nb_samples = frames;
    const uint8_t* in = m_buffer.data();
    uint8_t* out = m_frame->data[0];
    const bool swap = m_layout.bigEndian != (std::endian::native == std::endian::big);
    switch (m_layout.encoding) {
    case Encoding::Unsigned8:
        std::memcpy(out, in, size_t(samples));
        break;
    case Encoding::Signed8:
        for (int i = 0; i < samples; ++i)
            out[i] = static_cast<uint8_t>(in[i] ^ 0x80);
        break;
    case Encoding::Int16:
        if (!swap) {
            std::memcpy(out, in, size_t(samples) * 2);
            break;
        }
        for (int i = 0; i < samples; ++i)
            reinterpret_cast<int16_t*>(out)[i] = loadSwapped<int16_t>(in + 2 * i, true);
        break;
    case Encoding::Int24:
        for (int i = 0; i < samples; ++i) {
            const uint8_t* s = in + 3 * i;
            const uint32_t v =
                m_layout.bigEndian
                    ? (uint32_t(s[0]) << 24) | (uint32_t(s[1]) << 16) | (uint32_t(s[2]) << 8)
                    : (uint32_t(s[2]) << 24) | (uint32_t(s[1]) << 16) | (uint32_t(s[0]) << 8);
            reinterpret_cast<int32_t*>(out)[i] = static_cast<int32_t>(v);
        }
        break;
    case Encoding::Int32:
        for (int i = 0; i < samples; ++i)
            reinterpret_cast<int32_t*>(out)[i] = loadSwapped<int32_t>(in + 4 * i, swap);
        break;
    case Encoding::Float32:
        for (int i = 0; i < samples; ++i)
            reinterpret_cast<float*>(out)[i] = loadSwapped<float>(in + 4 * i, swap);
        break;
    case Encoding::Float64:
        for (int i = 0; i < samples; ++i)
            reinterpret_cast<double*>(out)[i] = loadSwapped<double>(in + 8 * i, swap);
        break;
    }
    frame = m_frame;
    return {};
}

} // namespace sondrel::afconvert
