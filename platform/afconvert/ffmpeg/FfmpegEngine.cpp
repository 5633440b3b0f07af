#include "platform/afconvert/ffmpeg/FfmpegEngine.h"

#include "platform/afconvert/ffmpeg/AacEncoder.h"
#include "platform/afconvert/ffmpeg/AlacEncoder.h"
#include "platform/afconvert/ffmpeg/LavSource.h"
#include "platform/afconvert/ffmpeg/LavWriter.h"

extern "C" {
#include <libavutil/log.h>
}

namespace sondrel::afconvert {

FfmpegEngine::FfmpegEngine() {
    // The tool reports failures itself, in one line; the libraries stay quiet.
    av_log_set_level(AV_LOG_QUIET);
}

Status FfmpegEngine::openSource(const std::string& path, std::unique_ptr<AudioSource>& out) {
    return LavSource::open(path, out);
}

Status FfmpegEngine::makeEncoder(const EncoderRequest& request,
                                 std::unique_ptr<PacketEncoder>& out) {
    AFC_TRY(AacEncoder::open(request, out));
    if (out)
        return {};
    return AlacEncoder::open(request, out);
}

Status FfmpegEngine::makeWriter(FileType type, int fd, std::unique_ptr<AudioWriter>& out) {
    out = std::make_unique<LavWriter>(type, fd);
    return {};
}

} // namespace sondrel::afconvert
