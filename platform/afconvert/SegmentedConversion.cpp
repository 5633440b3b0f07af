#include "platform/afconvert/SegmentedConversion.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/afconvert/ConvertedRange.h"
#include "platform/afconvert/ImaEncoder.h"
#include "platform/posix/CorePool.h"

namespace sondrel::afconvert {

namespace {

// Below this a source is not worth cutting: thread start-up and the IMA4
// guesses would cost more than the second core gains.
constexpr int64_t kMinimumSeconds = 30;
// About 6 s at 44.1 kHz: small enough to keep memory low and the progress
// moving, large enough that each IMA4 guess (warm-up) costs under 2%.
constexpr int64_t kSegmentFrames = 1 << 18;
constexpr int64_t kWarmFrames = 4096;
// Joined packets (AAC): longer segments, as each costs its settling packets
// (8 at 1024 frames: under 2%), and a rate control that starts afresh at
// each join is best given some seconds to work over.
constexpr int64_t kJoinedSegmentFrames = 1 << 19;
constexpr int64_t kJoinedWarmFrames = 8 * 1024;
// A change of rate: output read from a point on the two rates' common grid
// settles to one pass's within the resampler's filter (64 frames with the
// library's default filter, exactly); this much is read before a segment and
// after it, and left out.
constexpr int64_t kResamplerSettleFrames = 2048;
// Segments a thread may have finished ahead of the writer.
constexpr int kSegmentsAheadPerThread = 2;
// How often a thread waiting for a core looks in the batch's pool.
constexpr std::chrono::milliseconds kBorrowPoll{20};

bool stateless(DataKind kind) {
    switch (kind) {
    case DataKind::LinearPcm:
    case DataKind::ULaw:
    case DataKind::ALaw:
        return true;
    case DataKind::Ima4:
    case DataKind::Aac:
    case DataKind::Alac:
        return false;
    }
    return false;
}

int64_t roundUp(int64_t value, int64_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Output frames against the source's when the rate changes: every `out`
// output frames start exactly on an input frame, every `in` of them.
struct RateGrid {
    RateGrid(int inRate, int outRate) {
        const int64_t g = std::gcd(int64_t{inRate}, int64_t{outRate});
        in = inRate / g;
        out = outRate / g;
    }
    bool same() const { return in == out; }
    int64_t toInput(int64_t outFrames) const { return outFrames / out * in; } // on the grid
    int64_t toInputAfter(int64_t outFrames) const { return (outFrames * in + out - 1) / out; }
    int64_t in = 1;
    int64_t out = 1;
};

// The unit segments are measured in: whole packets, on the rates' grid.
int64_t segmentUnit(const SegmentPlan& plan, const SourceInfo& in, const EncodedStream& stream) {
    const bool joined = plan.joinLookAhead >= 0;
    const int64_t packet = joined ? std::max(1, stream.framesPerPacket) : 64;
    return std::lcm(packet, RateGrid(in.sampleRate, stream.sampleRate).out);
}

// One encode call's packets inside a segment's bytes.
struct Call {
    size_t offset = 0;
    size_t size = 0;
    uint32_t frames = 0;
};

// A converted segment: its packets, as the encoder handed them out.
struct Segment {
    Status status;
    std::vector<uint8_t> bytes;
    std::vector<Call> calls;
    int64_t frames = 0;
    // IMA4 only: the state guessed at the start, the state after each call,
    // and each call's samples (planar), to encode again from another state.
    ImaEncoder::State start{};
    std::vector<ImaEncoder::State> after;
    std::vector<std::vector<int16_t>> samples;
};

// Collects an encoder's packets; while `discard` is set, drops them, and
// keeps only those numbered keepFirst to keepLast (counting every packet).
class SegmentSink final : public PacketSink {
public:
    explicit SegmentSink(Segment& segment) : m_segment(segment) {}
    bool discard = false;
    int64_t keepFirst = 0;
    int64_t keepLast = INT64_MAX;
    Status writePacket(std::span<const uint8_t> packet, uint32_t frames) override {
        const int64_t number = m_count++;
        if (discard || number < keepFirst || number > keepLast)
            return {};
        m_segment.calls.push_back({m_segment.bytes.size(), packet.size(), frames});
        m_segment.bytes.insert(m_segment.bytes.end(), packet.begin(), packet.end());
        return {};
    }

private:
    Segment& m_segment;
    int64_t m_count = 0;
};

// A borrowed planar 16-bit frame over `samples` (one block per channel).
struct FrameView {
    FrameView(std::vector<int16_t>& samples, int channels, int frames) {
        frame->format = AV_SAMPLE_FMT_S16P;
        frame->nb_samples = frames;
        for (int ch = 0; ch < channels; ++ch)
            frame->data[ch] =
                reinterpret_cast<uint8_t*>(samples.data() + size_t(ch) * size_t(frames));
        frame->extended_data = frame->data;
    }
    ~FrameView() { av_frame_free(&frame); }
    FrameView(const FrameView&) = delete;
    FrameView& operator=(const FrameView&) = delete;
    AVFrame* frame = av_frame_alloc();
};

class SegmentRunner {
public:
    SegmentRunner(const SegmentWork& work, const SegmentPlan& plan, const EncodedStream& stream)
        : m_work(work), m_plan(plan), m_stream(stream), m_ima(stream.format.kind == DataKind::Ima4),
          m_joined(plan.joinLookAhead >= 0 && !m_ima),
          m_grid(work.in.sampleRate, stream.sampleRate),
          m_total(
              Resampler::outputFrames(work.in.frameCount, work.in.sampleRate, stream.sampleRate)),
          m_segmentFrames(roundUp(plan.segmentFrames, segmentUnit(plan, work.in, stream))),
          m_warmFrames(roundUp(plan.warmFrames, segmentUnit(plan, work.in, stream))),
          m_count((m_total + m_segmentFrames - 1) / m_segmentFrames),
          m_frameSize(
              static_cast<int>(std::gcd(std::gcd(m_segmentFrames, m_warmFrames), int64_t{4096}))),
          m_settleFrames(
              roundUp(kResamplerSettleFrames, std::lcm(m_grid.out, int64_t{m_frameSize}))) {}

    ~SegmentRunner() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_threads.clear(); // joins
    }
    SegmentRunner(const SegmentRunner&) = delete;
    SegmentRunner& operator=(const SegmentRunner&) = delete;

    Status run(PacketSink& sink, ProgressMeter& progress, int64_t& validFrames);

private:
    void serve();
    void serveOnBorrowedCore(posix::CorePool& pool);
    bool borrow(posix::CorePool& pool);
    Segment convert(int64_t index) const;
    Status open(std::unique_ptr<AudioSource>& source,
                std::unique_ptr<PacketEncoder>& encoder) const;
    Status convertInto(int64_t index, Segment& segment) const;
    Status convertJoined(int64_t index, Segment& segment) const;
    Status readOutput(AudioSource& source, const PacketEncoder& encoder, int64_t first,
                      int64_t frames, const std::function<Status(const AVFrame&)>& take) const;
    RangeConversion rangeConversion(const PacketEncoder& encoder) const;
    void reencode(Segment& segment, const ImaEncoder::State& from) const;

    const SegmentWork& m_work;
    const SegmentPlan& m_plan;
    const EncodedStream& m_stream;
    const bool m_ima;
    const bool m_joined;
    std::unique_ptr<posix::CorePool> m_pool; // the batch's idle cores, if it has a pool
    const RateGrid m_grid;
    const int64_t m_total; // output frames
    const int64_t m_segmentFrames;
    const int64_t m_warmFrames;
    const int64_t m_count;
    const int m_frameSize;
    const int64_t m_settleFrames; // read and left out around a resampled segment

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int64_t m_next = 0;    // the next segment a thread takes
    int64_t m_written = 0; // segments before it are written
    bool m_stopping = false;
    std::map<int64_t, Segment> m_done;
    std::vector<std::jthread> m_threads; // last: the threads use everything above
};

Status SegmentRunner::run(PacketSink& sink, ProgressMeter& progress, int64_t& validFrames) {
    const int threads = static_cast<int>(std::min<int64_t>(m_plan.jobs, m_count));
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { serve(); });
    if (!m_plan.corePool.empty() && m_plan.borrowable > 0)
        m_pool = posix::CorePool::open(m_plan.corePool);
    const int borrowers = m_pool ? int(std::min<int64_t>(m_plan.borrowable, m_count - 1)) : 0;
    for (int i = 0; i < borrowers; ++i)
        m_threads.emplace_back([this] { serveOnBorrowedCore(*m_pool); });
    ImaEncoder::State state{}; // the true state where the next segment starts
    for (int64_t index = 0; index < m_count; ++index) {
        Segment segment;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_done.contains(index); });
            segment = std::move(m_done.extract(index).mapped());
        }
        AFC_TRY(segment.status.prefixed(m_work.inputPath));
        if (m_ima && segment.start != state)
            reencode(segment, state);
        for (const Call& call : segment.calls)
            AFC_TRY(sink.writePacket({segment.bytes.data() + call.offset, call.size}, call.frames)
                        .prefixed(m_work.outputName));
        if (m_ima && !segment.after.empty())
            state = segment.after.back();
        validFrames += segment.frames;
        progress.advance(m_grid.toInputAfter(segment.frames));
        {
            std::lock_guard lock(m_mutex);
            m_written = index + 1;
        }
        m_changed.notify_all();
    }
    return {};
}

