#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "platform/afconvert/aac/AnalysisMemo.h"
#include "platform/afconvert/aac/BandLayout.h"
#include "platform/afconvert/aac/BlockSwitching.h"
#include "platform/afconvert/aac/HuffmanCoding.h"
#include "platform/afconvert/aac/PsychoModel.h"
#include "platform/afconvert/aac/Quantizer.h"
#include "platform/afconvert/aac/RateControl.h"
#include "platform/afconvert/aac/Transform.h"
#include "platform/afconvert/aac/WindowShapeMemo.h"

namespace sondrel::afconvert::aac {

struct EncoderSettings {
    int sampleRate = 48000; // one of the standard's rates
    int channels = 2;       // 1 to 6, in the order of channelMask() below
    RateMode mode = RateMode::Average;
    int64_t bitRate = 128000; // 0 with a variable mode: a fixed quality
    float quality = 0;        // variable modes without a rate: the noise offset in dB
    int bandwidth = 0;        // Hz; 0 chooses by the rate
    // Variable modes with a rate: quality is the noise offset chosen for the
    // whole file (so it is not steered as the frames go); the rate only sets
    // the constrained mode's ceiling.
    bool qualityFixed = false;
    // The average mode: its rate control aims at bitRate times this, so
    // that a file whose last seconds cannot spend their share (silence,
    // a fading tail) still averages bitRate; see measureAacAverage.
    double averageScale = 1.0;
    // Window shapes already chosen for this file's frames (see
    // WindowShapeMemo): measuring fills it, coding reads it. Null: every
    // frame's shape is weighed.
    std::shared_ptr<WindowShapeMemo> shapeMemo;
    // The analysis of the file's first blocks (see AnalysisMemo): the first
    // measuring pass fills it, the passes after it read it. Null: every
    // block is analysed.
    std::shared_ptr<AnalysisMemo> analysisMemo;
};

// An AAC-LC encoder: planar float samples in, one raw_data_block per 1024
// frames out. The stream starts with 1024 frames of priming (the transform's
// overlap), and ends with the packets that complete the last input frame.
class Encoder {
public:
    static constexpr int kPrimingFrames = kFrameLines;

    explicit Encoder(const EncoderSettings& settings);
    ~Encoder();

    // Whether the settings can be encoded (a standard rate, 1 to 6 channels).
    static bool supports(int sampleRate, int channels);
    // The channels the encoder takes, in order: mono, stereo, 3.0, 4.0, 5.0
    // and 5.1 as FFmpeg's native masks.
    static uint64_t channelMask(int channels);
    // The coded bandwidth a rate gets by default, in Hz.
    static int defaultBandwidth(int64_t bitRate, int channels, int sampleRate);

    // planes[c][i], samples in -1..1; finished packets are appended to out.
    void push(const float* const* planes, int frames, std::vector<std::vector<uint8_t>>& out);
    // Codes what is left: the packets that complete the input.
    void finish(std::vector<std::vector<uint8_t>>& out);
    std::vector<uint8_t> audioSpecificConfig() const;

    // A segment of a longer stream, coded apart from the rest: this encoder's
    // packet 0 is the stream's packet `startPacket` (its input starts at that
    // packet's frames), and packets firstKept to lastKept are the ones joined
    // into the stream. The rate control is brought to a known state at
    // lastKept and restarts from it at firstKept (see RateControl), so the
    // joins are ones the decoder's buffer model accepts.
    void codeSegment(int64_t startPacket, int64_t firstKept, int64_t lastKept);

