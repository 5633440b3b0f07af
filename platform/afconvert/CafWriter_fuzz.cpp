// Fuzzes the CAF writer with arbitrary stream descriptions and packets, and the readers of
// outside headers with arbitrary bytes: WAV/AIFF, the CAF packet table and the MP4 track timing.
// None may crash, and the writer must refuse or write a file that reads back as it was meant: the
// chunk sizes add up to the file, the chunks are the ones the setup asks for in an order readers
// that stop at the audio data accept, the audio data is exactly the packets accepted, and the
// packet table counts and sizes those packets.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/afconvert/CafStatedLength.h"
#include "platform/afconvert/CafWriter.h"
#include "platform/afconvert/Mp4TrackTiming.h"
#include "platform/afconvert/WaveSource.h"

using namespace sondrel::afconvert;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "CAF check failed: %s\n", what);
    std::abort();
}

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fail(#condition);                                                                      \
    } while (false)

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | (at < size ? data[at++] : 0);
        return v;
    }
};

uint64_t be(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

struct Chunk {
    std::string type;
    size_t body = 0;   // where the body starts
    int64_t size = 0;  // as the header says (-1: to the end of the file)
    size_t length = 0; // what the body really takes
};

// Walks the chunks: every size must lead exactly to the next chunk, and the last to the end of
// the file; only an audio data chunk at the end may leave its size unknown.
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& file) {
    CHECK(file.size() >= 8);
    CHECK(std::memcmp(file.data(), "caff\x00\x01\x00\x00", 8) == 0);
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at < file.size()) {
        CHECK(file.size() - at >= 12);
        Chunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(file.data() + at), 4);
        chunk.size = static_cast<int64_t>(be(file, at + 4, 8));
        chunk.body = at + 12;
        if (chunk.size == -1) {
            CHECK(chunk.type == "data");
            chunk.length = file.size() - chunk.body;
        } else {
            CHECK(chunk.size >= 0 && uint64_t(chunk.size) <= file.size() - chunk.body);
            chunk.length = static_cast<size_t>(chunk.size);
        }
        chunks.push_back(chunk);
        at = chunk.body + chunk.length;
    }
    CHECK(at == file.size());
    return chunks;
}

void checkDescription(const std::vector<uint8_t>& file, const Chunk& desc,
                      const CafStreamDescription& d) {
    CHECK(desc.type == "desc" && desc.body == 20 && desc.size == 32);
    CHECK(be(file, 20, 8) == std::bit_cast<uint64_t>(d.sampleRate));
    CHECK(std::memcmp(file.data() + 28, d.formatId.data(), 4) == 0);
    CHECK(be(file, 32, 4) == d.formatFlags);
    CHECK(be(file, 36, 4) == d.bytesPerPacket);
    CHECK(be(file, 40, 4) == d.framesPerPacket);
    CHECK(be(file, 44, 4) == d.channelsPerFrame);
    CHECK(be(file, 48, 4) == d.bitsPerChannel);
}

// The packet table: its counts, and for variable packets one size entry per packet.
void checkPacketTable(const std::vector<uint8_t>& file, const Chunk& pakt,
                      const CafWriterSetup& setup, const std::vector<std::vector<uint8_t>>& packets,
                      uint64_t audioBytes, int64_t validFrames, bool finished) {
    const CafStreamDescription& d = setup.description;
    CHECK(pakt.length >= 24);
    const auto count = static_cast<int64_t>(be(file, pakt.body, 8));
    const auto valid = static_cast<int64_t>(be(file, pakt.body + 8, 8));
    const auto priming = static_cast<int32_t>(be(file, pakt.body + 16, 4));
    const auto remainder = static_cast<int32_t>(be(file, pakt.body + 20, 4));
    if (!finished) {
        // A stream that could not be finished keeps the placeholders of its start.
        CHECK(pakt.length == 24 && count == 0 && valid == 0 && priming == 0 && remainder == 0);
        return;
    }
    if (CafWriter::isVariable(d)) {
        CHECK(count == static_cast<int64_t>(packets.size()));
        size_t at = pakt.body + 24;
        for (const std::vector<uint8_t>& packet : packets) {
            uint64_t entry = 0;
            do {
                CHECK(at < pakt.body + pakt.length);
                entry = (entry << 7) | (file[at] & 0x7F);
            } while (file[at++] & 0x80);
            CHECK(entry == packet.size());
        }
        CHECK(at == pakt.body + pakt.length);
    } else {
        CHECK(pakt.length == 24);
        CHECK(uint64_t(count) * d.bytesPerPacket == audioBytes);
    }
    CHECK(valid == validFrames);
    CHECK(priming == (count == 0 ? 0 : static_cast<int32_t>(setup.primingFrames)));
    CHECK(remainder >= 0);
    CHECK(count * d.framesPerPacket - priming - remainder == valid);
}

