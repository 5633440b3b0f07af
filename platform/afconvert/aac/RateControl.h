#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/afconvert/aac/CeilingWindow.h"

namespace sondrel::afconvert::aac {

enum class RateMode { Constant, Average, ConstrainedVariable, Variable };

// How many bits each frame may spend, and what is left over.
//
// Constant: the decoder's buffer (6144 bits a channel) filled at the bit rate
// and drained by each frame: a frame may spend what the buffer holds, and
// where the buffer would overflow the frame is padded with fill bits. With a
// look-ahead, the frames ahead are shared the buffer's bits by their demand,
// as evenly as it allows (see plannedBits). Average:
// a larger reservoir (eight seconds), never padded, steered back
// toward a quarter full so that the file's average is the rate. The two variable
// modes code at a constant noise level (a quality); with a bit rate, that level
// follows the rate over the frames that carry sound (silence does not steer
// it), and the constrained mode also keeps every second's bits under 1.5 times
// the rate, paced (see CeilingWindow). With a bit rate the unconstrained
// mode keeps a looser ceiling, twice the rate, as a guide (segments coded
// apart do not share it).
class RateControl {
public:
    // bitRate 0 with a variable mode, or qualityFixed: the quality (noise
    // offset in dB) is fixed; a variable mode's bit rate then only sets the
    // constrained mode's ceiling.
    RateControl(RateMode mode, int64_t bitRate, float quality, int sampleRate, int channels,
                bool qualityFixed = false);

    // Where a variable rate's quality starts for a bit rate, and how far from
    // there it may go: a file that is mostly silence or near-silence must not
    // drive the sound in it to extremes.
    static float startingOffset(int64_t bitRate, int sampleRate, int channels);
    static constexpr float kOffsetReach = 12.0f;
    // The finest the average and constant strategies code: a frame that
    // fits its budget at this offset spends no more. From -40 dB, chimes and
    // held tones at 256 kbit/s came out at 190 kbit/s, the rest unspent.
    static constexpr float kLowestOffset = -60.0f;

    struct Budget {
        int maxBits = 0;          // the frame should not spend more
        int hardBits = 0;         // nor ever more than this (buffer, ceiling), whatever it loses
        float noiseOffset = 0;    // the lowest noise offset (dB) worth spending on
        bool fixedOffset = false; // variable modes: code at exactly noiseOffset if it fits
    };
    // `ahead`: the constant rate's look-ahead, the demand of this frame and
    // of those after it already analysed, in any unit (see plannedBits);
    // empty, the budget follows the buffer as the frames come. `endsStream`:
    // they are the stream's last frames, which spend the buffer out.
    Budget budget(float perceptualEntropy, std::span<const float> ahead = {},
                  bool endsStream = false);
    // The fill bytes a frame of `bits` must add so that the decoder's buffer
    // does not overflow (Constant only; 0 otherwise).
    int fillBytes(int bits) const;
    // Records what the frame spent, fill included.
    void spent(int bits, float perceptualEntropy);

    // A stream cut into segments coded apart: at each join the rate control
    // is in a state known to both sides. A segment's last frames bring it
    // there (approachJoin with the frames left, this one included, then
    // settleBytes: the fill that spends any excess), and the next segment
    // starts from it (restartAtJoin, `packet` being its first frame's place
    // in the whole stream). For the constant rate that state is the decoder
    // buffer at its aim: packets are whole bytes, so what is left after
    // settling is within a byte above the aim, and congruent to the rate's
    // credit so far modulo 8 bits: both sides compute it alike. The average
    // rate steers its reservoir to its aim by the join (what it saved is
    // spent before, not lost) and starts the next segment there. The
    // constrained rate's ceiling holds over every second across a join too,
    // though neither side knows the other's frames: the frames of the last
    // second before a join spend at most the ceiling's share of the frames
    // from each to the join, and those of the first second after it at most
    // the share of the frames since the join, so that a second spanning the
    // join holds no more than the ceiling.
    void approachJoin(int framesLeft);
    // How many frames before a join approachJoin is wanted from.
    int joinApproachFrames() const;
    void restartAtJoin(int64_t packet);
    int settleBytes(int bits) const;

    // The variable modes' ceiling as a fresh start sees it (nothing spent
    // yet), for measuring what a quality would spend under it; none without
    // a bit rate or in the other modes.
    std::optional<CeilingWindow> freshCeiling() const;

    RateMode mode() const { return m_mode; }
    int maxFrameBits() const { return m_maxFrameBits; }

private:
    // Constrained variable mode: the most the next frame may spend.
    int64_t ceilingRoom() const;
    double plannedBits(std::span<const float> ahead, bool endsStream) const;

    RateMode m_mode;
    double m_meanBits = 0;
    int m_maxFrameBits;
    double m_reservoir = 0;
    double m_reservoirSize = 0;
    double m_reservoirAim = 0;
    int m_framesToJoin = 0; // frames left before a join, 0 when none is near
    // Constrained variable mode: bits of the frames in the last second
    // before a join, and of those since the last join (-1: not since one).
    std::vector<int> m_beforeJoin;
    int m_sinceJoin = -1;
    int64_t m_sinceJoinBits = 0;
    double m_averageDemand = 0;
    double m_demandFrames = 0;
    float m_offset = 0;
    float m_startOffset = 0;
    bool m_steered = false;
    // Constrained variable mode: the ceiling over every second's frames.
    int m_windowFrames = 1;
    int64_t m_ceilingBits = 0;
    std::optional<CeilingWindow> m_ceiling;
    // Variable modes with a rate: bits and frames that carried sound.
    double m_activeBits = 0;
    double m_activeFrames = 0;
};

} // namespace sondrel::afconvert::aac
