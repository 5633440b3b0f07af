// Fuzzes the CAF writer with arbitrary stream descriptions and packets, and
// the readers of outside headers with arbitrary bytes: WAV/AIFF, the CAF
// packet table and the MP4 track timing. The writer must refuse or write a
// file whose sizes add up; none may crash.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afconvert/CafStatedLength.h"
#include "platform/afconvert/CafWriter.h"
#include "platform/afconvert/Mp4TrackTiming.h"
#include "platform/afconvert/WaveSource.h"

using namespace sondrel::afconvert;

namespace {

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
    setup.description.bytesPerPacket = in.u32() % 64;
    setup.description.framesPerPacket = in.u32() % 2048;
    setup.description.channelsPerFrame = in.u32() % 9;
    setup.primingFrames = in.u32() % 4096;
    setup.pageAlignAudio = in.u32() & 1;
    setup.packetTableForConstantPackets = in.u32() & 1;
    if (in.u32() & 1)
        setup.channelLayout = CafChannelLayout{in.u32(), in.u32()};
    MemorySink out, audio, table;
    CafWriter writer(out, &audio, &table);
    if (!writer.begin(setup).ok())
        return 0;
    int64_t frames = 0;
    while (in.at + 8 <= size) {
        const uint32_t length = in.u32() % 600, count = in.u32() % 3000;
        std::vector<uint8_t> packet(length, 0x5A);
        if (writer.writePacket(packet, count).ok())
            frames += count;
    }
    (void)writer.finish(frames / 2);
    return 0;
}
