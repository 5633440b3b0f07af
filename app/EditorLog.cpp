#include "app/EditorLog.h"

#include "app/AppNumbers.h"
#include "platform/objc/Geometry.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/MessageText.h"
#include "runtime/controls/NativeBridge.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"

namespace sondrel::app {
namespace {

using controls::SendObjectMessage;
using controls::Word;

Word W(const void* pointer) {
    return reinterpret_cast<Word>(pointer);
}

// An autorelease pool of the calling thread for the length of one append: the
// worker's own pool lasts as long as the worker, and would otherwise keep every
// string an append makes until the program ends.
class AppendPool {
public:
    AppendPool() : m_pool(controls::NewAutoreleasePool()) {}
    ~AppendPool() { controls::ReleaseNative(m_pool); }
    AppendPool(const AppendPool&) = delete;
    AppendPool& operator=(const AppendPool&) = delete;

private:
    objc::id m_pool;
};

} // namespace

void EditorLog::append(core::TextView text) {
    // Zero-terminated, and sent with a UTF-16 selector so that the text is
    // read as UTF-16 too. An attributed string is plain data, made on any
    // thread; the text storage carries the append to the main thread itself,
    // as every view does with a call that reaches it from the worker.
    const core::Text line(text);
    const AppendPool pool;
    const Word allocated = SendObjectMessage(nullptr, nullptr, "NSAttributedString alloc"_msg);
    const Word string = SendObjectMessage(nullptr, reinterpret_cast<const void*>(allocated),
                                          u"initWithString:$"_msg, W(line.c_str()));
    if (string == 0) {
        return;
    }
    SendObjectMessage(nullptr, m_views.logStorage, "appendAttributedString:"_msg, string);
    SendObjectMessage(nullptr, reinterpret_cast<const void*>(string), "release"_msg);
}

std::int64_t EditorLog::lineCount() {
    return windowing::CountGadgetItems(LogEditor);
}

core::Text EditorLog::lineText(std::int64_t index) {
    return controls::GetGadgetItemText(LogEditor, static_cast<std::int32_t>(index));
}

void EditorLog::replaceLine(std::int64_t index, core::TextView text) {
    controls::SetGadgetItemText(LogEditor, static_cast<std::int32_t>(index), text);
}

void EditorLog::showEnd() {
    windowing::PostAppEvent(windowing::GadgetEvent, MainWindow, LogEditor, kChangeSubtype);
}

void ScrollLogToEnd(const LogViews& views) {
    // The length of the whole text in UTF-16 units, asked of the text storage
    // rather than measured on a copy of the text: a long log would otherwise
    // be copied once for every file it reports.
    const objc::NSRange end{SendObjectMessage(nullptr, views.logStorage, "length"_msg), 0};
    SendObjectMessage(nullptr, views.logView, "scrollRangeToVisible:@"_msg, W(&end));
}

} // namespace sondrel::app
