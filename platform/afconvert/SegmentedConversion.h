#pragma once

// One long source converted on several cores, into exactly the file one pass
// would make.
//
// The source is cut into segments at packet boundaries (with a change of
// rate, at output frames that fall exactly on input frames). Worker threads each
// read a segment on their own (the source must be able to start anywhere:
// AudioSource::selectRange), convert its samples and encode them; the
// segments' packets then go to the writer in order, with at most a few
// segments per thread held in memory, so memory does not grow with the
// source's length. Only formats whose encoding can be proven equal to one
// pass are cut: linear PCM, G.711 and IMA4 (converting samples and mixing
// channels treat every frame on its own), and AAC (below). A change of
// sample rate is cut where output and input frames coincide, and each
// segment's resampler is started a little before and run a little past its
// segment: its output there is one pass's, to the bit.
//
// AAC packets overlap their neighbours' frames, and the encoder looks ahead:
// a segment's encoder starts some packets before the segment (so its window
// decisions and masking have settled by the first packet kept) and reads
// past its end as far as the encoder looks ahead; only the segment's own
// packets are kept. Its rate control starts afresh at the first kept packet
// and settles at the last (a constant rate's decoder buffer returns to the
// state a stream starts in), so every join is one a single pass could make.
// The encoder says whether its packets can be joined (PacketEncoder).
//
// IMA4 carries its predictor state from packet to packet. A segment is
// encoded from a guessed state, found by encoding some packets before it;
// when the segment's turn to be written comes, the guess is compared with the
// state the previous segment really ended with. A wrong guess has the
// segment encoded again from the true state until the two runs' states meet
// (from there on they are the same run), or to its end. So the output never
// depends on the guess, only the time taken does.

#include <cstdint>
#include <string>

#include "platform/afconvert/AudioSource.h"
#include "platform/afconvert/CodecEngine.h"
#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/ProgressMeter.h"
#include "platform/afconvert/Resampler.h"

namespace sondrel::afconvert {

struct SegmentPlan {
    int jobs = 1;                    // threads of its own
    int borrowable = 0;              // more threads, each run on a core borrowed from corePool
    std::string corePool;            // the batch's idle cores (posix::CorePool), if any
    int64_t minimumFrames = 0;       // shorter sources convert in one pass
    int64_t segmentFrames = 1 << 18; // a multiple of 64, the IMA4 packet
    int64_t warmFrames = 4096;       // encoded before a segment: IMA4's guess, AAC's settling
    int joinLookAhead = -1;          // frames read past a segment's end (joined packets)
    // Sources whose rate changes are cut too: the resampler's output from a
    // point on the rates' common grid settles to one pass's (the library's
    // filters; the SoX engine's longer ones are not cut).
    bool resampleInSegments = true;
};

// The plan for the command line's -j (0: every online CPU), a batch's pool
// of idle cores (empty: none; up to every online CPU in all), a source of
// `rate` frames a second and `encoder`'s format: from 30 s on, segments of
// about 6 s, or 11 s for packets that are joined.
SegmentPlan segmentPlanFor(int jobs, const std::string& corePool, int rate,
                           const PacketEncoder& encoder);

// Whether `source`, converted by `encoder` from `in` (its frames' shape), is
// cut into segments under `plan`.
bool wantsSegments(const AudioSource& source, const SourceInfo& in, const PacketEncoder& encoder,
                   const SegmentPlan& plan);

// What each segment's worker needs to convert its part on its own.
struct SegmentWork {
    std::string inputPath;
    std::string outputName; // for failures while writing
    SourceInfo in;          // the shape of the source's frames, its channel layout as -l says
    ResamplerSettings resampling;
    EncoderRequest request;
    CodecEngine* engine = nullptr; // borrowed; opens the segments' sources and makes encoders
};

// Converts the whole source in segments into `sink` (see above); adds the
// frames written to `validFrames` and reports progress as segments are
// written. Failures name the file concerned: the input while reading and
// converting, the output while writing.
Status convertInSegments(const SegmentWork& work, const SegmentPlan& plan,
                         const EncodedStream& stream, PacketSink& sink, ProgressMeter& progress,
                         int64_t& validFrames);

} // namespace sondrel::afconvert
