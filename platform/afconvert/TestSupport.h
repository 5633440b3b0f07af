#pragma once

// Helpers shared by the converter's tests: scratch folders, running the
// tool, making audio files with sox, and reading results back with FFmpeg's
// demuxers and decoders (an implementation independent of ours).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace sondrel::afconvert::testing {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "afconvert-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        fs::permissions(m_path, fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    }
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const {
        return (fs::path(m_path) / name).string();
    }
    const std::string& path() const { return m_path; }
    // Names of the entries in the folder.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_path))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::string m_path;
};

inline std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> outLines() const {
        std::vector<std::string> lines;
        std::stringstream s(out);
        for (std::string line; std::getline(s, line);)
            lines.push_back(line);
        return lines;
    }
};

// Runs a shell command line with its output captured.
inline RunResult runShell(const std::string& command) {
    char outName[] = "/tmp/afconvert-out-XXXXXX";
    char errName[] = "/tmp/afconvert-err-XXXXXX";
    ::close(::mkstemp(outName));
    ::close(::mkstemp(errName));
    const std::string full = "(" + command + ") >" + outName + " 2>" + errName + " </dev/null";
    const int status = std::system(full.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = readFile(outName);
    r.err = readFile(errName);
    ::unlink(outName);
    ::unlink(errName);
    return r;
}

// The afconvert just built: in $SONDREL_BIN, or else the build's bin folder.
inline std::string afconvertPath() {
    const char* bin = std::getenv("SONDREL_BIN");
    return std::string(bin && *bin ? bin : AFCONVERT_TEST_BIN_DIR) + "/afconvert";
}

inline RunResult afconvert(const std::string& arguments) {
    return runShell(quote(afconvertPath()) + " " + arguments);
}

// Writes a file of sine tones with sox: channel k carries frequencies[k].
inline void makeTones(const std::string& path, double seconds, int rate,
                      const std::vector<int>& frequencies,
                      const std::string& sampleOptions = "-b 16", double amplitude = 0.5) {
    std::string synth = "synth " + std::to_string(seconds);
    for (int f : frequencies)
        synth += " sine " + std::to_string(f);
    const std::string command = "sox -n -r " + std::to_string(rate) + " -c " +
                                std::to_string(frequencies.size()) + " " + sampleOptions + " " +
                                quote(path) + " " + synth + " vol " + std::to_string(amplitude);
    runShell(command);
}

// Writes a 16-bit WAV file of exactly the given samples (per channel, -1 to 1).
inline void writeWav16(const std::string& path, int rate,
                       const std::vector<std::vector<float>>& channels) {
    const uint32_t frames = uint32_t(channels[0].size()), count = uint32_t(channels.size());
    std::string b = "RIFF....WAVEfmt ";
    auto le = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b += char((v >> (8 * i)) & 0xFF);
    };
    le(16, 4), le(1, 2), le(count, 2), le(uint32_t(rate), 4), le(uint32_t(rate) * count * 2, 4);
    le(count * 2, 2), le(16, 2);
    b += "data", le(frames * count * 2, 4);
    for (uint32_t i = 0; i < frames; ++i)
        for (const auto& channel : channels)
            le(uint32_t(int16_t(std::lround(std::clamp(channel[i], -1.0f, 1.0f) * 32767))), 2);
    const uint32_t riff = uint32_t(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[size_t(4 + i)] = char((riff >> (8 * i)) & 0xFF);
    std::ofstream(path, std::ios::binary) << b;
}

// A sweep from f0 to f1 Hz over `seconds` (by default the frames' length):
// no two stretches of it look alike, so a shifted copy correlates with it
// only where it belongs.
inline std::vector<float> sweep(int64_t frames, int rate, double f0, double f1,
                                double amplitude = 0.5, double seconds = 0) {
    std::vector<float> out(size_t(frames), 0.0f);
    if (seconds <= 0)
        seconds = double(frames) / rate;
    for (int64_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        out[size_t(i)] =
            float(amplitude * std::sin(2 * M_PI * (f0 * t + (f1 - f0) * t * t / (2 * seconds))));
    }
    return out;
}

// Normalised correlation of `signal`, shifted by `lag`, with `reference` over
// [from, to) of the reference (1 for identical shapes).
inline double correlationAt(const std::vector<float>& reference, const std::vector<float>& signal,
                            int lag, size_t from, size_t to) {
    double rs = 0, rr = 0, ss = 0;
    for (size_t i = from; i < to && i < reference.size(); ++i) {
        const int64_t j = int64_t(i) + lag;
        const double r = reference[i];
        const double x = j >= 0 && j < int64_t(signal.size()) ? signal[size_t(j)] : 0.0;
        rs += r * x, rr += r * r, ss += x * x;
    }
    return rs / std::sqrt(std::max(rr * ss, 1e-30));
}

// The lag (within +-maxLag) at which `signal` lies best on `reference`:
// searched over 2048 frames in the middle, then settled within a few frames
// of that over the whole length, which a coarse codec's local phase errors
// cannot sway. `peak` gets the correlation there.
inline int bestLag(const std::vector<float>& reference, const std::vector<float>& signal,
                   int maxLag, double& peak) {
    const size_t window = std::min<size_t>(2048, reference.size());
    const size_t from = (reference.size() - window) / 2;
    int coarse = 0;
    peak = -2;
    for (int lag = -maxLag; lag <= maxLag; ++lag)
        if (const double c = correlationAt(reference, signal, lag, from, from + window); c > peak)
            peak = c, coarse = lag;
    int best = coarse;
    peak = -2;
    for (int lag = coarse - 8; lag <= coarse + 8; ++lag)
        if (const double c = correlationAt(reference, signal, lag, 0, reference.size()); c > peak)
            peak = c, best = lag;
    return best;
}

// Sweeps from f0 to f1 Hz over and over, each `period` frames long, with no
// break in the phase. A stretch of a few thousand frames spans a wide band,
// so it lies on the source at one lag only, even after coarse coding.
inline std::vector<float> repeatedSweeps(int64_t frames, int rate, double f0, double f1,
                                         int64_t period, double amplitude = 0.5) {
    std::vector<float> out(static_cast<size_t>(frames));
    double phase = 0;
    for (int64_t i = 0; i < frames; ++i) {
        out[size_t(i)] = float(amplitude * std::sin(phase));
        phase += 2 * M_PI * (f0 + (f1 - f0) * double(i % period) / double(period)) / rate;
    }
    return out;
}

// Signal-to-noise ratio in dB of `signal` against `reference` over their common length.
inline double snrDb(const std::vector<float>& reference, const std::vector<float>& signal) {
    double power = 0, noise = 0;
    for (size_t i = 0; i < std::min(reference.size(), signal.size()); ++i) {
        power += double(reference[i]) * reference[i];
        noise += (double(signal[i]) - reference[i]) * (double(signal[i]) - reference[i]);
    }
    return 10 * std::log10(power / std::max(noise, 1e-20));
}

struct Decoded {
    std::string codec;
    int sampleRate = 0;
    int channels = 0;
    uint64_t channelMask = 0;
    int64_t demuxerFrames = 0;               // the frame count the demuxer reports
    std::vector<std::vector<float>> samples; // per channel
    std::string error;
    int64_t frames() const { return samples.empty() ? 0 : int64_t(samples[0].size()); }
};

// Decodes a file completely with libavformat/libavcodec, as float samples.
inline Decoded decodeWithFfmpeg(const std::string& path) {
    Decoded d;
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        d.error = "cannot open";
        return d;
    }
    avformat_find_stream_info(format, nullptr);
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0) {
        d.error = "no audio";
        avformat_close_input(&format);
        return d;
    }
    AVStream* st = format->streams[index];
    d.demuxerFrames =
        st->duration > 0 ? av_rescale_q(st->duration, st->time_base, {1, st->codecpar->sample_rate})
                         : 0;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, st->codecpar);
    avcodec_open2(c, codec, nullptr);
    d.codec = codec->name;
    d.sampleRate = c->sample_rate;
    d.channels = c->ch_layout.nb_channels;
    d.channelMask = c->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? c->ch_layout.u.mask : 0;
    d.samples.resize(size_t(d.channels));
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwrContext* swr = nullptr;
    auto take = [&]() {
        while (avcodec_receive_frame(c, frame) == 0) {
            if (!swr) {
                swr_alloc_set_opts2(&swr, &frame->ch_layout, AV_SAMPLE_FMT_FLTP, frame->sample_rate,
                                    &frame->ch_layout, AVSampleFormat(frame->format),
                                    frame->sample_rate, 0, nullptr);
                swr_init(swr);
            }
            std::vector<std::vector<float>> planes(size_t(d.channels),
                                                   std::vector<float>(size_t(frame->nb_samples)));
            std::vector<uint8_t*> out;
            for (auto& p : planes)
                out.push_back(reinterpret_cast<uint8_t*>(p.data()));
            const int n =
                swr_convert(swr, out.data(), frame->nb_samples,
                            const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            for (int ch = 0; ch < d.channels; ++ch)
                d.samples[size_t(ch)].insert(d.samples[size_t(ch)].end(),
                                             planes[size_t(ch)].begin(),
                                             planes[size_t(ch)].begin() + n);
        }
    };
    while (av_read_frame(format, pkt) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(c, pkt) >= 0)
            take();
        av_packet_unref(pkt);
    }
    avcodec_send_packet(c, nullptr);
    take();
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&c);
    avformat_close_input(&format);
    return d;
}

