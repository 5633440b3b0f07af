#include <gtest/gtest.h>

#include "platform/afconvert/AacCookie.h"
#include "platform/afconvert/BigEndian.h"
#include "platform/afconvert/CafWriter.h"

namespace sondrel::afconvert {
namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& b, size_t at, size_t n) {
    return {b.begin() + long(at), b.begin() + long(at + n)};
}

TEST(CafWriter, VarintsAndCookieMatchTheFormat) {
    const std::pair<uint64_t, std::vector<uint8_t>> examples[] = {
        {0, bytesOf({0x00})},          {127, bytesOf({0x7F})},
        {128, bytesOf({0x81, 0x00})},  {300, bytesOf({0x82, 0x2C})},
        {1536, bytesOf({0x8C, 0x00})}, {16384, bytesOf({0x81, 0x80, 0x00})}};
    for (const auto& [value, expected] : examples) {
        std::vector<uint8_t> out;
        appendVarint(out, value);
        EXPECT_EQ(out, expected) << value;
    }
    // AAC-LC 44.1 kHz stereo at 128 kbit/s: the 39-byte ES_Descriptor readers expect.
    const auto cookie = makeAacMagicCookie(bytesOf({0x12, 0x10}), {128000, 128000});
    EXPECT_EQ(cookie, bytesOf({0x03, 0x80, 0x80, 0x80, 0x22, 0x00, 0x00, 0x00, 0x04, 0x80,
                               0x80, 0x80, 0x14, 0x40, 0x15, 0x00, 0x18, 0x00, 0x00, 0x01,
                               0xF4, 0x00, 0x00, 0x01, 0xF4, 0x00, 0x05, 0x80, 0x80, 0x80,
                               0x02, 0x12, 0x10, 0x06, 0x80, 0x80, 0x80, 0x01, 0x02}));
    EXPECT_TRUE(makeAacMagicCookie({}, {}).empty());
}

TEST(CafWriter, PcmStreamsAndPatchesSizes) {
    MemorySink out;
    CafWriter writer(out, nullptr, nullptr);
    CafWriterSetup setup;
    setup.description = {44100, "lpcm", 2, 4, 1, 2, 16};
    setup.channelLayout = CafChannelLayout{0x00650002, 0};
    setup.pageAlignAudio = true;
    ASSERT_TRUE(writer.begin(setup).ok());
    const std::vector<uint8_t> frames(4 * 10, 0x11);
    ASSERT_TRUE(writer.writePacket(frames, 10).ok());
    ASSERT_TRUE(writer.finish(10).ok());
    const auto& b = out.bytes();
    EXPECT_EQ(slice(b, 0, 8), bytesOf({'c', 'a', 'f', 'f', 0, 1, 0, 0}));
    EXPECT_EQ(slice(b, 8, 12), bytesOf({'d', 'e', 's', 'c', 0, 0, 0, 0, 0, 0, 0, 32}));
    // mSampleRate 44100 as a big-endian Float64, then 'lpcm', flags 2 (little-endian).
    EXPECT_EQ(slice(b, 20, 16),
              bytesOf({0x40, 0xE5, 0x88, 0x80, 0, 0, 0, 0, 'l', 'p', 'c', 'm', 0, 0, 0, 2}));
    EXPECT_EQ(slice(b, 52, 4), bytesOf({'c', 'h', 'a', 'n'}));
    // The audio starts on a page boundary, the data size is the real one.
    ASSERT_EQ(b.size(), 4096u + 40u);
    EXPECT_EQ(slice(b, 4096 - 16, 16),
              bytesOf({'d', 'a', 't', 'a', 0, 0, 0, 0, 0, 0, 0, 44, 0, 0, 0, 0}));
}

TEST(CafWriter, VariablePacketsPutTheTableBeforeTheData) {
    MemorySink out, audio, table;
    CafWriter writer(out, &audio, &table);
    CafWriterSetup setup;
    setup.description = {44100, "aac ", 0, 0, 1024, 1, 0};
    setup.magicCookie = makeAacMagicCookie(bytesOf({0x12, 0x08}), {64000, 0});
    setup.primingFrames = 1024;
    setup.pageAlignAudio = false;
    ASSERT_TRUE(writer.begin(setup).ok());
    EXPECT_TRUE(out.bytes().empty()); // nothing before the table is known
    const std::vector<uint8_t> small(6, 0xAA), large(371, 0xBB);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(writer.writePacket(i == 1 ? large : small, 1024).ok());
    ASSERT_TRUE(writer.finish(1500).ok());

    const auto& b = out.bytes();
    // desc, kuki, pakt, data in that order.
    const size_t kuki = 8 + 44, pakt = kuki + 12 + setup.magicCookie.size();
    EXPECT_EQ(slice(b, kuki, 4), bytesOf({'k', 'u', 'k', 'i'}));
    EXPECT_EQ(slice(b, pakt, 4), bytesOf({'p', 'a', 'k', 't'}));
    // 3 packets, 1500 valid, 1024 priming, 3*1024-1024-1500 = 548 remainder, sizes 6, 371, 6.
    EXPECT_EQ(slice(b, pakt + 12, 28),
              bytesOf({0,    0,    0, 0, 0,    0,    0, 3, 0,    0,    0,    0,    0,    0,
                       0x05, 0xDC, 0, 0, 0x04, 0x00, 0, 0, 0x02, 0x24, 0x06, 0x82, 0x73, 0x06}));
    const size_t data = pakt + 12 + 28;
    EXPECT_EQ(slice(b, data, 16),
              bytesOf({'d', 'a', 't', 'a', 0, 0, 0, 0, 0, 0, 0x01, 0x83, 0, 0, 0, 0}));
    EXPECT_EQ(b.size(), data + 16 + 383);
    EXPECT_EQ(b.back(), 0xAA);
}

TEST(CafWriter, RefusesBadSetupsAndCountsBeforeWriting) {
    MemorySink out;
    CafWriter noScratch(out, nullptr, nullptr);
    CafWriterSetup aac;
    aac.description = {44100, "aac ", 0, 0, 1024, 2, 0};
    EXPECT_FALSE(noScratch.begin(aac).ok());
    CafWriterSetup mismatched;
    mismatched.description = {44100, "ima4", 0, 34, 64, 1, 0};
    mismatched.channelLayout = CafChannelLayout{0x00650002, 0}; // stereo tag on a mono stream
    EXPECT_FALSE(CafWriter(out, nullptr, nullptr).begin(mismatched).ok());
    CafWriterSetup zeroRate;
    zeroRate.description = {0, "lpcm", 0, 2, 1, 1, 16};
    EXPECT_FALSE(CafWriter(out, nullptr, nullptr).begin(zeroRate).ok());
    EXPECT_TRUE(out.bytes().empty());

    CafWriterSetup ima;
    ima.description = {8000, "ima4", 0, 34, 64, 1, 0};
    ima.packetTableForConstantPackets = true;
    CafWriter writer(out, nullptr, nullptr);
    ASSERT_TRUE(writer.begin(ima).ok());
    EXPECT_FALSE(writer.writePacket(std::vector<uint8_t>(33), 64).ok()); // not a whole packet
    ASSERT_TRUE(writer.writePacket(std::vector<uint8_t>(68), 128).ok());
    EXPECT_FALSE(writer.finish(129).ok()); // more frames than two packets hold
}

} // namespace
} // namespace sondrel::afconvert
