#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/afconvert/AudioWriter.h"
#include "platform/afconvert/BitRateMeter.h"
#include "platform/afconvert/ByteSink.h"
#include "platform/afconvert/CafWriter.h"

namespace sondrel::afconvert {

// Describes an encoded stream the way a CAF file stores it: the 'desc'
// fields, the channel layout and the magic cookie. Fails for streams CAF
// cannot describe.
Status makeCafSetup(const EncodedStream& stream, bool pageAlignAudio, CafWriterSetup& setup);

// An AudioWriter that writes CAF into a byte sink. Packets of variable size
// wait in scratch stores made by the given factory until the end. The AAC
// cookie's bit rates are measured on the packets written: the average over
// the stream (0 for a stream that promises none) and the highest rate over any
// second.
class CafAudioWriter final : public AudioWriter {
public:
    using ScratchFactory = std::unique_ptr<ScratchStore> (*)(const std::string& folder,
                                                             Status& status);

    // output is borrowed. scratchFolder is where scratch files go (the output folder).
    CafAudioWriter(ByteSink& output, std::string scratchFolder, bool pageAlignAudio,
                   ScratchFactory makeScratch);

    // Writes this layout tag instead of the one the stream's channels suggest.
    void setChannelLayoutTag(uint32_t tag) { m_layoutTag = tag; }

    Status begin(const EncodedStream& stream) override;
    Status writePacket(std::span<const uint8_t> packet, uint32_t frames) override;
    Status finish(int64_t validFrames) override;

    // Scratch in memory (tests) or in an unnamed file of the folder (real use).
    static std::unique_ptr<ScratchStore> memoryScratch(const std::string& folder, Status& status);
    static std::unique_ptr<ScratchStore> fileScratch(const std::string& folder, Status& status);

private:
    ByteSink& m_output;
    std::string m_scratchFolder;
    bool m_pageAlign;
    ScratchFactory m_makeScratch;
    std::unique_ptr<ScratchStore> m_audio;
    std::unique_ptr<ScratchStore> m_table;
    std::unique_ptr<CafWriter> m_writer;
    std::optional<uint32_t> m_layoutTag;
    std::optional<BitRateMeter> m_meter; // AAC: for the cookie
    EncodedStream m_stream;
};

} // namespace sondrel::afconvert
