#pragma once

// Test support for the AAC bitstream tests: ADTS streams of our raw data
// blocks, decoded by two decoders that share no code with ours (faad2 and the
// ffmpeg command line), and a reference synthesis written from the format's
// definition (dequantisation, inverse MDCT, windows, overlap-add) to say what
// they must give.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/afconvert/aac/FrameWriter.h"
#include "platform/afconvert/aac/IcsFrame.h"
#include "platform/afconvert/aac/SamplingRates.h"

namespace sondrel::afconvert::aac::testing {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "aacXXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a shell command; its standard error (the decoders' warnings) is kept.
struct Run {
    int exitCode = -1;
    std::string err;
};
inline Run runShell(const std::string& command, const std::string& errPath) {
    Run r;
    const int status = std::system((command + " 2>'" + errPath + "'").c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errPath);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    return r;
}

// The blocks as an ADTS stream (MPEG-4, AAC LC, no CRC, one block a frame).
inline std::vector<uint8_t> adts(const std::vector<std::vector<uint8_t>>& blocks,
                                 int frequencyIndex, int channelConfiguration) {
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& block : blocks) {
        const size_t length = block.size() + 7;
        const uint8_t header[7] = {
            0xFF,
            0xF1,
            uint8_t((1 << 6) | (frequencyIndex << 2) | (channelConfiguration >> 2)),
            uint8_t(((channelConfiguration & 3) << 6) | (length >> 11)),
            uint8_t(length >> 3),
            uint8_t(((length & 7) << 5) | 0x1F),
            0xFC};
        out.insert(out.end(), header, header + 7);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

struct Decoded {
    std::string error;          // empty when the decoder finished without a word
    std::vector<float> samples; // interleaved
};

inline std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::copy(bytes.data(), bytes.data() + samples.size() * sizeof(float),
              reinterpret_cast<char*>(samples.data()));
    return samples;
}

// faad2 as 32-bit float raw PCM; it leaves out the first block's output
// (which only primes its transform).
inline Decoded decodeWithFaad(const std::string& adtsPath) {
    const std::string raw = adtsPath + ".faad.raw";
    const Run r = runShell("faad -q -f 2 -b 4 -o '" + raw + "' '" + adtsPath + "'", raw + ".err");
    Decoded d;
    if (r.exitCode != 0 || !r.err.empty())
        d.error = "faad: exit " + std::to_string(r.exitCode) + ": " + r.err;
    d.samples = readFloats(raw);
    return d;
}

// FFmpeg's decoder, which stops at the first fault it sees and reports any
// warning.
inline Decoded decodeWithFfmpeg(const std::string& adtsPath) {
    const std::string raw = adtsPath + ".ffmpeg.raw";
    Run r = runShell("ffmpeg -nostdin -v warning -err_detect explode -i '" + adtsPath +
                         "' -f f32le -y '" + raw + "'",
                     raw + ".err");
    // The ADTS reader's guess at the duration is no fault of the stream.
    const std::string guess = "Estimating duration from bitrate, this may be inaccurate\n";
    if (const size_t at = r.err.find(guess); at != std::string::npos) {
        const size_t start = r.err.rfind('\n', at);
        r.err.erase(start == std::string::npos ? 0 : start + 1, at + guess.size());
    }
    Decoded d;
    if (r.exitCode != 0 || !r.err.empty())
        d.error = "ffmpeg: exit " + std::to_string(r.exitCode) + ": " + r.err;
    d.samples = readFloats(raw);
    return d;
}

// ---- Reference synthesis -------------------------------------------------

inline double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// The window of `length` points (2048 or 256) of a shape: sine, or Kaiser-
// Bessel derived with alpha 4 (long) or 6 (short).
inline std::vector<double> window(WindowShape shape, int length) {
    std::vector<double> w(size_t(length), 0.0);
    if (shape == WindowShape::Sine) {
        for (int n = 0; n < length; ++n)
            w[size_t(n)] = std::sin(M_PI / length * (n + 0.5));
        return w;
    }
    const double alpha = length == 2 * kFrameLines ? 4 : 6;
    const int half = length / 2;
    std::vector<double> kernel(size_t(half + 1));
    double total = 0;
    for (int n = 0; n <= half; ++n) {
        const double r = (n - half / 2.0) / (half / 2.0);
        kernel[size_t(n)] = besselI0(M_PI * alpha * std::sqrt(1 - r * r));
        total += kernel[size_t(n)];
    }
    double sum = 0;
    for (int n = 0; n < half; ++n) {
        sum += kernel[size_t(n)];
        w[size_t(n)] = w[size_t(length - 1 - n)] = std::sqrt(sum / total);
    }
    return w;
}

// x[n] = 2/N sum_k X[k] cos(2 pi / N (n + n0) (k + 1/2)), n0 = (N/2 + 1)/2,
// computed for the quarter-periods and mirrored (the first half is odd about
// its middle, the second even).
inline std::vector<double> inverseMdct(const double* spectrum, int lines) {
    const int n = 2 * lines;
    std::vector<double> cosines(size_t(4 * n));
    for (int i = 0; i < 4 * n; ++i)
        cosines[size_t(i)] = std::cos(2 * M_PI * i / (4.0 * n));
    std::vector<double> x(size_t(n), 0.0);
    auto at = [&](int t) {
        double sum = 0;
        for (int k = 0; k < lines; ++k)
            if (spectrum[k] != 0)
                sum += spectrum[k] *
                       cosines[size_t((int64_t(2 * t + n / 2 + 1) * (2 * k + 1)) % (4 * n))];
        return sum * 2.0 / n;
    };
    for (int t = 0; t < n / 4; ++t) {
        x[size_t(t)] = at(t);
        x[size_t(n / 2 - 1 - t)] = -x[size_t(t)];
        x[size_t(n / 2 + t)] = at(n / 2 + t);
        x[size_t(n - 1 - t)] = x[size_t(n / 2 + t)];
    }
    return x;
}

// sign(q) |q|^(4/3) 2^((sf - 100) / 4) per line (zero, noise and intensity
// bands give nothing); short windows at w * 128 as the frame holds them.
inline std::vector<double> dequantised(const IcsFrame& f, int frequencyIndex) {
    std::vector<double> spectrum(kFrameLines, 0.0);
    const bool isShort = f.sequence == WindowSequence::EightShort;
    const auto offsets =
        isShort ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    int window = 0;
    for (int g = 0; g < f.groupCount; ++g) {
        for (int w = 0; w < f.groupLength[size_t(g)]; ++w, ++window) {
            for (int b = 0; b < f.maxBands; ++b) {
                const size_t s = size_t(g * kMaxLongBands + b);
                if (f.book[s] < 1 || f.book[s] > kEscapeBook)
                    continue;
                const double gain = std::pow(2.0, (f.scalefactor[s] - 100) / 4.0);
                for (int i = offsets[size_t(b)]; i < offsets[size_t(b + 1)]; ++i) {
                    const int q = f.quantized[size_t(window * kShortLines + i)];
                    spectrum[size_t(window * kShortLines + i)] =
                        (q < 0 ? -1 : 1) * std::pow(std::abs(q), 4.0 / 3.0) * gain;
                }
            }
        }
    }
    return spectrum;
}

// Temporal noise shaping undone as a decoder does, on a dequantised
// spectrum: each window's filters run from the top of the band table down,
// each over `length` bands, an all-pole filter of the reflection
// coefficients. (Decoders also stop filters at a per-rate band limit that
// the tests stay under.)
inline void undoTns(std::vector<double>& spectrum, const IcsFrame& f, int frequencyIndex) {
    if (!f.tnsPresent)
        return;
    const bool isShort = f.sequence == WindowSequence::EightShort;
    const auto offsets =
        isShort ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    const int bands = int(offsets.size()) - 1;
    for (int w = 0; w < (isShort ? kShortWindows : 1); ++w) {
        const IcsFrame::TnsWindow& tw = f.tns[size_t(w)];
        int bottom = bands;
        for (int i = 0; i < tw.filterCount; ++i) {
            const IcsFrame::TnsFilter& filter = tw.filter[size_t(i)];
            const int top = bottom;
            bottom = std::max(top - filter.length, 0);
            if (filter.order == 0)
                continue;
            // Reflection coefficients, then the direct form by Levinson's recursion.
            const double half = 1 << (tw.filter[0].coefResolution - 1);
            std::vector<double> lpc(size_t(filter.order + 1), 0.0), previous;
            lpc[0] = 1;
            for (int m = 1; m <= filter.order; ++m) {
                const int c = filter.coef[size_t(m - 1)];
                const double k = std::sin(c / ((c >= 0 ? half - 0.5 : half + 0.5) / (M_PI / 2)));
                previous = lpc;
                for (int j = 1; j < m; ++j)
                    lpc[size_t(j)] = previous[size_t(j)] + k * previous[size_t(m - j)];
                lpc[size_t(m)] = k;
            }
            const int start = offsets[size_t(std::min(bottom, f.maxBands))];
            const int end = offsets[size_t(std::min(top, f.maxBands))];
            const int step = filter.downward ? -1 : 1;
            double* x = spectrum.data() + w * kShortLines + (filter.downward ? end - 1 : start);
            for (int m = 0; m < end - start; ++m, x += step)
                for (int j = 1; j <= std::min(m, filter.order); ++j)
                    *x -= lpc[size_t(j)] * x[-j * step];
        }
    }
}

// One channel's synthesis: windowing by sequence and shape (the first half
// takes the previous frame's shape), overlap-add; 1024 samples a frame.
class Synthesis {
public:
    std::vector<double> frame(const std::vector<double>& spectrum, WindowSequence sequence,
                              WindowShape shape) {
        const std::vector<double> longPrev = window(m_shape, 2048), longCur = window(shape, 2048);
        const std::vector<double> shortPrev = window(m_shape, 256), shortCur = window(shape, 256);
        std::vector<double> z(2048, 0.0);
        if (sequence == WindowSequence::EightShort) {
            for (int w = 0; w < kShortWindows; ++w) {
                const std::vector<double> x =
                    inverseMdct(spectrum.data() + w * kShortLines, kShortLines);
                for (int n = 0; n < 256; ++n)
                    z[size_t(448 + 128 * w + n)] +=
                        x[size_t(n)] * (n < 128 && w == 0 ? shortPrev : shortCur)[size_t(n)];
            }
        } else {
            const std::vector<double> x = inverseMdct(spectrum.data(), kFrameLines);
            for (int n = 0; n < 2048; ++n) {
                double w = n < 1024 ? longPrev[size_t(n)] : longCur[size_t(n)];
                if (sequence == WindowSequence::LongStart && n >= 1024)
                    w = n < 1472 ? 1 : n < 1600 ? shortCur[size_t(n - 1472 + 128)] : 0;
                if (sequence == WindowSequence::LongStop && n < 1024)
                    w = n < 448 ? 0 : n < 576 ? shortPrev[size_t(n - 448)] : 1;
                z[size_t(n)] = x[size_t(n)] * w;
            }
        }
        std::vector<double> out(m_overlap.begin(), m_overlap.end());
        for (int n = 0; n < 1024; ++n) {
            out[size_t(n)] += z[size_t(n)];
            m_overlap[size_t(n)] = z[size_t(1024 + n)];
        }
        m_shape = shape;
        return out;
    }

private:
    WindowShape m_shape = WindowShape::Sine;
    std::array<double, 1024> m_overlap{};
};

// What one channel of a frame sounds like.
struct ChannelSpectrum {
    std::vector<double> spectrum = std::vector<double>(kFrameLines, 0.0);
    WindowSequence sequence = WindowSequence::OnlyLong;
    WindowShape shape = WindowShape::Sine;
};

inline ChannelSpectrum spectrumOf(const IcsFrame& f, int frequencyIndex, bool withTns = true) {
    ChannelSpectrum c{dequantised(f, frequencyIndex), f.sequence, f.shape};
    if (withTns)
        undoTns(c.spectrum, f, frequencyIndex);
    return c;
}

// A pair's joint coding undone: intensity bands of the second channel take
// the first's lines, scaled by 0.5^(position/4), negated out of phase (book
// 14) and once more where ms_used is set; mid/side bands become L = M + S,
// R = M - S.
inline void undoJointCoding(ChannelSpectrum& left, ChannelSpectrum& right, const IcsFrame& first,
                            const IcsFrame& second, const PairCoding& pair, int frequencyIndex) {
    const bool isShort = first.sequence == WindowSequence::EightShort;
    const auto offsets =
        isShort ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    int window = 0;
    for (int g = 0; g < first.groupCount; ++g)
        for (int w = 0; w < first.groupLength[size_t(g)]; ++w, ++window)
            for (int b = 0; b < first.maxBands; ++b) {
                const size_t slot = size_t(g * kMaxLongBands + b);
                const bool ms =
                    pair.msMaskPresent == 2 || (pair.msMaskPresent == 1 && pair.msUsed[slot]);
                const int book = second.book[slot];
                const bool intensity = book == kIntensityInPhase || book == kIntensityOutOfPhase;
                double scale = 0;
                if (intensity)
                    scale = (book == kIntensityInPhase ? 1 : -1) *
                            (pair.msMaskPresent == 1 && ms ? -1 : 1) *
                            std::pow(0.5, second.scalefactor[slot] / 4.0);
                for (int i = offsets[size_t(b)]; i < offsets[size_t(b + 1)]; ++i) {
                    const size_t k = size_t(window * kShortLines + i);
                    const double m = left.spectrum[k], s = right.spectrum[k];
                    if (intensity) {
                        right.spectrum[k] = scale * m;
                    } else if (ms) {
                        left.spectrum[k] = m + s;
                        right.spectrum[k] = m - s;
                    }
                }
            }
}

// Raw data blocks and the PCM they stand for, channel by channel, in the
// decoders' order. Decoders give 1/32768 of the format's sample values as
// floating point: one quantisation step at scale factor 100 on line k of a
// long window adds 2/2048 cos(...) windowed, that is at most about 3e-8.
class TestStream {
public:
    TestStream(int frequencyIndex, int channels) : m_frequencyIndex(frequencyIndex) {
        m_synthesis.resize(size_t(channels));
        m_expected.resize(size_t(channels));
    }
    int frequencyIndex() const { return m_frequencyIndex; }
    int channels() const { return int(m_synthesis.size()); }
    int frames() const { return int(m_blocks.size()); }
    const std::vector<std::vector<uint8_t>>& blocks() const { return m_blocks; }
    const std::vector<double>& expected(int channel) const { return m_expected[size_t(channel)]; }

