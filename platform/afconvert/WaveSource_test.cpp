#include "platform/afconvert/WaveSource.h"

#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert {
namespace {

using testing::TempDir;
using Layout = WaveSource::Layout;
using Encoding = WaveSource::Encoding;

// Builds the bytes of a test file field by field.
class Bytes {
public:
    Bytes& raw(const std::string& text) {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& le16(uint16_t v) { return put(v, 2, false); }
    Bytes& le32(uint32_t v) { return put(v, 4, false); }
    Bytes& be16(uint16_t v) { return put(v, 2, true); }
    Bytes& be32(uint32_t v) { return put(v, 4, true); }
    // An IEEE 754 80-bit extended number holding a whole sample rate.
    Bytes& extended(uint32_t rate) {
        int top = 31;
        while ((rate & (1u << top)) == 0)
            --top;
        be16(static_cast<uint16_t>(16383 + top));
        const uint64_t mantissa = uint64_t(rate) << (63 - top);
        return be32(static_cast<uint32_t>(mantissa >> 32)).be32(static_cast<uint32_t>(mantissa));
    }
    // A RIFF chunk (little-endian size) or an IFF chunk (big-endian size), padded to even length.
    Bytes& riffChunk(const std::string& id, const Bytes& body, int64_t size = -1) {
        raw(id).le32(static_cast<uint32_t>(size < 0 ? body.size() : size)).raw(body.m_bytes);
        return pad(body.size());
    }
    Bytes& iffChunk(const std::string& id, const Bytes& body) {
        raw(id).be32(static_cast<uint32_t>(body.size())).raw(body.m_bytes);
        return pad(body.size());
    }

    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    Bytes& put(uint32_t v, int count, bool bigEndian) {
        for (int i = 0; i < count; ++i)
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * (bigEndian ? count - 1 - i : i))));
        return *this;
    }
    Bytes& pad(size_t size) {
        if (size % 2 != 0)
            m_bytes.push_back(0);
        return *this;
    }
    std::vector<uint8_t> m_bytes;
};

Bytes waveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t block = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    return Bytes().le16(tag).le16(channels).le32(rate).le32(rate * block).le16(block).le16(bits);
}

// WAVE_FORMAT_EXTENSIBLE: the subformat GUID begins with the format tag it stands for.
Bytes extensibleFormat(uint16_t channels, uint16_t bits, uint32_t mask, uint16_t subformat) {
    Bytes format = waveFormat(0xFFFE, channels, 48000, bits);
    format.le16(22).le16(bits).le32(mask).le16(subformat);
    return format.raw(std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14));
}

// A RIFF/WAVE file of the chunks; the RIFF size is the real one unless given.
std::vector<uint8_t> wave(const Bytes& chunks, int64_t riffSize = -1) {
    Bytes file;
    file.raw("RIFF").le32(static_cast<uint32_t>(riffSize < 0 ? chunks.size() + 4 : riffSize));
    return file.raw("WAVE").raw(chunks.bytes()).bytes();
}

std::vector<uint8_t> aiff(const std::string& form, const Bytes& chunks) {
    Bytes file;
    file.raw("FORM").be32(static_cast<uint32_t>(chunks.size() + 4)).raw(form);
    return file.raw(chunks.bytes()).bytes();
}

Bytes aiffCommon(uint16_t channels, uint32_t frames, uint16_t bits, uint32_t rate) {
    return Bytes().be16(channels).be32(frames).be16(bits).extended(rate);
}

Bytes aifcCommon(uint16_t channels, uint32_t frames, uint16_t bits, const std::string& type) {
    Bytes common = aiffCommon(channels, frames, bits, 44100);
    return common.raw(type).raw(std::string("\x00\x00", 2)); // an empty Pascal name, padded
}

// The sound data chunk: offset, block size, then the audio (after `offset` bytes of filler).
Bytes soundData(const std::vector<uint8_t>& audio, uint32_t offset = 0) {
    return Bytes().be32(offset).be32(0).raw(std::vector<uint8_t>(offset, 0xEE)).raw(audio);
}

