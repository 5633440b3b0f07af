// The entry point of the loadable engine module (see EngineLoader.h).

#include "platform/afconvert/EngineLoader.h"
#include "platform/afconvert/ffmpeg/FfmpegEngine.h"

extern "C" __attribute__((visibility("default"))) sondrel::afconvert::CodecEngine*
sondrel_afconvert_engine() {
    static sondrel::afconvert::FfmpegEngine engine;
    return &engine;
}