// Signal-to-noise ratio, in dB, of samples[from, to) against the best-fitting
// sine of the given frequency (least squares over sine, cosine and offset):
// what a codec and resampler keep of a pure tone.
inline double toneSnr(const std::vector<float>& samples, double frequency, int rate, size_t from,
                      size_t to) {
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0, y1 = 0, s1 = 0, c1 = 0, n = 0, yy = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i) {
        const double w = 2 * M_PI * frequency * double(i) / rate;
        const double s = std::sin(w), c = std::cos(w), y = samples[i];
        ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
        y1 += y, s1 += s, c1 += c, n += 1, yy += y * y;
    }
    // Solve the 3x3 normal equations for a*sin + b*cos + k.
    const double m[3][4] = {{ss, sc, s1, ys}, {sc, cc, c1, yc}, {s1, c1, n, y1}};
    double a[3][4];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            a[i][j] = m[i][j];
    for (int i = 0; i < 3; ++i)
        for (int r = 0; r < 3; ++r)
            if (r != i) {
                const double f = a[r][i] / a[i][i];
                for (int j = 0; j < 4; ++j)
                    a[r][j] -= f * a[i][j];
            }
    const double x0 = a[0][3] / a[0][0], x1 = a[1][3] / a[1][1], x2 = a[2][3] / a[2][2];
    double fit = 0, residual = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i) {
        const double w = 2 * M_PI * frequency * double(i) / rate;
        const double model = x0 * std::sin(w) + x1 * std::cos(w) + x2;
        fit += model * model;
        residual += (samples[i] - model) * (samples[i] - model);
    }
    return 10 * std::log10(fit / std::max(residual, 1e-20));
}