    void add(std::vector<uint8_t> block, const std::vector<ChannelSpectrum>& channels) {
        m_blocks.push_back(std::move(block));
        for (size_t c = 0; c < m_synthesis.size(); ++c) {
            const std::vector<double> pcm =
                m_synthesis[c].frame(channels[c].spectrum, channels[c].sequence, channels[c].shape);
            m_expected[c].insert(m_expected[c].end(), pcm.begin(), pcm.end());
        }
    }
    // One SCE.
    void addMono(const IcsFrame& f, int fillBytes = 0) {
        FrameWriter writer(m_frequencyIndex);
        writer.singleChannel(0, f);
        if (fillBytes > 0)
            writer.fill(fillBytes);
        add(writer.finish(), {spectrumOf(f, m_frequencyIndex)});
    }
    // One CPE.
    void addPair(const IcsFrame& first, const IcsFrame& second, const PairCoding& pair) {
        FrameWriter writer(m_frequencyIndex);
        writer.channelPair(0, first, second, pair);
        ChannelSpectrum left = spectrumOf(first, m_frequencyIndex, false);
        ChannelSpectrum right = spectrumOf(second, m_frequencyIndex, false);
        if (pair.commonWindow)
            undoJointCoding(left, right, first, second, pair, m_frequencyIndex);
        undoTns(left.spectrum, first, m_frequencyIndex);
        undoTns(right.spectrum, second, m_frequencyIndex);
        add(writer.finish(), {left, right});
    }

private:
    int m_frequencyIndex;
    std::vector<std::vector<uint8_t>> m_blocks;
    std::vector<Synthesis> m_synthesis;
    std::vector<std::vector<double>> m_expected;
};

constexpr double kDecoderScale = 32768.0;

// The largest difference per frame, in the format's sample units, between a
// decoder's interleaved output of `channels` channels, starting at frame
// `from` of the stream, and the expected PCM of channel map[c] for its
// channel c; frames before `from` are left at 0.
inline std::vector<double> frameErrors(const TestStream& stream, const Decoded& d, int channels,
                                       int from, const std::vector<int>& map) {
    const size_t frames = size_t(stream.frames() - from);
    std::vector<double> errors(size_t(stream.frames()), 0.0);
    EXPECT_EQ(d.samples.size(), frames * kFrameLines * size_t(channels));
    if (d.samples.size() != frames * kFrameLines * size_t(channels))
        return std::vector<double>(size_t(stream.frames()), INFINITY);
    for (int c = 0; c < channels; ++c) {
        const std::vector<double>& expected = stream.expected(map[size_t(c)]);
        for (size_t i = 0; i < frames * kFrameLines; ++i) {
            const double got = d.samples[i * size_t(channels) + size_t(c)] * kDecoderScale;
            const size_t at = size_t(from) * kFrameLines + i;
            double& e = errors[at / kFrameLines];
            e = std::max(e, std::abs(got - expected[at]));
        }
    }
    return errors;
}

inline double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

struct BothErrors {
    std::vector<double> faad, ffmpeg; // per frame
    // faad2 takes a stream at 24 kHz or below for one that may carry SBR
    // (which such a stream could signal only implicitly) and gives it at twice
    // the rate through its QMF banks, which are not exact: then `faad` is
    // empty and this is its signal-to-error ratio in dB against the expected
    // PCM.
    double faadUpsampledSnr = NAN;
};

// faad2's twice-the-rate output of a mono stream, taken at every other
// sample, lies 543 samples of the stream's rate behind the expected PCM
// (with the first frame left out); measured.
constexpr int kFaadUpsampledDelay = 543;

inline double upsampledSnr(const TestStream& stream, const Decoded& d) {
    const std::vector<double>& expected = stream.expected(0);
    double signal = 0, error = 0;
    // Leave out the edges, where the QMF banks fill and drain.
    for (size_t i = kFrameLines + 100; i + 1200 < expected.size(); ++i) {
        const size_t k = 2 * (i - kFaadUpsampledDelay); // sample at twice the rate
        if (2 * k >= d.samples.size())
            break;
        const double got = d.samples[2 * k] * kDecoderScale; // two channels
        signal += expected[i] * expected[i];
        error += (got - expected[i]) * (got - expected[i]);
    }
    return 10 * std::log10(signal / std::max(error, 1e-30));
}

// Decodes the stream with faad2 and FFmpeg, each of which must finish without
// a warning, and returns how far each lies from the expected PCM, frame by
// frame. faad2 leaves out the first frame and gives a mono stream as two
// equal channels. Output channel c is expected to be the stream's channel
// outputOrder[c] (by default c).
inline BothErrors decodeBoth(const TestStream& stream, const std::string& path,
                             int channelConfiguration, std::vector<int> outputOrder = {}) {
    const std::vector<uint8_t> bytes =
        adts(stream.blocks(), stream.frequencyIndex(), channelConfiguration);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    BothErrors errors;
    const Decoded faad = decodeWithFaad(path), ffmpeg = decodeWithFfmpeg(path);
    EXPECT_EQ(faad.error, "");
    EXPECT_EQ(ffmpeg.error, "");
    for (int c = int(outputOrder.size()); c < stream.channels(); ++c)
        outputOrder.push_back(c);
    const size_t upsampled = size_t(stream.frames() - 1) * 2 * kFrameLines * 2;
    if (stream.channels() == 1 && faad.samples.size() == upsampled)
        errors.faadUpsampledSnr = upsampledSnr(stream, faad);
    else if (stream.channels() == 1)
        errors.faad = frameErrors(stream, faad, 2, 1, {0, 0});
    else
        errors.faad = frameErrors(stream, faad, stream.channels(), 1, outputOrder);
    errors.ffmpeg = frameErrors(stream, ffmpeg, stream.channels(), 0, outputOrder);
    return errors;
}

// The largest sample of each frame of the expected PCM, over the channels.
inline std::vector<double> framePeaks(const TestStream& stream) {
    std::vector<double> peaks(size_t(stream.frames()), 0.0);
    for (int c = 0; c < stream.channels(); ++c)
        for (size_t i = 0; i < stream.expected(c).size(); ++i)
            peaks[i / kFrameLines] =
                std::max(peaks[i / kFrameLines], std::abs(stream.expected(c)[i]));
    return peaks;
}

// The decoders keep within 3e-7 of each frame's peak (their floating-point
// rounding); a wrong value anywhere moves the output far more.
constexpr double kRelativeTolerance = 2e-6;

// Both decoders within the tolerance of every frame's peak.
inline void expectBothDecode(const TestStream& stream, const std::string& path,
                             int channelConfiguration, std::vector<int> outputOrder = {}) {
    const BothErrors errors =
        decodeBoth(stream, path, channelConfiguration, std::move(outputOrder));
    const std::vector<double> peaks = framePeaks(stream);
    // Through faad2's QMF banks the PCM keeps about 60 dB; a line with the
    // wrong gain or in the wrong place costs far more.
    if (!std::isnan(errors.faadUpsampledSnr)) {
        EXPECT_GT(errors.faadUpsampledSnr, 50.0) << "faad2, at twice the rate";
    }
    for (int i = 0; i < stream.frames(); ++i) {
        const double tolerance = kRelativeTolerance * std::max(peaks[size_t(i)], 1.0);
        if (std::isnan(errors.faadUpsampledSnr)) {
            EXPECT_LE(errors.faad[size_t(i)], tolerance) << "faad2, frame " << i;
        }
        EXPECT_LE(errors.ffmpeg[size_t(i)], tolerance) << "FFmpeg, frame " << i;
    }
}

} // namespace sondrel::afconvert::aac::testing
