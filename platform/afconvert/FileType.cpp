#include "platform/afconvert/FileType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace sondrel::afconvert {

namespace {

struct FileTypeInfo {
    FileType type;
    std::string_view code;
    std::string_view extension;
    std::string_view name;
};

constexpr std::array kFileTypes = {
    FileTypeInfo{FileType::Caf, "caff", ".caf", "Core Audio Format"},
    FileTypeInfo{FileType::Wave, "WAVE", ".wav", "WAVE"},
    FileTypeInfo{FileType::Aiff, "AIFF", ".aif", "AIFF"},
    FileTypeInfo{FileType::Aifc, "AIFC", ".aifc", "AIFF-C"},
    FileTypeInfo{FileType::M4af, "m4af", ".m4a", "MPEG-4 audio"},
    FileTypeInfo{FileType::Mp4f, "mp4f", ".mp4", "MPEG-4"},
    FileTypeInfo{FileType::Adts, "adts", ".aac", "AAC ADTS"},
    FileTypeInfo{FileType::Next, "NeXT", ".au", "NeXT/Sun"},
};

struct ExtensionAlias {
    std::string_view extension;
    FileType type;
};

constexpr std::array kMoreExtensions = {
    ExtensionAlias{".aiff", FileType::Aiff}, ExtensionAlias{".aifc", FileType::Aifc},
    ExtensionAlias{".wave", FileType::Wave}, ExtensionAlias{".m4b", FileType::M4af},
    ExtensionAlias{".adts", FileType::Adts}, ExtensionAlias{".snd", FileType::Next},
    ExtensionAlias{".caff", FileType::Caf},
};

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

const FileTypeInfo& infoOf(FileType type) {
    for (const FileTypeInfo& info : kFileTypes)
        if (info.type == type)
            return info;
    return kFileTypes[0];
}

bool pcmFits(FileType type, const PcmFormat& p) {
    switch (type) {
    case FileType::Caf:
        return p.isSigned || p.bits != 8; // CAF integer samples are signed
    case FileType::Wave:
        // WAV stores 8-bit samples unsigned, everything else little-endian.
        return p.bits == 8 ? !p.isSigned : (!p.bigEndian && (p.isSigned || p.isFloat));
    case FileType::Aiff:
        return !p.isFloat && p.isSigned && (p.bits == 8 || p.bigEndian);
    case FileType::Aifc:
        return p.isSigned && (p.bits == 8 || p.bigEndian || (p.bits == 16 && !p.isFloat));
    case FileType::Next:
        return p.isSigned && (p.bits == 8 || p.bigEndian);
    case FileType::M4af:
    case FileType::Mp4f:
    case FileType::Adts:
        return false;
    }
    return false;
}

bool kindFits(FileType type, DataKind kind) {
    switch (kind) {
    case DataKind::LinearPcm:
        return true; // refined by pcmFits
    case DataKind::ULaw:
    case DataKind::ALaw:
        return type == FileType::Caf || type == FileType::Wave || type == FileType::Aifc ||
               type == FileType::Next;
    case DataKind::Ima4:
        return type == FileType::Caf || type == FileType::Aifc;
    case DataKind::Aac:
        return type == FileType::Caf || type == FileType::M4af || type == FileType::Mp4f ||
               type == FileType::Adts;
    case DataKind::Alac:
        return type == FileType::Caf || type == FileType::M4af || type == FileType::Mp4f;
    }
    return false;
}

} // namespace

Status parseFileType(std::string_view text, FileType& out) {
    std::string code;
    for (char c : text)
        if (c != '\'' && c != '"')
            code += c;
    for (const FileTypeInfo& info : kFileTypes) {
        if (lower(info.code) == lower(code)) {
            out = info.type;
            return {};
        }
    }
    return Status::failure("unknown file type '" + code +
                           "' (use caff, WAVE, AIFF, AIFC, m4af, mp4f, adts or NeXT)");
}

std::string_view fileTypeCode(FileType type) {
    return infoOf(type).code;
}

std::string_view fileTypeExtension(FileType type) {
    return infoOf(type).extension;
}

std::optional<FileType> fileTypeForPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    const std::string extension = lower(path.substr(dot));
    for (const FileTypeInfo& info : kFileTypes)
        if (info.extension == extension)
            return info.type;
    for (const ExtensionAlias& alias : kMoreExtensions)
        if (alias.extension == extension)
            return alias.type;
    return std::nullopt;
}

Status checkFileCanHold(FileType type, const DataFormat& format) {
    const bool fits = kindFits(type, format.kind) &&
                      (format.kind != DataKind::LinearPcm || pcmFits(type, format.pcm));
    if (fits)
        return {};
    return Status::failure("a " + std::string(fileTypeCode(type)) + " file cannot hold " +
                           dataFormatName(format) + " data");
}

std::string fileTypesText() {
    constexpr std::array kinds = {DataKind::Aac, DataKind::Alac, DataKind::Ima4, DataKind::ULaw,
                                  DataKind::ALaw};
    std::vector<PcmFormat> layouts = {{8, false, true, false}, {8, false, false, false}};
    for (int bits : {16, 24, 32})
        for (bool big : {true, false})
            layouts.push_back({bits, false, true, big});
    for (int bits : {32, 64})
        for (bool big : {true, false})
            layouts.push_back({bits, true, true, big});

    std::string text = "File types (-f) and the data formats (-d) each can hold:\n";
    for (const FileTypeInfo& info : kFileTypes) {
        text += "  '" + std::string(info.code) + "' = " + std::string(info.name) + " (" +
                std::string(info.extension);
        for (const ExtensionAlias& alias : kMoreExtensions)
            if (alias.type == info.type && alias.extension != info.extension)
                text += ", " + std::string(alias.extension);
        text += ")\n      data formats:";
        for (DataKind kind : kinds)
            if (kindFits(info.type, kind))
                text += " " + dataFormatName(DataFormat{kind, {}, 0, std::nullopt, 0});
        std::string pcm;
        for (const PcmFormat& layout : layouts)
            if (pcmFits(info.type, layout))
                pcm += " " +
                       dataFormatName(DataFormat{DataKind::LinearPcm, layout, 0, std::nullopt, 0});
        text += pcm.empty() ? "\n" : " lpcm\n      lpcm:" + pcm + "\n";
    }
    return text;
}

DataFormat defaultDataFormat(FileType type, const std::optional<PcmFormat>& sourcePcm) {
    DataFormat format;
    if (type == FileType::M4af || type == FileType::Mp4f || type == FileType::Adts) {
        format.kind = DataKind::Aac;
        return format;
    }
    // Keep the source's sample depth when it has one; otherwise 16-bit integers.
    PcmFormat pcm = sourcePcm.value_or(PcmFormat{});
    pcm.bigEndian = type != FileType::Wave;
    if (pcm.isFloat && type == FileType::Aiff)
        pcm = PcmFormat{24, false, true, true};
    pcm.isSigned = !(pcm.bits == 8 && !pcm.isFloat && type == FileType::Wave);
    format.pcm = pcm;
    return format;
}

} // namespace sondrel::afconvert