struct Parsed {
    bool ours = false;
    Layout layout;
    std::string problem;
};

Parsed parse(const std::vector<uint8_t>& file, uint64_t fileSize = 0) {
    Parsed parsed;
    parsed.ours = WaveSource::parseHeader(file, fileSize != 0 ? fileSize : file.size(),
                                          parsed.layout, parsed.problem);
    return parsed;
}

std::string writeFile(const TempDir& dir, const std::string& name,
                      const std::vector<uint8_t>& bytes) {
    const std::string path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Every sample the source hands out, as the 16-bit values of an S16 stream.
std::vector<int16_t> readS16(AudioSource& source) {
    std::vector<int16_t> samples;
    const AVFrame* frame = nullptr;
    while (source.next(frame).ok() && frame != nullptr) {
        EXPECT_EQ(frame->format, AV_SAMPLE_FMT_S16);
        const auto* data = reinterpret_cast<const int16_t*>(frame->data[0]);
        samples.insert(samples.end(), data, data + frame->nb_samples * source.info().channels);
    }
    return samples;
}

std::vector<uint8_t> le16Samples(std::initializer_list<int16_t> samples) {
    Bytes bytes;
    for (int16_t s : samples)
        bytes.le16(static_cast<uint16_t>(s));
    return bytes.bytes();
}

TEST(WaveSource, ChunksAroundTheAudioAreSkippedWithTheirPadding) {
    const std::vector<uint8_t> audio = le16Samples({1, -1, 300, -300});
    Bytes chunks;
    chunks
        .riffChunk("JUNK", Bytes().raw("abc")) // odd: one byte of padding follows
        .riffChunk("fmt ", waveFormat(1, 2, 44100, 16))
        .riffChunk("LIST", Bytes().raw("INFO!"))
        .riffChunk("data", Bytes().raw(audio))
        .riffChunk("id3 ", Bytes().raw("tag"));
    const Parsed parsed = parse(wave(chunks));
    ASSERT_TRUE(parsed.ours);
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.layout.dataOffset, 12u + 12 + 24 + 14 + 8);
    EXPECT_EQ(parsed.layout.dataBytes, audio.size()) << "the chunk after the audio is not audio";
    EXPECT_EQ(parsed.layout.encoding, Encoding::Int16);
    EXPECT_EQ(parsed.layout.channels, 2);
    EXPECT_EQ(parsed.layout.sampleRate, 44100);
    EXPECT_FALSE(parsed.layout.bigEndian);

    TempDir dir;
    std::unique_ptr<AudioSource> source;
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "padded.wav", wave(chunks)), source).ok());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->info().frameCount, 2);
    EXPECT_EQ(readS16(*source), (std::vector<int16_t>{1, -1, 300, -300}));

    // An odd-sized audio chunk of 8-bit samples: its pad byte is not a sample.
    Bytes odd;
    odd.riffChunk("fmt ", waveFormat(1, 1, 8000, 8))
        .riffChunk("data", Bytes().raw(std::string("\x80\x81\x7F", 3)))
        .riffChunk("LIST", Bytes().raw("INFO"));
    const Parsed eightBit = parse(wave(odd));
    EXPECT_EQ(eightBit.layout.encoding, Encoding::Unsigned8);
    EXPECT_EQ(eightBit.layout.dataBytes, 3u);
    // A size that ends inside a frame keeps the whole frames only.
    Bytes ragged;
    ragged.riffChunk("fmt ", waveFormat(1, 2, 8000, 16))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(7, 1)));
    EXPECT_EQ(parse(wave(ragged)).layout.dataBytes, 4u);
}