// The packet table and chunk order of a CAF file, read byte by byte.
struct CafFacts {
    std::vector<std::string> chunks;
    int64_t packets = -1, validFrames = -1;
    int32_t priming = -1, remainder = -1;
    std::string formatId;
    uint32_t bytesPerPacket = 0, framesPerPacket = 0, channels = 0;
    double sampleRate = 0;
    std::vector<uint8_t> cookie;
    uint32_t layoutTag = 0;
    std::vector<uint32_t> packetSizes; // the packet table's entries
    uint64_t dataOffset = 0;           // where the audio bytes start
    uint64_t dataBytes = 0;            // without the edit count
};

inline uint64_t be(const std::string& b, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | uint8_t(b[at + size_t(i)]);
    return v;
}

inline CafFacts readCaf(const std::string& path) {
    const std::string b = readFile(path);
    CafFacts f;
    if (b.size() < 8 || b.compare(0, 4, "caff") != 0)
        return f;
    size_t at = 8;
    while (at + 12 <= b.size()) {
        const std::string type = b.substr(at, 4);
        int64_t size = int64_t(be(b, at + 4, 8));
        f.chunks.push_back(type);
        const size_t body = at + 12;
        if (type == "desc") {
            uint64_t bits = be(b, body, 8);
            std::memcpy(&f.sampleRate, &bits, 8);
            f.formatId = b.substr(body + 8, 4);
            f.bytesPerPacket = uint32_t(be(b, body + 16, 4));
            f.framesPerPacket = uint32_t(be(b, body + 20, 4));
            f.channels = uint32_t(be(b, body + 24, 4));
        } else if (type == "pakt") {
            f.packets = int64_t(be(b, body, 8));
            f.validFrames = int64_t(be(b, body + 8, 8));
            f.priming = int32_t(be(b, body + 16, 4));
            f.remainder = int32_t(be(b, body + 20, 4));
            size_t p = body + 24;
            for (int64_t i = 0; f.bytesPerPacket == 0 && i < f.packets && p < body + size_t(size);
                 ++i) {
                uint32_t v = 0;
                while (p < b.size() && (uint8_t(b[p]) & 0x80))
                    v = (v << 7) | (uint8_t(b[p++]) & 0x7F);
                v = (v << 7) | uint8_t(b[p++]);
                f.packetSizes.push_back(v);
            }
        } else if (type == "kuki") {
            f.cookie.assign(b.begin() + long(body), b.begin() + long(body) + size);
        } else if (type == "data") {
            f.dataOffset = body + 4;
            f.dataBytes = size < 0 ? b.size() - f.dataOffset : uint64_t(size) - 4;
        } else if (type == "chan") {
            f.layoutTag = uint32_t(be(b, body, 4));
        }
        if (size < 0)
            break;
        at = body + size_t(size);
    }
    return f;
}