// Waits for a core from the pool while there are segments to take.
bool SegmentRunner::borrow(posix::CorePool& pool) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_stopping || m_next >= m_count)
            return false;
        if (pool.tryTake())
            return true;
        m_changed.wait_for(lock, kBorrowPoll);
    }
}

void SegmentRunner::serveOnBorrowedCore(posix::CorePool& pool) {
    if (!borrow(pool))
        return;
    serve();
    pool.give(); // for another long file of the batch
}

void SegmentRunner::serve() {
    const int64_t ahead = int64_t(m_plan.jobs + m_plan.borrowable) * kSegmentsAheadPerThread;
    for (;;) {
        int64_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || m_next < m_written + ahead; });
            if (m_stopping || m_next >= m_count)
                return;
            index = m_next++;
        }
        Segment segment = convert(index);
        {
            std::lock_guard lock(m_mutex);
            m_done.emplace(index, std::move(segment));
        }
        m_changed.notify_all();
    }
}

Segment SegmentRunner::convert(int64_t index) const {
    Segment segment;
    segment.status = convertInto(index, segment);
    return segment;
}

RangeConversion SegmentRunner::rangeConversion(const PacketEncoder& encoder) const {
    return {m_work.in,
            m_work.resampling,
            {m_stream.sampleRate, m_stream.channels, m_stream.channelMask, encoder.inputFormat()},
            m_frameSize};
}

