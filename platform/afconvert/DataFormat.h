#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

enum class DataKind { LinearPcm, ULaw, ALaw, Ima4, Aac, Alac };

// Linear PCM sample layout. 8-bit samples are signed unless isSigned is false.
struct PcmFormat {
    int bits = 16;
    bool isFloat = false;
    bool isSigned = true;
    bool bigEndian = false;

    bool operator==(const PcmFormat&) const = default;
};

// What -d asks for: FORMAT[@RATE][/FLAGS][#FRAMES].
struct DataFormat {
    DataKind kind = DataKind::LinearPcm;
    PcmFormat pcm;                 // meaningful for LinearPcm
    int sampleRate = 0;            // 0 keeps the source's rate
    std::optional<uint32_t> flags; // /FLAGS as given; accepted but not needed here
    int framesPerPacket = 0;       // #FRAMES as given, 0 when absent
};

// Parses a -d value such as "LEI16@44100", "aac", "'ima4'@22050" or "alac#4096".
// Formats this converter knows but cannot make (HE-AAC "aach", ...) give an
// error naming them.
Status parseDataFormat(std::string_view text, DataFormat& out);

// The canonical spelling of a format, for messages: "LEI16", "aac", "ima4".
std::string dataFormatName(const DataFormat& format);

// The fixed number of frames each packet of the kind holds (1 for PCM-like).
int framesPerPacketOf(DataKind kind);

} // namespace sondrel::afconvert
