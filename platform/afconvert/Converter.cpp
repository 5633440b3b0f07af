#include "platform/afconvert/Converter.h"

#include <memory>

#include <sys/stat.h>

#include "platform/afconvert/AacQualityProbe.h"
#include "platform/afconvert/AacStreamEncoder.h"
#include "platform/afconvert/CafAudioWriter.h"
#include "platform/afconvert/OutputFile.h"
#include "platform/afconvert/ProgressMeter.h"
#include "platform/afconvert/Resampler.h"
#include "platform/afconvert/SegmentedConversion.h"

namespace sondrel::afconvert {

namespace {

// The plan for one conversion, settled before any output is made.
struct Plan {
    FileType fileType = FileType::Caf;
    EncoderRequest request;
    std::string outputPath;
    OutputFile::Naming naming = OutputFile::Naming::Replace;
};

FileType typeForFormat(const DataFormat& format) {
    switch (format.kind) {
    case DataKind::Aac:
    case DataKind::Alac:
        return FileType::M4af;
    case DataKind::LinearPcm:
        if (format.pcm.bits == 8)
            return format.pcm.isSigned ? FileType::Aiff : FileType::Wave;
        if (format.pcm.isFloat && format.pcm.bigEndian)
            return FileType::Aifc;
        return format.pcm.bigEndian ? FileType::Aiff : FileType::Wave;
    case DataKind::Ima4:
    case DataKind::ULaw:
    case DataKind::ALaw:
        return FileType::Caf;
    }
    return FileType::Caf;
}

std::string defaultOutputPath(const std::string& input, FileType type) {
    const size_t slash = input.rfind('/');
    const size_t dot = input.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
    return (hasExtension ? input.substr(0, dot) : input) + std::string(fileTypeExtension(type));
}

Status makePlan(const Options& options, const SourceInfo& source, Plan& plan) {
    if (options.fileType)
        plan.fileType = *options.fileType;
    else if (auto type = fileTypeForPath(options.outputPath); type && !options.outputPath.empty())
        plan.fileType = *type;
    else
        plan.fileType = typeForFormat(*options.dataFormat);

    const DataFormat format =
        options.dataFormat ? *options.dataFormat : defaultDataFormat(plan.fileType, source.pcm);
    AFC_TRY(checkFileCanHold(plan.fileType, format));

    EncoderRequest& r = plan.request;
    r.format = format;
    r.channels = options.channels ? options.channels : source.channels;
    r.channelMask = r.channels == source.channels ? source.channelMask : 0;
    r.sampleRate = format.sampleRate ? format.sampleRate : source.sampleRate;
    r.rateExplicit = format.sampleRate != 0;
    r.bitRate = options.bitRate;
    r.strategy = options.strategy;
    r.quality = options.quality;
    r.variableQuality = options.variableQuality;
    r.aacEncoder = options.aacEncoder;
    if (options.outputLayout) {
        const ChannelLayout layout = options.outputLayout->matchingSurround(source.channelMask);
        if (options.channels && options.channels != layout.channels())
            return Status::failure("-c " + std::to_string(options.channels) + " and -l " +
                                   layout.name + " (" + layout.speakerNames() + ") disagree");
        r.channels = layout.channels();
        r.channelMask = layout.mask();
    }
    if (format.kind == DataKind::Ima4 && r.channels > 2)
        return Status::failure("ima4 holds one or two channels, " +
                               (options.outputLayout ? "-l " + options.outputLayout->name + " has "
                                                     : std::string("the source has ")) +
                               std::to_string(r.channels) + " (use -c 1 or -c 2)");

    if (options.outputPath.empty()) {
        plan.outputPath = defaultOutputPath(options.inputPath, plan.fileType);
        plan.naming = OutputFile::Naming::NextFree;
    } else {
        plan.outputPath = options.outputPath;
    }
    return {};
}

// Runs the frames from the source through the resampler and encoder into the writer.
class Pipeline {
public:
    // Failures are prefixed with the file they concern: the input while
    // reading and converting, the output while encoding and writing.
    Pipeline(AudioSource& source, PacketEncoder& encoder, AudioWriter& writer,
             ProgressMeter& progress, std::string inputName, std::string outputName)
        : m_source(source), m_encoder(encoder), m_writer(writer), m_progress(progress),
          m_in(std::move(inputName)), m_out(std::move(outputName)) {}

