#include "app/BatchConversion.h"

#include <algorithm>

#include "app/ConverterServer.h"
#include "app/LogTexts.h"

namespace sondrel::app {
namespace {

// Whether the converter will load its FFmpeg engine for this source: it
// reads WAV and AIFF files itself (and codes AAC and IMA4 itself), everything
// else through the engine. Judged by the name's extension; a wrong guess costs time only.
bool ReadThroughEngine(core::TextView path) {
    const core::Text name = SourceFileName(path);
    const std::size_t dot = name.rfind(u'.');
    core::Text extension = dot == core::Text::npos ? core::Text() : name.substr(dot + 1);
    for (char16_t& unit : extension) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return extension != u"wav" && extension != u"wave" && extension != u"aif" &&
           extension != u"aiff" && extension != u"aifc";
}

} // namespace

BatchConversion::BatchConversion(AppState& state, BatchControls& controls, ConversionLog& log,
                                 const BatchSettings& settings, int slots,
                                 std::chrono::milliseconds serverReadyDeadline)
    : m_state(state), m_controls(controls), m_log(log), m_settings(settings),
      m_slots(std::max(slots, 1)), m_count(state.fileCount),
      m_serverReadyDeadline(serverReadyDeadline), m_corePool(posix::CorePool::create()),
      m_progress(controls, m_count) {
    FileList* list = state.fileList.get();
    m_files.reserve(static_cast<std::size_t>(list->count()));
    core::RewindList(list);
    while (const QueuedFile* file = core::NextListElement(list)) {
        m_files.emplace_back().source = file;
    }
}

void BatchConversion::run() {
    {
        ConverterSlots slots(slotSettings());
        while (!step(slots)) {
            if (!m_cancelled) {
                m_progress.update(m_finished, slots.runningParts());
            }
            // Asleep until a verdict comes or the user cancels, or until the
            // progress of the running files is due to be shown again.
            m_state.workerWakeUp.wait(int(BatchProgress::kShowInterval.count()));
            for (const SlotResult& result : slots.collect()) {
                finish(result.index, result.verdict);
            }
        }
    }
    m_progress.clear();
    if (m_cancelled) {
        // A file in progress had its line ended; a cancel between two files
        // ends the last line, as it always has.
        append(core::Text(m_cancelledInALine ? u"" : u"\n") + kCancelledLine);
    } else {
        append(kCompleteLine);
    }
}

SlotSettings BatchConversion::slotSettings() const {
    SlotSettings settings;
    settings.count = m_slots;
    settings.server = ConverterServer::Locate(kConverterProgram);
    settings.readyDeadline = m_serverReadyDeadline;
    settings.converterThreads = m_settings.converterThreads;
    settings.corePool = m_corePool ? m_corePool->name() : std::string();
    settings.resultReady = [&state = m_state] { state.workerWakeUp.notify(); };
    // Only sources other than WAV and AIFF need the engine (the converter
    // codes AAC and IMA4 itself), and a server that loads it in vain costs
    // start-up time and memory.
    settings.loadEngine = std::any_of(m_files.begin(), m_files.end(), [](const File& file) {
        return ReadThroughEngine(file.source->path);
    });
    return settings;
}

bool BatchConversion::step(ConverterSlots& slots) {
    // The verdicts that came in are logged before the cancel flag is read: a
    // cancel that comes meanwhile finds no further file started, as it would
    // one at a time.
    logInTurn();
    if (!m_cancelled && m_state.cancelRequested != 0) {
        m_cancelled = true;
        m_cancelledInALine = m_nextToLog < m_files.size() && m_files[m_nextToLog].shown;
        slots.cancel();
    }
    if (!m_cancelled) {
        dispatch(slots);
        lendIdleCores();
        logInTurn();
    }
    return m_running == 0 && (m_cancelled || m_nextToLog == m_files.size());
}

void BatchConversion::dispatch(ConverterSlots& slots) {
    // Files held back for an output name come first: they are earlier in the
    // queue than any file not yet started.
    for (auto it = m_held.begin(); it != m_held.end() && slotFree();) {
        if (m_holders.contains(m_files[*it].output)) {
            ++it;
            continue;
        }
        const std::size_t index = *it;
        it = m_held.erase(it);
        start(index, slots);
    }
    while (m_nextToStart < m_files.size() && slotFree()) {
        const std::size_t index = m_nextToStart++;
        File& file = m_files[index];
        // The output folder is read for every file, as it is one at a time.
        file.output = OutputPath(m_controls.outputFolder(), file.source->path);
        if (m_holders.contains(file.output)) {
            file.state = State::Held;
            m_held.push_back(index);
            continue;
        }
        start(index, slots);
    }
}

void BatchConversion::lendIdleCores() {
    // Once nothing is left to start, a slot that falls idle stays idle: its
    // core goes to the files still running (a long one takes it for
    // another thread). A held file may still start, so not before it has.
    if (!m_corePool || m_nextToStart < m_files.size() || !m_held.empty()) {
        return;
    }
    for (; m_lentCores < m_slots - m_running; ++m_lentCores) {
        m_corePool->give();
    }
}

void BatchConversion::start(std::size_t index, ConverterSlots& slots) {
    File& file = m_files[index];
    if (OutputRefused(m_outputs, file.source->path, file.output)) {
        settle(file, FileVerdict::Failed);
        return;
    }
    file.state = State::Running;
    m_holders.emplace(file.output, index);
    ++m_running;
    slots.submit(
        {index, ConverterArguments(m_settings, file.source->path, file.output), file.output});
}

void BatchConversion::finish(std::size_t index, FileVerdict verdict) {
    File& file = m_files[index];
    settle(file, verdict);
    --m_running;
    m_holders.erase(file.output);
    if (verdict == FileVerdict::Converted) {
        m_outputs.add(file.output);
    }
}

void BatchConversion::settle(File& file, FileVerdict verdict) {
    file.state = State::Finished;
    file.verdict = verdict;
    ++m_finished;
}

void BatchConversion::logInTurn() {
    // What the files whose turn has come add to the log's end, in one go.
    core::Text text;
    while (m_nextToLog < m_files.size()) {
        const std::size_t index = m_nextToLog;
        File& file = m_files[index];
        if (file.state == State::Finished) {
            if (file.shown) {
                append(text);
                text.clear();
                logFinishedShown(file, index);
            } else {
                text += finishedText(file, index);
            }
            ++m_nextToLog;
        } else if (file.state == State::Running) {
            // After a cancel, a file shows its line only once it is known
            // to have started.
            if (!file.shown && !m_cancelled) {
                text += ProgressLine(number(index), m_count, SourceFileName(file.source->path));
                file.shown = true;
            }
            break;
        } else if (m_cancelled) {
            ++m_nextToLog; // never started: not mentioned
        } else {
            break;
        }
    }
    append(text);
}

void BatchConversion::logFinishedShown(const File& file, std::size_t index) {
    const core::Text name = SourceFileName(file.source->path);
    const std::int64_t last = m_log.lineCount() - 1;
    switch (file.verdict) {
    case FileVerdict::Converted:
        m_log.replaceLine(last, DoneLine(number(index), m_count, name));
        break;
    case FileVerdict::Failed:
        m_log.replaceLine(last, ErrorLine(number(index), m_count, name));
        m_log.append(kSkippedLine);
        break;
    case FileVerdict::Interrupted:
    case FileVerdict::NotStarted:
        m_log.append(u"\n"); // ends the progress line as it stands
        break;
    }
}

core::Text BatchConversion::finishedText(const File& file, std::size_t index) const {
    const core::Text name = SourceFileName(file.source->path);
    switch (file.verdict) {
    case FileVerdict::Converted:
        return DoneLine(number(index), m_count, name);
    case FileVerdict::Failed:
        return ErrorLine(number(index), m_count, name) + kSkippedLine;
    case FileVerdict::Interrupted:
        return ProgressLine(number(index), m_count, name) + u"\n";
    case FileVerdict::NotStarted:
        break;
    }
    return {};
}

void BatchConversion::append(const core::Text& text) {
    if (!text.empty()) {
        m_log.append(text);
        m_log.showEnd();
    }
}

} // namespace sondrel::app
