#pragma once

#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// Writes one encoded stream into a file format: begin, packets, finish.
class AudioWriter : public PacketSink {
public:
    virtual Status begin(const EncodedStream& stream) = 0;
    // validFrames: the frames of real audio, without priming and padding.
    virtual Status finish(int64_t validFrames) = 0;
};

} // namespace sondrel::afconvert