// A segment's own source and encoder.
Status SegmentRunner::open(std::unique_ptr<AudioSource>& source,
                           std::unique_ptr<PacketEncoder>& encoder) const {
    AFC_TRY(m_work.engine->openSource(m_work.inputPath, source));
    if (!source || !source->canSelectRange())
        return Status::failure("the source cannot be read in segments");
    AFC_TRY(m_work.engine->makeEncoder(m_work.request, encoder));
    if (!encoder)
        return Status::failure("no encoder for a segment");
    return {};
}

Status SegmentRunner::convertInto(int64_t index, Segment& segment) const {
    if (m_joined)
        return convertJoined(index, segment);
    const int64_t first = index * m_segmentFrames;
    const int64_t frames = std::min(m_segmentFrames, m_total - first);
    const int64_t warm = m_ima ? std::min(m_warmFrames, first) : 0;
    std::unique_ptr<AudioSource> source;
    std::unique_ptr<PacketEncoder> encoder;
    AFC_TRY(open(source, encoder));
    auto* ima = m_ima ? dynamic_cast<ImaEncoder*>(encoder.get()) : nullptr;
    if (m_ima && !ima)
        return Status::failure("no IMA4 encoder for a segment");

    SegmentSink sink(segment);
    int64_t warmed = 0;
    sink.discard = warm > 0;
    if (ima)
        segment.start = ima->state();
    const auto encode = [&](const AVFrame& frame) -> Status {
        AFC_TRY(encoder->encode(&frame, sink));
        if (sink.discard) {
            warmed += frame.nb_samples;
            if (warmed >= warm) {
                sink.discard = false;
                segment.start = ima->state();
            }
            return {};
        }
        segment.frames += frame.nb_samples;
        if (ima) {
            segment.after.push_back(ima->state());
            const auto* const* planes = frame.extended_data;
            std::vector<int16_t>& copy = segment.samples.emplace_back();
            for (int ch = 0; ch < m_stream.channels; ++ch) {
                const auto* samples = reinterpret_cast<const int16_t*>(planes[ch]);
                copy.insert(copy.end(), samples, samples + frame.nb_samples);
            }
        }
        return {};
    };
    AFC_TRY(readOutput(*source, *encoder, first - warm, warm + frames, encode));
    if (segment.frames != frames)
        return Status::failure("a segment came out " + std::to_string(segment.frames) +
                               " frames long instead of " + std::to_string(frames));
    return {};
}

