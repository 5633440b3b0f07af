#pragma once

#include <string>

#include "platform/afconvert/Status.h"

extern "C" {
#include <libavutil/error.h>
}

namespace sondrel::afconvert {

// A failure from an FFmpeg call, in FFmpeg's words: "what: reason".
inline Status lavFailure(const std::string& what, int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return Status::failure(what + ": " + text);
}

} // namespace sondrel::afconvert