TEST(WaveSource, ExtensibleFormatsGiveTheirSubformatAndChannelMask) {
    Bytes surround;
    surround.riffChunk("fmt ", extensibleFormat(6, 24, 0x3F, 1))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(18 * 2, 0)));
    const Parsed pcm = parse(wave(surround));
    ASSERT_TRUE(pcm.ours);
    EXPECT_EQ(pcm.problem, "");
    EXPECT_EQ(pcm.layout.encoding, Encoding::Int24);
    EXPECT_EQ(pcm.layout.channels, 6);
    EXPECT_EQ(pcm.layout.channelMask, 0x3Fu);
    EXPECT_EQ(pcm.layout.dataBytes, 36u);

    TempDir dir;
    std::unique_ptr<AudioSource> source;
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "surround.wav", wave(surround)), source).ok());
    EXPECT_EQ(source->info().channelMask, 0x3Fu);
    EXPECT_EQ(source->info().sampleFormat, AV_SAMPLE_FMT_S32);

    Bytes floats;
    floats.riffChunk("fmt ", extensibleFormat(2, 32, 0x3, 3))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(8, 0)));
    EXPECT_EQ(parse(wave(floats)).layout.encoding, Encoding::Float32);

    // A mask naming other speakers than there are channels is not used.
    Bytes wrongMask;
    wrongMask.riffChunk("fmt ", extensibleFormat(2, 16, 0x3F, 1))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(4, 0)));
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "mask.wav", wave(wrongMask)), source).ok());
    EXPECT_EQ(source->info().channelMask, 0u);

    // A compressed subformat, and an extensible chunk too short to name one, are for the
    // general decoder.
    Bytes adpcm;
    adpcm.riffChunk("fmt ", extensibleFormat(2, 16, 0x3, 2))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(4, 0)));
    const Parsed compressed = parse(wave(adpcm));
    EXPECT_FALSE(compressed.ours);
    EXPECT_EQ(compressed.problem, "");
    Bytes shortExtensible;
    shortExtensible.riffChunk("fmt ", waveFormat(0xFFFE, 2, 48000, 16))
        .riffChunk("data", Bytes().raw(std::vector<uint8_t>(4, 0)));
    EXPECT_FALSE(parse(wave(shortExtensible)).ours);
}

TEST(WaveSource, AiffAndAiffCInTheirByteOrders) {
    // Plain AIFF: big-endian, and a sound data offset that skips filler before the audio.
    Bytes chunks;
    chunks.iffChunk("COMM", aiffCommon(1, 3, 16, 22050))
        .iffChunk("SSND", soundData({0x12, 0x34, 0xFF, 0xFE, 0x80, 0x00}, 4));
    const Parsed plain = parse(aiff("AIFF", chunks));
    ASSERT_TRUE(plain.ours);
    EXPECT_EQ(plain.problem, "");
    EXPECT_TRUE(plain.layout.bigEndian);
    EXPECT_EQ(plain.layout.sampleRate, 22050);
    EXPECT_EQ(plain.layout.dataOffset, 12u + 26 + 8 + 8 + 4);
    EXPECT_EQ(plain.layout.dataBytes, 6u);
    TempDir dir;
    std::unique_ptr<AudioSource> source;
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "plain.aiff", aiff("AIFF", chunks)), source).ok());
    EXPECT_EQ(readS16(*source), (std::vector<int16_t>{0x1234, -2, -32768}));

    // AIFF's 8-bit samples are signed; they come out as the unsigned bytes of WAV.
    Bytes eight;
    eight.iffChunk("COMM", aiffCommon(1, 3, 8, 8000))
        .iffChunk("SSND", soundData({0x00, 0x7F, 0x80}));
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "eight.aiff", aiff("AIFF", eight)), source).ok());
    const AVFrame* frame = nullptr;
    ASSERT_TRUE(source->next(frame).ok());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(frame->data[0], frame->data[0] + 3),
              (std::vector<uint8_t>{0x80, 0xFF, 0x00}));

    // AIFF-C: 'sowt' is little-endian, 'fl32' big-endian float, 'ima4' compressed.
    Bytes sowt;
    sowt.iffChunk("COMM", aifcCommon(1, 2, 16, "sowt"))
        .iffChunk("SSND", soundData({0x34, 0x12, 0xFE, 0xFF}));
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "sowt.aifc", aiff("AIFC", sowt)), source).ok());
    EXPECT_EQ(readS16(*source), (std::vector<int16_t>{0x1234, -2}));
    Bytes floats;
    floats.iffChunk("COMM", aifcCommon(1, 1, 32, "fl32"))
        .iffChunk("SSND", soundData({0x3F, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "float.aifc", aiff("AIFC", floats)), source).ok());
    ASSERT_TRUE(source->next(frame).ok());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(reinterpret_cast<const float*>(frame->data[0])[0], 0.5f);
    Bytes ima4;
    ima4.iffChunk("COMM", aifcCommon(1, 64, 16, "ima4")).iffChunk("SSND", soundData({0, 0}));
    EXPECT_FALSE(parse(aiff("AIFC", ima4)).ours);

    // The sound data before the common chunk, and a rate that is not a whole number, are left
    // to the general decoder.
    Bytes late;
    late.iffChunk("SSND", soundData({0, 0})).iffChunk("COMM", aiffCommon(1, 1, 16, 44100));
    EXPECT_FALSE(parse(aiff("AIFF", late)).ours);
    Bytes half;
    half.iffChunk("COMM", Bytes().be16(1).be32(1).be16(16).be16(16382).be32(0x80000000).be32(0))
        .iffChunk("SSND", soundData({0, 0}));
    EXPECT_FALSE(parse(aiff("AIFF", half)).ours);
}