Status SegmentRunner::convertJoined(int64_t index, Segment& segment) const {
    const int64_t total = m_total;
    const int64_t packet = m_stream.framesPerPacket;
    const int64_t first = index * m_segmentFrames;
    const int64_t frames = std::min(m_segmentFrames, total - first);
    const bool last = first + frames == total;
    const int64_t warm = std::min(m_warmFrames, first);
    const int64_t read = std::min(warm + frames + m_plan.joinLookAhead, total - (first - warm));
    std::unique_ptr<AudioSource> source;
    std::unique_ptr<PacketEncoder> encoder;
    AFC_TRY(open(source, encoder));
    if (encoder->joinLookAhead() != m_plan.joinLookAhead)
        return Status::failure("no encoder for a segment");

    // Packet p gives back the frames before p * packet: the segment's own
    // packets are those after its start's, to the one that ends it.
    SegmentSink sink(segment);
    sink.keepFirst = first == 0 ? 0 : warm / packet + 1;
    sink.keepLast = last ? INT64_MAX : (warm + frames) / packet;
    encoder->codeSegment((first - warm) / packet, sink.keepFirst, sink.keepLast);
    int64_t converted = 0;
    const auto encode = [&](const AVFrame& frame) -> Status {
        converted += frame.nb_samples;
        return encoder->encode(&frame, sink);
    };
    AFC_TRY(readOutput(*source, *encoder, first - warm, read, encode));
    // Where the source ends within the look-ahead, one pass's last packets
    // are coded from silence past the end: so are this segment's.
    if (first - warm + read == total)
        AFC_TRY(encoder->encode(nullptr, sink));
    if (converted != read)
        return Status::failure("a segment came out " + std::to_string(converted) +
                               " frames long instead of " + std::to_string(read));
    segment.frames = frames;
    return {};
}

// Hands on output frames first..first+frames. With a change of rate, the
// source is read from a little before them (on the rates' grid, so that the
// resampler's output settles to one pass's) to a little after (its filter
// looks ahead), and what lies outside is left out.
Status SegmentRunner::readOutput(AudioSource& source, const PacketEncoder& encoder, int64_t first,
                                 int64_t frames,
                                 const std::function<Status(const AVFrame&)>& take) const {
    const RangeConversion how = rangeConversion(encoder);
    if (m_grid.same())
        return convertRange(source, how, first, frames, take);
    const int64_t before = std::min(first, m_settleFrames);
    const int64_t end = first + frames;
    const int64_t inFirst = m_grid.toInput(first - before);
    const int64_t inEnd =
        end >= m_total
            ? m_work.in.frameCount
            : std::min(m_work.in.frameCount, m_grid.toInputAfter(end) + kResamplerSettleFrames);
    int64_t skip = before;
    int64_t left = frames;
    return convertRange(source, how, inFirst, inEnd - inFirst, [&](const AVFrame& frame) -> Status {
        if (skip > 0) {
            skip -= frame.nb_samples;
            return {};
        }
        if (left <= 0)
            return {};
        left -= frame.nb_samples;
        return take(frame);
    });
}