void checkFile(const std::vector<uint8_t>& file, const CafWriterSetup& setup,
               const std::vector<std::vector<uint8_t>>& packets, int64_t validFrames,
               bool finished) {
    const std::vector<Chunk> chunks = chunksOf(file);
    std::map<std::string, const Chunk*> byType;
    for (const Chunk& chunk : chunks) {
        CHECK(byType.count(chunk.type) == 0);
        byType[chunk.type] = &chunk;
    }
    checkDescription(file, chunks.front(), setup.description);
    CHECK(chunks.back().type == "data"); // everything a reader needs comes before the audio
    const Chunk& data = chunks.back();
    CHECK(data.size == (finished ? static_cast<int64_t>(data.length) : -1));
    CHECK(data.length >= 4 && be(file, data.body, 4) == 0); // mEditCount
    std::vector<uint8_t> audio;
    for (const std::vector<uint8_t>& packet : packets)
        audio.insert(audio.end(), packet.begin(), packet.end());
    CHECK(data.length - 4 == audio.size());
    CHECK(std::equal(audio.begin(), audio.end(), file.begin() + long(data.body + 4)));
    if (setup.pageAlignAudio)
        CHECK((data.body + 4) % 4096 == 0);
    CHECK(byType.count("free") == (setup.pageAlignAudio ? 1u : 0u));

    CHECK(byType.count("chan") == (setup.channelLayout ? 1u : 0u));
    if (setup.channelLayout) {
        const Chunk& chan = *byType["chan"];
        const bool bitmap = setup.channelLayout->tag == CafChannelLayout::kUseChannelBitmap;
        CHECK(chan.length == 12 && be(file, chan.body, 4) == setup.channelLayout->tag);
        CHECK(be(file, chan.body + 4, 4) == (bitmap ? setup.channelLayout->bitmap : 0));
        CHECK(be(file, chan.body + 8, 4) == 0);
    }
    CHECK(byType.count("kuki") == (setup.magicCookie.empty() ? 0u : 1u));
    if (!setup.magicCookie.empty()) {
        const Chunk& kuki = *byType["kuki"];
        CHECK(kuki.length == setup.magicCookie.size());
        CHECK(std::equal(setup.magicCookie.begin(), setup.magicCookie.end(),
                         file.begin() + long(kuki.body)));
    }
    const bool variable = CafWriter::isVariable(setup.description);
    CHECK(byType.count("pakt") == (variable || setup.packetTableForConstantPackets ? 1u : 0u));
    if (byType.count("pakt") != 0)
        checkPacketTable(file, *byType["pakt"], setup, packets, audio.size(), validFrames,
                         finished);
}

// A packet whose bytes tell it from its neighbours, so misplaced or repeated audio shows.
std::vector<uint8_t> packetBytes(size_t length, size_t index) {
    std::vector<uint8_t> packet(length);
    for (size_t i = 0; i < length; ++i)
        packet[i] = static_cast<uint8_t>(index * 31 + i);
    return packet;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> head(data, data + size);
    WaveSource::Layout layout;
    std::string problem;
    WaveSource::parseHeader(head, size + (size > 4 ? data[4] : 0), layout, problem);
    const ReadAt read = [data, size](uint64_t offset, uint8_t* buffer, size_t count) -> size_t {
        if (offset >= size)
            return 0;
        const size_t n = std::min<uint64_t>(count, size - offset);
        std::memcpy(buffer, data + offset, n);
        return n;
    };
    (void)readCafStatedLength(read);
    if (const auto timing = readMp4TrackTiming(read, 1))
        (void)editedFrames(*timing);

    Reader in{data, size};
    CafWriterSetup setup;
    const char* formats[] = {"lpcm", "ima4", "aac ", "alac", "ulaw", "x"};
    setup.description.formatId = formats[in.u32() % 6];
    setup.description.sampleRate = in.u32() % 200000;
    setup.description.formatFlags = in.u32() % 4;
    setup.description.bytesPerPacket = in.u32() % 64;
    setup.description.framesPerPacket = in.u32() % 2048;
    setup.description.channelsPerFrame = in.u32() % 9;
    setup.description.bitsPerChannel = in.u32() % 65;
    setup.primingFrames = in.u32() % 4096;
    setup.pageAlignAudio = in.u32() & 1;
    setup.packetTableForConstantPackets = in.u32() & 1;
    if (const uint32_t tag = in.u32(); tag & 1) {
        // Mostly a tag for the channel count (or the bitmap tag), sometimes one that is not.
        const uint32_t matching = (tag & 2)
                                      ? CafChannelLayout::kUseChannelBitmap
                                      : (tag & 0xFFFF0000) | setup.description.channelsPerFrame;
        setup.channelLayout = CafChannelLayout{(tag & 4) ? tag : matching, in.u32()};
    }
    if (const uint32_t cookie = in.u32() % 48; cookie > 24)
        setup.magicCookie = packetBytes(cookie - 24, 999);
    MemorySink out, audio, table;
    CafWriter writer(out, &audio, &table);
    if (!writer.begin(setup).ok()) {
        if (out.size() != 0)
            fail("a refused setup wrote bytes");
        return 0;
    }
    const CafStreamDescription& d = setup.description;
    std::vector<std::vector<uint8_t>> accepted;
    int64_t capacity = 0;
    while (in.at + 8 <= size) {
        const uint32_t length = in.u32() % 600, frames = in.u32() % 3000;
        std::vector<uint8_t> packet = packetBytes(length, accepted.size());
        if (!writer.writePacket(packet, frames).ok())
            continue;
        const uint64_t packetsInIt = CafWriter::isVariable(d) ? 1 : length / d.bytesPerPacket;
        capacity += static_cast<int64_t>(packetsInIt * d.framesPerPacket);
        accepted.push_back(std::move(packet));
    }
    if (writer.packetCount() != 0 || !accepted.empty())
        CHECK(capacity == writer.packetCount() * d.framesPerPacket);
    // Mostly counts the packets can hold (with their priming), sometimes ones they cannot.
    const uint32_t choice = in.u32();
    const int64_t priming = accepted.empty() ? 0 : setup.primingFrames;
    const int64_t validFrames = (choice & 1)
                                    ? capacity - priming - (choice >> 1) % (d.framesPerPacket + 1)
                                    : (choice >> 1) % (capacity + 2);
    const bool finished = writer.finish(validFrames).ok();
    CHECK(finished == (validFrames >= 0 && validFrames + priming <= capacity));
    if (!finished && CafWriter::isVariable(d)) {
        CHECK(out.size() == 0); // the header waits for the packet table
        return 0;
    }
    checkFile(out.bytes(), setup, accepted, validFrames, finished);
    return 0;
}