// The frames a CAF file's packet table calls valid, or the PCM data's frames
// for a file without one.
// A constant bit rate through the decoder's buffer (6,144 bits a channel),
// simulated: the buffer fills at the rate and each packet drains it. Returns
// how far its level swings over the stream, which must stay within the room
// the buffer has beyond one packet's inflow for it never to overflow or run
// dry (constantRateHolds).
inline double bufferSwing(const CafFacts& caf, double bitRate, int rate) {
    const double inflow = bitRate * 1024 / rate;
    double saved = 0, lowest = 0, highest = 0;
    for (uint32_t size : caf.packetSizes) {
        saved += inflow - size * 8.0;
        lowest = std::min(lowest, saved);
        highest = std::max(highest, saved);
    }
    return highest - lowest;
}

inline bool constantRateHolds(const CafFacts& caf, double bitRate, int rate, int channels) {
    return bufferSwing(caf, bitRate, rate) <= 6144.0 * channels - bitRate * 1024 / rate + 8;
}

// Bits per second over the packets of each one-second run, at most.
inline double peakRate(const CafFacts& caf, int rate) {
    const size_t window = size_t((rate + 1023) / 1024);
    double peak = 0;
    for (size_t i = 0; i + window <= caf.packetSizes.size(); ++i) {
        double bits = 0;
        for (size_t j = i; j < i + window; ++j)
            bits += caf.packetSizes[j] * 8.0;
        peak = std::max(peak, bits * rate / (double(window) * 1024));
    }
    return peak;
}

inline int64_t validFramesOf(const CafFacts& caf) {
    if (caf.validFrames >= 0)
        return caf.validFrames;
    return caf.bytesPerPacket ? int64_t(caf.dataBytes / caf.bytesPerPacket) : -1;
}

// Decoded audio of a CAF file, trimmed as its packet table says: `dropped`
// frames the decoder left out at the start already (0 for FFmpeg, which
// keeps the priming), then the priming, then the valid frames. A decoder
// that gave fewer frames than the table promises gives a shorter result.
inline std::vector<float> trimmedByPacketTable(const std::vector<float>& decoded,
                                               const CafFacts& caf, int64_t dropped = 0) {
    const int64_t from = std::max<int64_t>(0, caf.priming) - dropped;
    const int64_t valid = validFramesOf(caf);
    if (from < 0 || from > int64_t(decoded.size()))
        return {};
    const int64_t to = std::min<int64_t>(int64_t(decoded.size()), from + valid);
    return std::vector<float>(decoded.begin() + from, decoded.begin() + to);
}

} // namespace sondrel::afconvert::testing