    Status run(const SourceInfo& in, const ResamplerSettings& resampling) {
        const EncodedStream& out = m_encoder.stream();
        m_progress.setTotal(m_source.info().frameCount);
        AFC_TRY(m_resampler
                    .open({in.sampleRate, in.channels, in.channelMask, in.sampleFormat},
                          {out.sampleRate, out.channels, out.channelMask, m_encoder.inputFormat()},
                          m_encoder.frameSize(), resampling)
                    .prefixed(m_in));
        for (;;) {
            const AVFrame* frame = nullptr;
            AFC_TRY(m_source.next(frame).prefixed(m_in));
            if (!frame)
                break;
            AFC_TRY(checkShape(in, *frame).prefixed(m_in));
            AFC_TRY(m_resampler.push(frame).prefixed(m_in));
            AFC_TRY(drain(false));
            m_progress.advance(frame->nb_samples);
        }
        AFC_TRY(m_resampler.push(nullptr).prefixed(m_in));
        AFC_TRY(drain(true));
        AFC_TRY(m_encoder.encode(nullptr, m_writer).prefixed(m_out));
        return m_writer.finish(m_validFrames).prefixed(m_out);
    }

    int64_t validFrames() const { return m_validFrames; }

private:
    static Status checkShape(const SourceInfo& in, const AVFrame& frame) {
        if (frame.format != in.sampleFormat || frame.sample_rate != in.sampleRate ||
            frame.ch_layout.nb_channels != in.channels)
            return Status::failure(
                "the audio changes its format partway through, which is not supported");
        return {};
    }

    Status drain(bool atEnd) {
        for (;;) {
            const AVFrame* frame = nullptr;
            AFC_TRY(m_resampler.pull(atEnd, frame).prefixed(m_in));
            if (!frame)
                return {};
            m_validFrames += frame->nb_samples;
            AFC_TRY(m_encoder.encode(frame, m_writer).prefixed(m_out));
        }
    }

