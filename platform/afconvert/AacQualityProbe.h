#pragma once

#include "platform/afconvert/AudioSource.h"
#include "platform/afconvert/ConvertedRange.h"
#include "platform/afconvert/aac/Encoder.h"

namespace sondrel::afconvert {

// AAC's variable strategies code a file at one quality (a noise offset);
// asked for a bit rate, they need the quality that gives that rate over the
// whole file, not over its opening: a quiet or silent start costs little at
// any quality and would set it far too fine. This measures the file: all of
// a short one, excerpts spread evenly over a long one, each block's bits
// counted at the few qualities a search over a range around where the rate
// usually lands needs (see QualitySteps), and the quality that averages the
// rate over the file found between them. It stays within that range (48 dB
// finer, 24 coarser), so a file that is nearly all silence is not coded at
// an absurd quality.
//
// `source` must be able to start anywhere; `how` converts its frames to the
// encoder's rate, channels and planar float samples.
Status measureAacQuality(AudioSource& source, const RangeConversion& how,
                         const aac::EncoderSettings& settings, float& offset);

// The average strategy codes in one pass, saving what easy frames leave for
// the frames after them; what the last seconds save (a silent or fading
// end, common in effects and voices) has nothing after it to be spent on,
// and the file comes out under its rate: a voice at 64 kbit/s with a
// second of silence at its end came out at 56. For a short file (measured
// whole) this measures what each block can spend at the finest coding the
// strategy uses, plays the rate control over those blocks, and gives the
// scale of the rate it should aim at for the file to average the rate
// asked for (1 to 2). A longer file is not measured: its end is a small
// part of it, and the scale is 1.
Status measureAacAverage(AudioSource& source, const RangeConversion& how,
                         const aac::EncoderSettings& settings, double& scale);

} // namespace sondrel::afconvert