void SegmentRunner::reencode(Segment& segment, const ImaEncoder::State& from) const {
    ImaEncoder encoder(m_stream.sampleRate, m_stream.channels);
    encoder.setState(from);
    Segment again;
    SegmentSink sink(again);
    for (size_t i = 0; i < segment.calls.size(); ++i) {
        const Call& call = segment.calls[i];
        const size_t frames = segment.samples[i].size() / size_t(m_stream.channels);
        FrameView view(segment.samples[i], m_stream.channels, static_cast<int>(frames));
        again.bytes.clear();
        again.calls.clear();
        // Encoding memory we hold cannot fail.
        (void)encoder.encode(view.frame, sink);
        std::copy(again.bytes.begin(), again.bytes.end(),
                  segment.bytes.begin() + static_cast<std::ptrdiff_t>(call.offset));
        if (encoder.state() == segment.after[i])
            return; // the runs have met: the rest of the segment stands
        segment.after[i] = encoder.state();
    }
}

} // namespace

SegmentPlan segmentPlanFor(int jobs, const std::string& corePool, int rate,
                           const PacketEncoder& encoder) {
    SegmentPlan plan;
    const int online = static_cast<int>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    plan.jobs = jobs > 0 ? jobs : online;
    plan.corePool = corePool;
    plan.borrowable = corePool.empty() ? 0 : std::max(0, online - plan.jobs);
    plan.minimumFrames = kMinimumSeconds * rate;
    const DataKind kind = encoder.stream().format.kind;
    if (!stateless(kind) && kind != DataKind::Ima4)
        plan.joinLookAhead = encoder.joinLookAhead();
    const bool joined = plan.joinLookAhead >= 0;
    plan.segmentFrames = joined ? kJoinedSegmentFrames : kSegmentFrames;
    plan.warmFrames = joined ? kJoinedWarmFrames : kWarmFrames;
    return plan;
}

bool wantsSegments(const AudioSource& source, const SourceInfo& in, const PacketEncoder& encoder,
                   const SegmentPlan& plan) {
    const EncodedStream& stream = encoder.stream();
    const DataKind kind = stream.format.kind;
    const bool joined = plan.joinLookAhead >= 0 && encoder.joinLookAhead() == plan.joinLookAhead;
    const bool exact = stateless(kind) || kind == DataKind::Ima4 || joined;
    // Segments start on packet boundaries (IMA4's 64 frames, or the joined
    // encoder's packets).
    // A change of rate: only with a resampler whose output is known to settle
    // to one pass's, and rates whose common grid is not coarser than a segment.
    const bool resampled = stream.sampleRate != in.sampleRate;
    const int64_t unit = segmentUnit(plan, in, stream);
    return plan.jobs + plan.borrowable > 1 && exact && source.canSelectRange() &&
           in.frameCount > 0 && in.frameCount >= plan.minimumFrames &&
           in.frameCount > plan.segmentFrames && (!resampled || plan.resampleInSegments) &&
           plan.segmentFrames > 0 && unit <= plan.segmentFrames && plan.warmFrames >= 0;
}

Status convertInSegments(const SegmentWork& work, const SegmentPlan& plan,
                         const EncodedStream& stream, PacketSink& sink, ProgressMeter& progress,
                         int64_t& validFrames) {
    SegmentRunner runner(work, plan, stream);
    return runner.run(sink, progress, validFrames);
}

} // namespace sondrel::afconvert
