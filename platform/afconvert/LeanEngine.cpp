#include "platform/afconvert/LeanEngine.h"

#include "platform/afconvert/AacStreamEncoder.h"
#include "platform/afconvert/ImaEncoder.h"
#include "platform/afconvert/PcmEncoder.h"
#include "platform/afconvert/WaveSource.h"

namespace sondrel::afconvert {

Status LeanEngine::openSource(const std::string& path, std::unique_ptr<AudioSource>& out) {
    return WaveSource::open(path, out);
}

Status LeanEngine::makeEncoder(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) {
    out.reset();
    switch (request.format.kind) {
    case DataKind::Ima4:
        if (request.channels > 2)
            return Status::failure("ima4 holds one or two channels");
        out = std::make_unique<ImaEncoder>(request.sampleRate, request.channels);
        return {};
    case DataKind::LinearPcm:
    case DataKind::ULaw:
    case DataKind::ALaw:
        out = std::make_unique<PcmEncoder>(request.format, request.sampleRate, request.channels,
                                           request.channelMask);
        return {};
    case DataKind::Aac:
        if (request.aacEncoder != AacEncoderChoice::Ffmpeg)
            return AacStreamEncoder::open(request, out);
        return {};
    case DataKind::Alac:
        return {};
    }
    return {};
}

Status LeanEngine::makeWriter(FileType, int, std::unique_ptr<AudioWriter>& out) {
    out.reset();
    return {};
}

} // namespace sondrel::afconvert
