#include "platform/afconvert/DataFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace sondrel::afconvert {

namespace {

std::string stripQuotes(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\'' && c != '"')
            out += c;
    return out;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool parseUnsigned(std::string_view text, uint64_t& value, int base = 10) {
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// Linear PCM spelled [BE|LE][F|I|UI]BITS: "LEI16", "BEF32", "UI8", "I24".
bool parseLinearPcm(std::string_view text, PcmFormat& pcm) {
    pcm = PcmFormat{};
    if (text.starts_with("BE") || text.starts_with("LE")) {
        pcm.bigEndian = text.starts_with("BE");
        text.remove_prefix(2);
    }
    if (text.starts_with("UI")) {
        pcm.isSigned = false;
        text.remove_prefix(2);
    } else if (text.starts_with("I")) {
        text.remove_prefix(1);
    } else if (text.starts_with("F")) {
        pcm.isFloat = true;
        text.remove_prefix(1);
    } else {
        return false;
    }
    uint64_t bits = 0;
    if (!parseUnsigned(text, bits))
        return false;
    pcm.bits = static_cast<int>(bits);
    if (pcm.isFloat)
        return bits == 32 || bits == 64;
    if (!pcm.isSigned)
        return bits == 8;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct KnownFormat {
    std::string_view code;
    std::string_view name;
};

// Formats people pass to -d that this converter has no encoder for.
constexpr std::array kUnavailable = {
    KnownFormat{"aach", "HE-AAC"},
    KnownFormat{"aacp", "HE-AAC v2"},
    KnownFormat{"aacl", "AAC-LD"},
    KnownFormat{"aace", "AAC-ELD"},
    KnownFormat{"aacf", "AAC-ELD with SBR"},
    KnownFormat{"aacg", "AAC-ELD v2"},
    KnownFormat{"usac", "USAC"},
    KnownFormat{".mp3", "MPEG layer 3"},
    KnownFormat{".mp1", "MPEG layer 1"},
    KnownFormat{".mp2", "MPEG layer 2"},
    KnownFormat{"ac-3", "AC-3"},
    KnownFormat{"ec-3", "E-AC-3"},
    KnownFormat{"opus", "Opus"},
    KnownFormat{"flac", "FLAC"},
    KnownFormat{"ilbc", "iLBC"},
    KnownFormat{"samr", "AMR"},
    KnownFormat{"sawb", "AMR-WB"},
    KnownFormat{"Qclp", "QCELP"},
    KnownFormat{"QDM2", "QDesign 2"},
    KnownFormat{"MAC3", "MACE 3:1"},
    KnownFormat{"MAC6", "MACE 6:1"},
    KnownFormat{"agsm", "GSM"},
};

Status parseFormatName(const std::string& name, DataFormat& out) {
    const std::string trimmed = name.substr(0, name.find_last_not_of(' ') + 1);
    const std::string code = lower(trimmed);
    if (code == "aac") {
        out.kind = DataKind::Aac;
    } else if (code == "ima4") {
        out.kind = DataKind::Ima4;
    } else if (code == "alac") {
        out.kind = DataKind::Alac;
    } else if (code == "ulaw") {
        out.kind = DataKind::ULaw;
    } else if (code == "alaw") {
        out.kind = DataKind::ALaw;
    } else if (code == "lpcm") {
        out.kind = DataKind::LinearPcm; // plain lpcm: 16-bit little-endian
    } else if (parseLinearPcm(trimmed, out.pcm)) {
        out.kind = DataKind::LinearPcm;
    } else {
        for (const KnownFormat& known : kUnavailable)
            if (code == lower(std::string(known.code)))
                return Status::failure("data format '" + trimmed + "' (" + std::string(known.name) +
                                       ") cannot be made here");
        return Status::failure("unknown data format '" + trimmed + "'");
    }
    return {};
}

} // namespace

int framesPerPacketOf(DataKind kind) {
    switch (kind) {
    case DataKind::Aac:
        return 1024;
    case DataKind::Ima4:
        return 64;
    case DataKind::Alac:
        return 4096;
    case DataKind::LinearPcm:
    case DataKind::ULaw:
    case DataKind::ALaw:
        return 1;
    }
    return 1;
}

Status parseDataFormat(std::string_view text, DataFormat& out) {
    out = DataFormat{};
    const std::string value = stripQuotes(text);
    const size_t suffix = value.find_first_of("@/#");
    const std::string name = value.substr(0, suffix);
    if (name.empty())
        return Status::failure("empty data format in '" + value + "'");
    AFC_TRY(parseFormatName(name, out));

    size_t at = suffix;
    while (at != std::string::npos) {
        const char marker = value[at];
        const size_t next = value.find_first_of("@/#", at + 1);
        const std::string part =
            value.substr(at + 1, next == std::string::npos ? next : next - at - 1);
        uint64_t number = 0;
        if (marker == '@') {
            // Rates may be written with a fraction of zero ("44100.0").
            const std::string whole = part.substr(0, part.find('.'));
            const bool zeroFraction =
                part.find('.') == std::string::npos ||
                part.find_first_not_of('0', part.find('.') + 1) == std::string::npos;
            if (!parseUnsigned(whole, number) || !zeroFraction || number < 1000 || number > 768000)
                return Status::failure("invalid sample rate '" + part + "' in data format '" +
                                       value + "'");
            out.sampleRate = static_cast<int>(number);
        } else if (marker == '/') {
            const bool hex = part.starts_with("0x") || part.starts_with("0X");
            if (!parseUnsigned(hex ? std::string_view(part).substr(2) : std::string_view(part),
                               number, hex ? 16 : 10) ||
                number > UINT32_MAX)
                return Status::failure("invalid format flags '" + part + "' in data format '" +
                                       value + "'");
            out.flags = static_cast<uint32_t>(number);
        } else {
            if (!parseUnsigned(part, number) ||
                number != static_cast<uint64_t>(framesPerPacketOf(out.kind)))
                return Status::failure("data format '" + name + "' needs " +
                                       std::to_string(framesPerPacketOf(out.kind)) +
                                       " frames per packet, not '" + part + "'");
            out.framesPerPacket = static_cast<int>(number);
        }
        at = next;
    }
    return {};
}

std::string dataFormatName(const DataFormat& format) {
    switch (format.kind) {
    case DataKind::Aac:
        return "aac";
    case DataKind::Ima4:
        return "ima4";
    case DataKind::Alac:
        return "alac";
    case DataKind::ULaw:
        return "ulaw";
    case DataKind::ALaw:
        return "alaw";
    case DataKind::LinearPcm:
        break;
    }
    const PcmFormat& p = format.pcm;
    std::string name = p.bits == 8 ? "" : (p.bigEndian ? "BE" : "LE");
    name += p.isFloat ? "F" : (p.isSigned ? "I" : "UI");
    return name + std::to_string(p.bits);
}

} // namespace sondrel::afconvert
