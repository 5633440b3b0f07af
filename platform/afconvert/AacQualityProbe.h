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
// counted at a range of qualities around where the rate usually lands, and
// the quality that averages the rate over the file found between them. It stays within a range of
// that usual place (36 dB finer, 12 coarser), so a file that is nearly all
// silence is not coded at an absurd quality.
//
// `source` must be able to start anywhere; `how` converts its frames to the
// encoder's rate, channels and planar float samples.
Status measureAacQuality(AudioSource& source, const RangeConversion& how,
                         const aac::EncoderSettings& settings, float& offset);

} // namespace sondrel::afconvert