    AudioSource& m_source;
    PacketEncoder& m_encoder;
    AudioWriter& m_writer;
    ProgressMeter& m_progress;
    Resampler m_resampler;
    int64_t m_validFrames = 0;
    std::string m_in;
    std::string m_out;
};

Status openSource(const std::string& path, const Engines& engines,
                  std::unique_ptr<AudioSource>& out) {
    // Opening a FIFO or a device for reading can wait forever for a writer
    // that never comes; only regular files (or links to them) are read.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Status::failure(S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file");
    AFC_TRY(engines.first.openSource(path, out));
    if (out)
        return {};
    CodecEngine* second = nullptr;
    AFC_TRY(engines.second(second));
    AFC_TRY(second->openSource(path, out));
    if (!out)
        return Status::failure("not an audio file that can be read");
    return {};
}

Status makeEncoder(const EncoderRequest& request, const Engines& engines,
                   std::unique_ptr<PacketEncoder>& out) {
    AFC_TRY(engines.first.makeEncoder(request, out));
    if (out)
        return {};
    CodecEngine* second = nullptr;
    AFC_TRY(engines.second(second));
    AFC_TRY(second->makeEncoder(request, out));
    if (!out)
        return Status::failure("no encoder for " + dataFormatName(request.format));
    return {};
}

// AAC's variable strategies with a bit rate: the quality is measured over the
// whole source (when it can be read anywhere) and the encoder made again to
// code at it; the average strategy's aim likewise (see measureAacAverage).
// Other encoders and sources are left as they are.
Status measureQuality(const std::string& input, const Engines& engines, const SourceInfo& info,
                      const ResamplerSettings& resampling, Plan& plan,
                      std::unique_ptr<PacketEncoder>& encoder) {
    const auto* aacEncoder = dynamic_cast<const AacStreamEncoder*>(encoder.get());
    const auto quality = aacEncoder ? aacEncoder->qualityToMeasure() : std::nullopt;
    const auto average = aacEncoder ? aacEncoder->averageToMeasure() : std::nullopt;
    if ((!quality && !average) || info.frameCount <= 0)
        return {};
    std::unique_ptr<AudioSource> source;
    AFC_TRY(openSource(input, engines, source));
    if (!source->canSelectRange())
        return {};
    const EncodedStream& s = encoder->stream();
    const RangeConversion how{
        info, resampling, {s.sampleRate, s.channels, s.channelMask, encoder->inputFormat()}, 1024};
    auto shapes = std::make_shared<aac::WindowShapeMemo>();
    auto analyses = std::make_shared<aac::AnalysisMemo>();
    aac::EncoderSettings settings = average ? *average : *quality;
    settings.shapeMemo = shapes;
    settings.analysisMemo = analyses;
    if (average) {
        double scale = 1.0;
        AFC_TRY(measureAacAverage(*source, how, settings, scale));
        plan.request.aacAverageScale = scale;
    } else {
        float offset = 0;
        AFC_TRY(measureAacQuality(*source, how, settings, offset));
        plan.request.aacNoiseOffset = offset;
    }
    plan.request.aacWindowShapes = std::move(shapes);
    plan.request.aacAnalyses = std::move(analyses);
    return makeEncoder(plan.request, engines, encoder);
}

// -l given twice: the first describes the order of the input's channels.
Status applyInputLayout(const Options& options, SourceInfo& info, ResamplerSettings& resampling) {
    if (!options.inputLayout)
        return {};
    const ChannelLayout& layout = *options.inputLayout;
    if (layout.channels() != info.channels)
        return Status::failure("-l " + layout.name + " describes " +
                               std::to_string(layout.channels()) + " channels; the input has " +
                               std::to_string(info.channels));
    info.channelMask = layout.mask();
    if (!layout.inWaveOrder())
        resampling.inputChannelMap = layout.waveOrderMap();
    return {};
}

// The output's layout from -l: the encoder must carry its speakers, and a
// CAF file records its tag, which names an order too. PCM and IMA4 keep the
// channels in WAV order, AAC and ALAC in their own; other file types have a
// fixed order of their own, so there only the speakers count.
Status checkOutputLayout(const ChannelLayout& asked, FileType type, const EncodedStream& stream,
                         std::optional<uint32_t>& tag) {
    const std::string data = dataFormatName(stream.format);
    if (!sameSpeakers(asked.mask(), stream.channelMask))
        return Status::failure("the " + data + " encoder cannot carry the layout " + asked.name +
                               " (" + asked.speakerNames() + ")");
    if (type != FileType::Caf || asked.tag == 0)
        return {};
    const bool codec = stream.format.kind == DataKind::Aac || stream.format.kind == DataKind::Alac;
    if (codec ? asked.codecOrder : asked.inWaveOrder()) {
        tag = asked.tag;
        return {};
    }
    const auto other = namedLayout(asked.mask(), codec);
    return Status::failure(data + " data keeps these channels in " +
                           (codec ? "its own order" : "WAV order") + ", not in the order of " +
                           asked.name + " (" + asked.speakerNames() + ")" +
                           (other ? "; use " + other->name : std::string()));
}

SegmentPlan segmentPlan(const Options& options, const SourceInfo& info,
                        const PacketEncoder& encoder) {
    SegmentPlan plan = segmentPlanFor(options.jobs, options.corePool, info.sampleRate, encoder);
    plan.segmentFrames = options.segmentFrames.value_or(plan.segmentFrames);
    plan.minimumFrames = options.segmentMinimumFrames.value_or(plan.minimumFrames);
    plan.resampleInSegments = options.resamplerComplexity != ResamplerComplexity::Mastering;
    return plan;
}

std::string describe(const EncodedStream& s, FileType type) {
    return std::string(fileTypeCode(type)) + " " + dataFormatName(s.format) + ", " +
           std::to_string(s.sampleRate) + " Hz, " + std::to_string(s.channels) +
           (s.channels == 1 ? " channel" : " channels");
}

} // namespace

Status convertFile(const Options& options, const Engines& engines, Reporter& reporter,
                   std::string& writtenPath) {
    const std::string& input = options.inputPath;
    std::unique_ptr<AudioSource> source;
    AFC_TRY(openSource(input, engines, source).prefixed(input));
    SourceInfo info = source->info();
    ResamplerSettings resampling{options.resamplerQuality,
                                 options.resamplerComplexity.value_or(ResamplerComplexity::Normal),
                                 {}};
    AFC_TRY(applyInputLayout(options, info, resampling).prefixed(input));

    Plan plan;
    AFC_TRY(makePlan(options, info, plan).prefixed(input));
    std::unique_ptr<PacketEncoder> encoder;
    AFC_TRY(makeEncoder(plan.request, engines, encoder).prefixed(input));
    AFC_TRY(measureQuality(input, engines, info, resampling, plan, encoder).prefixed(input));
    const EncodedStream& stream = encoder->stream();
    std::optional<uint32_t> layoutTag;
    if (options.outputLayout)
        AFC_TRY(checkOutputLayout(*options.outputLayout, plan.fileType, stream, layoutTag)
                    .prefixed(input));

    if (options.verbose) {
        reporter.info("input: " + info.codecName + ", " + std::to_string(info.sampleRate) +
                      " Hz, " + std::to_string(info.channels) +
                      (info.channels == 1 ? " channel" : " channels"));
        reporter.info("output: " + describe(stream, plan.fileType));
        if (!encoder->summary().empty())
            reporter.info("encoder: " + encoder->summary());
        reporter.note("afconvert: converting " + input + " to " + plan.outputPath);
    }

    OutputFile output;
    AFC_TRY(output.create(plan.outputPath, plan.naming).prefixed(plan.outputPath));
    std::unique_ptr<FileSink> fileSink;
    std::unique_ptr<AudioWriter> writer;
    if (plan.fileType == FileType::Caf) {
        fileSink = std::make_unique<FileSink>(output.fd());
        auto caf = std::make_unique<CafAudioWriter>(*fileSink, output.folder(), !options.noFiller,
                                                    &CafAudioWriter::fileScratch);
        if (layoutTag)
            caf->setChannelLayoutTag(*layoutTag);
        writer = std::move(caf);
    } else {
        CodecEngine* second = nullptr;
        AFC_TRY(engines.second(second).prefixed(plan.outputPath));
        AFC_TRY(second->makeWriter(plan.fileType, output.fd(), writer).prefixed(plan.outputPath));
    }
    AFC_TRY(writer->begin(stream).prefixed(output.path()));

    ProgressMeter progress(reporter, {options.verbose, options.progressLines});
    int64_t validFrames = 0;
    const SegmentPlan segments = segmentPlan(options, info, *encoder);
    if (wantsSegments(*source, info, *encoder, segments)) {
        if (options.verbose)
            reporter.info("threads: " + std::to_string(segments.jobs));
        progress.setTotal(info.frameCount);
        const SegmentWork work{input,      output.path(), info,
                               resampling, plan.request,  &engines.first};
        AFC_TRY(convertInSegments(work, segments, stream, *writer, progress, validFrames));
        AFC_TRY(writer->finish(validFrames).prefixed(output.path()));
    } else {
        Pipeline pipeline(*source, *encoder, *writer, progress, input, output.path());
        AFC_TRY(pipeline.run(info, resampling));
        validFrames = pipeline.validFrames();
    }
    if (fileSink)
        AFC_TRY(fileSink->flush().prefixed(output.path()));
    AFC_TRY(output.commit().prefixed(output.path()));
    writtenPath = output.path();
    if (options.verbose)
        reporter.info("frames written: " + std::to_string(validFrames));
    return {};
}

} // namespace sondrel::afconvert