TEST(WaveSource, LyingAndPlaceholderSizes) {
    const Bytes format = Bytes().riffChunk("fmt ", waveFormat(1, 2, 44100, 16));
    const std::vector<uint8_t> audio = le16Samples({5, 6, 7, 8, 9});

    // Longer than the file: refused as truncated rather than converted in part.
    Bytes longer = format;
    longer.raw("data").le32(400).raw(audio);
    const Parsed truncated = parse(wave(longer));
    EXPECT_TRUE(truncated.ours);
    EXPECT_NE(truncated.problem.find("truncated"), std::string::npos) << truncated.problem;

    // The unknown size a streaming writer leaves: the audio runs to the end of the file, in
    // whole frames; the RIFF size is not trusted either way.
    Bytes unknown = format;
    unknown.raw("data").le32(0xFFFFFFFF).raw(audio);
    const Parsed streamed = parse(wave(unknown, 0xFFFFFFFF));
    EXPECT_EQ(streamed.problem, "");
    EXPECT_EQ(streamed.layout.dataBytes, 8u);

    // A writer that never came back to fill in its sizes left 0 for the audio and a RIFF size
    // that ends before it (or 0): the audio runs to the end of the file too.
    Bytes unfilled = format;
    unfilled.raw("data").le32(0).raw(audio);
    for (const int64_t riffSize : {int64_t{36}, int64_t{0}}) {
        const Parsed stale = parse(wave(unfilled, riffSize));
        EXPECT_EQ(stale.problem, "");
        EXPECT_EQ(stale.layout.dataBytes, 8u) << "RIFF size " << riffSize;
    }
    TempDir dir;
    std::unique_ptr<AudioSource> source;
    ASSERT_TRUE(WaveSource::open(writeFile(dir, "unfilled.wav", wave(unfilled, 36)), source).ok());
    EXPECT_EQ(readS16(*source), (std::vector<int16_t>{5, 6, 7, 8}));
    // An audio chunk that is truly empty, with the RIFF size covering the chunks after it.
    Bytes empty = format;
    empty.riffChunk("data", Bytes()).riffChunk("LIST", Bytes().raw("INFOINFO"));
    EXPECT_EQ(parse(wave(empty)).layout.dataBytes, 0u);

    // AIFF: more frames than the file holds.
    Bytes frames;
    frames.iffChunk("COMM", aiffCommon(2, 1000, 16, 44100)).iffChunk("SSND", soundData(audio));
    const Parsed aiffTruncated = parse(aiff("AIFF", frames));
    EXPECT_TRUE(aiffTruncated.ours);
    EXPECT_NE(aiffTruncated.problem.find("truncated"), std::string::npos);

    // A file that shrinks while it is read fails rather than ending early.
    const std::string path = writeFile(dir, "shrinks.wav", wave(unknown));
    ASSERT_TRUE(WaveSource::open(path, source).ok());
    std::filesystem::resize_file(path, 50);
    const AVFrame* frame = nullptr;
    const Status read = source->next(frame);
    EXPECT_FALSE(read.ok());
    EXPECT_NE(read.message().find("truncated"), std::string::npos) << read.message();
}

