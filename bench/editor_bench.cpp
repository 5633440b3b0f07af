// The conversion log: what one converted file costs the log editor (append the progress line
// through the text storage, count the lines, read the last one, rewrite it to the done line, and
// let the window handle its events), with logs from a hundred to a hundred thousand lines before
// it. The editor keeps an index of its lines, so the cost per file must not grow with the log.
// For comparison, the line count taken by splitting the whole text, as a line model without an
// index would do for every count.

#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::controls {
namespace {

constexpr std::u16string_view kProgress = u" • Converting (1/9) \"a file name.wav\" . . .";
constexpr std::u16string_view kDone = u" • Converting (1/9) \"a file name.wav\" - Done!\n";

std::u16string LogOf(std::int64_t lines) {
    std::u16string text;
    for (std::int64_t i = 0; i < lines; ++i) {
        text += kDone;
    }
    return text;
}

void Drain() {
    while (windowing::WaitEvent(0) != 0) {
    }
}

void BM_LogLineOfOneFile(benchmark::State& state) {
    windowing::CreateWindow(0, 0, 0, 420, 400, u"Log", windowing::WindowCloseButton);
    CreateEditorGadget(4, 10, 90, 400, 250, EditorReadOnly | EditorWordWrap);
    SetGadgetText(4, LogOf(state.range(0)));
    const objc::id storage = objc::send<objc::id>(windowing::GadgetHandle(4), "textStorage"_sel);
    Drain();
    for (auto _ : state) {
        objc::AutoreleasePool pool;
        const objc::id line = objc::send<objc::id>(
            objc::send<objc::id>(objc::lookUpClass("NSAttributedString"), "alloc"_sel),
            "initWithString:"_sel, objc::autoreleasedNativeString(std::u16string(kProgress)));
        objc::send<void>(storage, "appendAttributedString:"_sel, line);
        objc::release(line);
        const std::int32_t last = windowing::CountGadgetItems(4) - 1;
        if (!GetGadgetItemText(4, last).ends_with(u". . .")) {
            state.SkipWithError("the progress line is not the last line");
            break;
        }
        SetGadgetItemText(4, last, kDone);
        Drain();
    }
    state.SetItemsProcessed(state.iterations());
    windowing::CloseWindowObject(0);
    Drain();
}
BENCHMARK(BM_LogLineOfOneFile)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

void BM_LineCountBySplittingTheWholeText(benchmark::State& state) {
    const std::u16string text = LogOf(state.range(0));
    for (auto _ : state) {
        std::size_t lines = text.empty() ? 0 : 1;
        for (char16_t unit : text)
            lines += unit == u'\n' || unit == u'\r';
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_LineCountBySplittingTheWholeText)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace sondrel::controls

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sondrel::windowing::InitWindowingLibrary();
    sondrel::controls::InitGadgetKinds();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sondrel::controls::EndGadgetKinds();
    sondrel::windowing::EndWindowingLibrary();
    return 0;
}