    // Measures instead of coding: every block is analysed and its bits
    // counted at each of `offsets` (noise offsets, dB); no packets are made.
    // The first blocks (priming and the transform's start) are left out.
    // A block whose perceptual entropy reaches `loudEntropy` (when not 0) is
    // not coded but counted at the most a frame may spend: what only
    // matters is whether a block can spend its share, and a loud one can.
    // With `loudEntropy`, no block is coded further once it surely costs
    // that most: it is counted at it.
    struct Measured {
        std::vector<int> bits; // at each offset
        float entropy = 0;     // the block's perceptual entropy
    };
    void measureAt(std::vector<float> offsets, float loudEntropy = 0, int warmPackets = 0);
    const std::vector<Measured>& measured() const { return m_measured; }

private:
    struct Channel;
    struct Element;
    bool planning() const;
    void codeBlock(std::vector<std::vector<uint8_t>>& out);
    void codeAhead(std::vector<std::vector<uint8_t>>& out);
    void codeAnalysed(std::vector<std::vector<uint8_t>>& out, std::span<const float> ahead);
    void measureBlock();
    int underCeiling(size_t i, int bits);
    float attackBoost() const;
    float attackDemand() const;
    float planningDemand();
    void narrowToFit(int limit);
    int evaluateMeasured(size_t i, float offset, int enough = kUnusableBits);
    void advanceBlock();
    void analyseElement(Element& element);
    AnalysisMemo* usableAnalysisMemo() const;
    bool restoreAnalysis();
    void restoreCoding(const BlockAnalysis& kept);
    void keepAnalysis();
    BlockAnalysis analysis() const;
    void prepareLayout(Channel& c);
    void chooseWindowShape(Channel* const* members, int element);
    WindowShape weighWindowShape(Channel* const* members);
    void decideStereo(Element& element);
    bool codeChannel(Channel& c, float offset, int enough = kUnusableBits);
    int evaluate(float offset, int enough = kUnusableBits);
    int evaluateCoded();
    float searchOffset(const RateControl::Budget& budget);
    bool fits(float offset, int limit, int& bits);
    static bool closeEnough(int bits, int limit);
    float firstStep(int missing) const;
    void keepFitting(float offset);
    bool restoreFitting(float offset);
    std::vector<uint8_t> writePacket(bool settle);

    EncoderSettings m_settings;
    int m_frequencyIndex = 0;
    int m_channelConfiguration = 0;
    std::vector<std::unique_ptr<Channel>> m_channels;
    std::vector<Element> m_elements;
    RateControl m_rate;
    Transform m_transform;
    int m_filled = 0;          // samples in each channel's buffer
    int64_t m_inputFrames = 0; // frames pushed
    int64_t m_packets = 0;     // packets written
    int64_t m_analysed = 0;    // blocks analysed (ahead of the packets, when planning)
    // The constant rate's blocks analysed and not yet coded, oldest first,
    // each with its demand (see planningDemand), and those demands as the
    // rate control is given them.
    struct Planned {
        BlockAnalysis analysis;
        float demand = 0;
    };
    std::deque<Planned> m_ahead;
    std::vector<float> m_aheadDemand;
    // The noise offset the constant rate weighs the blocks ahead at, and
    // the scale factor hints of that coding, channel after channel.
    float m_planOffset = 0;
    std::vector<std::array<int16_t, kBandSlots>> m_planHints;
    bool m_allAnalysed = false; // the stream's last block is analysed
    bool m_endsStream = false;  // the frames ahead are the stream's last
    float m_lastOffset = 0;
    float m_evaluated = -1000.0f; // the offset the channels were last coded at
    // The search's finest coding that fitted, kept so that it need not be
    // coded again once the search has gone on past it.
    struct Fitting {
        bool valid = false;
        float offset = 0;
        int bits = 0;
        std::vector<IcsFrame> frames; // each channel's
    } m_fitting;
    // How many bits a frame's coding gains or loses per dB of offset, as
    // the last searches found it: where the next search's first step goes.
    float m_bitsPerDb = 0;
    float m_entropy = 0;
    int m_lastBits = 0; // what the channels' frames cost as last evaluated
    // High rates: the most noise a line may carry, against the frame's mean
    // line energy, whatever the line masks (0: no limit); see fidelityShare().
    float m_fidelityShare = 0.0f;
    // lowBandShare of each band of a long window's layout and a short one's:
    // worked out once, not at every frame laid out (a logarithm and a power
    // a band, four thousand instructions a frame).
    std::array<std::array<float, kMaxLongBands>, 2> m_lowBandShares{};
    bool m_quietYields = false; // the threshold in quiet gives way at low offsets (rich rates)
    int64_t m_startPacket = 0;
    int64_t m_firstKept = -1;
    int64_t m_lastKept = -1;
    std::vector<float> m_measureOffsets;
    float m_loudEntropy = 0;
    int64_t m_unmeasured = 0; // packets not measured: the transform's start and any warm-up
    // Measuring under a ceiling: each offset's frames as the ceiling lets them spend.
    std::vector<CeilingWindow> m_measureCeilings;
    // Each measured offset's scale factor hints, channel after channel: a
    // band's search then starts where the last frame at that offset left it,
    // as when the file is coded at it.
    std::vector<std::array<int16_t, kBandSlots>> m_measureHints;
    std::vector<Measured> m_measured;
};

} // namespace sondrel::afconvert::aac