TEST(WaveSource, BrokenHeadersAreRefusedWithAReason) {
    const Bytes audio = Bytes().raw(std::vector<uint8_t>(4, 0));
    const struct {
        const char* what;
        Bytes chunks;
        const char* problem;
    } cases[] = {
        {"audio before the format",
         Bytes().riffChunk("data", audio).riffChunk("fmt ", waveFormat(1, 1, 8000, 16)),
         "no format chunk before its audio data"},
        {"no audio at all", Bytes().riffChunk("fmt ", waveFormat(1, 1, 8000, 16)),
         "no audio data chunk"},
        {"a format chunk too short", Bytes().riffChunk("fmt ", Bytes().le16(1).le16(1).le32(8000)),
         "format chunk is too short"},
        {"a format chunk cut short", Bytes().raw("fmt ").le32(16).le16(1).le16(1),
         "format chunk is cut short"},
        {"no channels",
         Bytes().riffChunk("fmt ", waveFormat(1, 0, 8000, 16)).riffChunk("data", audio),
         "no channels or no sample rate"},
        {"no sample rate",
         Bytes().riffChunk("fmt ", waveFormat(1, 1, 0, 16)).riffChunk("data", audio),
         "no channels or no sample rate"},
        {"a chunk past the end",
         Bytes().riffChunk("fmt ", waveFormat(1, 1, 8000, 16)).raw("LIST").le32(100000),
         "no audio data chunk"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse(wave(c.chunks));
        EXPECT_TRUE(parsed.ours) << c.what;
        EXPECT_NE(parsed.problem.find(c.problem), std::string::npos)
            << c.what << ": " << parsed.problem;
    }
}

TEST(WaveSource, OtherFilesAreLeftToTheGeneralDecoder) {
    const Bytes audio = Bytes().raw(std::vector<uint8_t>(4, 0));
    const std::vector<std::vector<uint8_t>> others = {
        {'R', 'I', 'F'},
        Bytes().raw("RIFX").le32(4).raw("WAVE").bytes(),
        Bytes().raw("RIFF").le32(4).raw("AVI ").bytes(),
        wave(Bytes().riffChunk("fmt ", waveFormat(0x55, 2, 44100, 0)).riffChunk("data", audio)),
        wave(Bytes().riffChunk("fmt ", waveFormat(1, 1, 8000, 12)).riffChunk("data", audio)),
        wave(Bytes()
                 .riffChunk("fmt ", Bytes().le16(1).le16(2).le32(8000).le32(0).le16(6).le16(16))
                 .riffChunk("data", audio)), // a block alignment with room to spare
    };
    for (const std::vector<uint8_t>& file : others) {
        const Parsed parsed = parse(file);
        EXPECT_FALSE(parsed.ours) << ::testing::PrintToString(file);
        EXPECT_EQ(parsed.problem, "");
    }
    // The audio lies beyond the head read: left to the general decoder, not refused.
    Bytes bigList;
    bigList.riffChunk("fmt ", waveFormat(1, 1, 8000, 16)).raw("LIST").le32(100000);
    const Parsed beyond = parse(wave(bigList), 200000);
    EXPECT_FALSE(beyond.ours);
    EXPECT_EQ(beyond.problem, "");
}

} // namespace
} // namespace sondrel::afconvert
