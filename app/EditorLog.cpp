#include "app/EditorLog.h"

#include "app/AppNumbers.h"
#include "platform/appkit/MainThread.h"
#include "platform/objc/Geometry.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/MessageText.h"
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

} // namespace

void EditorLog::append(core::TextView text) {
    // Zero-terminated, and sent with a UTF-16 selector so that the text is
    // read as UTF-16 too.
    const core::Text line(text);
    appkit::performOnMainThread([&] {
        const Word allocated = SendObjectMessage(nullptr, nullptr, "NSAttributedString alloc"_msg);
        const Word string = SendObjectMessage(nullptr, reinterpret_cast<const void*>(allocated),
                                              u"initWithString:$"_msg, W(line.c_str()));
        if (string == 0) {
            return;
        }
        SendObjectMessage(nullptr, m_views.logStorage, "appendAttributedString:"_msg, string);
        SendObjectMessage(nullptr, reinterpret_cast<const void*>(string), "release"_msg);
    });
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
