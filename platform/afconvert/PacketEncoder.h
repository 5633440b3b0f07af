#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/afconvert/AacCookie.h"
#include "platform/afconvert/DataFormat.h"
#include "platform/afconvert/Options.h"
#include "platform/afconvert/Status.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

namespace sondrel::afconvert::aac {
class AnalysisMemo;
class WindowShapeMemo;
} // namespace sondrel::afconvert::aac

namespace sondrel::afconvert {

// The encoded stream, as a file writer needs to describe it.
struct EncodedStream {
    DataFormat format; // kind and PCM layout; sampleRate is the rate below
    int sampleRate = 0;
    int channels = 0;
    uint64_t channelMask = 0;       // channels in the order the encoder takes them
    int framesPerPacket = 1;        // frames in every packet but possibly the last
    int bytesPerPacket = 0;         // 0 when packets vary in size
    int primingFrames = 0;          // encoder delay: leading frames to drop on decoding
    std::vector<uint8_t> extradata; // AAC: AudioSpecificConfig; ALAC: the 'alac' atom
    AacBitRates bitRates;           // AAC: what the stream promises (0: nothing)
    int alacSourceBits = 0;         // ALAC: 16 or 24
};

// Receives encoded packets. `frames` counts the frames the packet holds
// (for constant-size formats, several packets may come in one call).
class PacketSink {
public:
    virtual ~PacketSink() = default;
    virtual Status writePacket(std::span<const uint8_t> packet, uint32_t frames) = 0;
};

// What -d asks of an encoder, after the source is known.
struct EncoderRequest {
    DataFormat format;
    int sampleRate = 0;        // wanted output rate
    bool rateExplicit = false; // true when given with @RATE (no silent change then)
    int channels = 0;
    uint64_t channelMask = 0;
    int64_t bitRate = 0;
    AacStrategy strategy = AacStrategy::Average;
    std::optional<int> quality;
    std::optional<int> variableQuality;
    AacEncoderChoice aacEncoder = AacEncoderChoice::Default;
    // AAC's variable strategies with a bit rate: the quality (noise offset,
    // dB) measured to give that rate over the whole source, coded at
    // throughout. Without it the quality follows the rate as frames come.
    std::optional<float> aacNoiseOffset;
    // AAC's average strategy: the scale of the rate its rate control aims at,
    // measured so that the whole source averages the rate asked for.
    std::optional<double> aacAverageScale;
    // AAC: the window shapes measuring chose for the source's frames, for
    // its coding to take instead of weighing them again.
    std::shared_ptr<aac::WindowShapeMemo> aacWindowShapes;
    // AAC: the analysis measuring made of the source's first blocks, likewise.
    std::shared_ptr<aac::AnalysisMemo> aacAnalyses;
};

// An encoder for one stream. Frames come in the encoder's sample format,
// channel layout and rate, each holding frameSize() frames except the last,
// which may hold fewer.
class PacketEncoder {
public:
    virtual ~PacketEncoder() = default;
    virtual const EncodedStream& stream() const = 0;
    virtual AVSampleFormat inputFormat() const = 0;
    virtual int frameSize() const = 0;
    // Encodes a frame, or flushes what the encoder holds when frame is nullptr.
    virtual Status encode(const AVFrame* frame, PacketSink& sink) = 0;
    // Notes for verbose output (how the request was mapped onto the encoder).
    virtual std::string summary() const { return {}; }

    // A long source cut into segments that separate instances encode, each
    // fed from a packet boundary a little before its segment to a little
    // past its end, their packets joined into one stream. joinLookAhead is
    // how many frames past a segment's end an instance must see for the
    // segment's last packet to be right; -1 when packets cannot be joined.
    virtual int joinLookAhead() const { return -1; }
    // This instance's input starts at the stream's packet `startPacket`; its
    // packets firstKept to lastKept (its own count) are the ones joined.
    virtual void codeSegment(int64_t startPacket, int64_t firstKept, int64_t lastKept) {
        (void)startPacket;
        (void)firstKept;
        (void)lastKept;
    }
};

} // namespace sondrel::afconvert
