#pragma once

#include <cstdint>
#include <deque>

namespace sondrel::afconvert::aac {

// A ceiling on the bits of every run of `frames` frames (a second). A frame
// may take what the frames before it left under the ceiling, less a floor
// kept for each frame still to come in the runs it belongs to: so a burst
// is paid back by the frames after it each giving up a little, and a
// sustained loud passage settles at the ceiling's pace, never with frames
// starved to nothing because the first of them took the whole second's room.
class CeilingWindow {
public:
    CeilingWindow(int64_t ceilingBits, int frames, int64_t floorBits);

    // The most the next frame may spend (at least the floor, once the frames
    // before it kept to their rooms).
    int64_t room() const;
    void add(int bits);
    // Forgets the frames so far (a new start: nothing before it counts).
    void clear();

private:
    int64_t m_ceiling;
    int m_frames;
    int64_t m_floor;
    std::deque<int> m_recent; // the last frames - 1 frames' bits, oldest first
};

} // namespace sondrel::afconvert::aac
