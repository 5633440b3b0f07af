#pragma once

#include "platform/afconvert/CodecEngine.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// The name of the function the engine module exports: it returns the
// module's CodecEngine, which lives as long as the process.
inline constexpr const char* kEngineEntryPoint = "sondrel_afconvert_engine";
using EngineEntryPoint = CodecEngine* (*)();

// Loads the FFmpeg engine module (decoders for every format, AAC and ALAC
// encoders, the other file types) on first use. It lies beside the program
// or in ../lib/sondrel/ from the program's folder. Loading it costs tens of
// milliseconds, so plain conversions never do.
Status loadFullEngine(CodecEngine*& engine);

} // namespace sondrel::afconvert
