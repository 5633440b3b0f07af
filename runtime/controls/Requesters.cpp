#include "runtime/controls/Requesters.h"

#include <vector>

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/PanelPath.h"

namespace sondrel::controls {
namespace {

using objc::id;

// The chosen paths of the last run that allowed several, and the next one to hand out.
struct ChosenFiles {
    std::vector<core::Text> paths;
    bool kept = false;
    std::size_t next = 0;
};

ChosenFiles& chosenFiles() {
    static ChosenFiles files;
    return files;
}

id nativeString(core::TextView text) {
    return objc::autoreleasedNativeString(core::Text(text));
}

// The key window now, made key again by the Restore object when the dialog is over.
class KeyWindowKeeper {
public:
    KeyWindowKeeper()
        : m_window(objc::send<id>(objc::send<id>("NSApplication"_class, "sharedApplication"_sel),
                                  "keyWindow"_sel)) {
        objc::retain(m_window);
    }
    ~KeyWindowKeeper() {
        if (m_window != nullptr)
            objc::send<void>(m_window, "makeKeyWindow"_sel);
        objc::release(m_window);
    }
    KeyWindowKeeper(const KeyWindowKeeper&) = delete;
    KeyWindowKeeper& operator=(const KeyWindowKeeper&) = delete;

private:
    id m_window;
};

// The folder an initial path names, to open in with no name given.
PanelPath InsideFolder(core::TextView folder) {
    while (folder.size() > 1 && folder.back() == u'/')
        folder.remove_suffix(1);
    return {!folder.empty(), core::Text(folder), {}};
}

// Runs a file panel: the title, the initial path split into folder and name, then the modal
// run. True when the user chose.
bool runPanel(id panel, core::TextView title, const PanelPath& split) {
    const KeyWindowKeeper keeper;
    objc::send<void>(panel, "setTitle:"_sel, nativeString(title));
    objc::send<void>(panel, "setCanCreateDirectories:"_sel, objc::YES);
    objc::send<void>(panel, "setCanSelectHiddenExtension:"_sel, objc::YES);
    // Every system this runs on is past the version (10.6) that brought directory URLs.
    if (split.hasDirectory)
        objc::send<void>(
            panel, "setDirectoryURL:"_sel,
            objc::send<id>("NSURL"_class, "fileURLWithPath:"_sel, nativeString(split.directory)));
    objc::send<void>(panel, "setNameFieldStringValue:"_sel, nativeString(split.name));
    return objc::send<objc::NSInteger>(panel, "runModal"_sel) == 1;
}

id openPanel() {
    return objc::send<id>("NSOpenPanel"_class, "openPanel"_sel);
}

} // namespace

std::int32_t ShowMessage(core::TextView title, core::TextView text, std::uint32_t flags) {
    return appkit::onMainThread([&]() -> std::int32_t {
        objc::AutoreleasePool pool;
        const id alert = objc::autorelease(
            objc::send<id>(objc::send<id>("NSAlert"_class, "alloc"_sel), "init"_sel));
        if (alert == nullptr)
            return AnswerNone;
        const KeyWindowKeeper keeper;
        objc::send<void>(alert, "setMessageText:"_sel, nativeString(title));
        objc::send<void>(alert, "setInformativeText:"_sel, nativeString(text));
        objc::send<void>(alert, "setShowsHelp:"_sel, objc::NO);
        if ((flags & 3) == 0) {
            objc::send<objc::NSInteger>(alert, "runModal"_sel);
            return AnswerNone;
        }
        const auto button = [&](const char16_t* title, objc::NSInteger tag) {
            objc::send<void>(objc::send<id>(alert, "addButtonWithTitle:"_sel, nativeString(title)),
                             "setTag:"_sel, tag);
        };
        button(u"Yes", AnswerYes);
        button(u"No", AnswerNo);
        if (flags & 2)
            button(u"Cancel", AnswerCancel);
        return static_cast<std::int32_t>(objc::send<objc::NSInteger>(alert, "runModal"_sel));
    });
}

core::Text ChooseFolder(core::TextView title, core::TextView initialPath, std::uint32_t flags) {
    return appkit::onMainThread([&]() -> core::Text {
        objc::AutoreleasePool pool;
        const id panel = openPanel();
        if (panel == nullptr)
            return {};
        objc::send<void>(panel, "setCanChooseFiles:"_sel, objc::NO);
        objc::send<void>(panel, "setCanChooseDirectories:"_sel, objc::YES);
        objc::send<void>(panel, "setResolvesAliases:"_sel, objc::YES);
        objc::send<void>(panel, "setAllowsMultipleSelection:"_sel, objc::NO);
        const PanelPath split = (flags & ChooseInsideInitialFolder) != 0
                                    ? InsideFolder(initialPath)
                                    : SplitPanelPath(initialPath, true);
        if (!runPanel(panel, title, split))
            return {};
        core::Text path = objc::nativeStringText(objc::send<id>(panel, "filename"_sel));
        if (path.empty())
            return {};
        if (path.back() != u'/')
            path += u'/';
        return path;
    });
}

core::Text ChooseOpenFile(core::TextView title, core::TextView initialPath, core::TextView,
                          std::int32_t, std::uint32_t flags) {
    return appkit::onMainThread([&]() -> core::Text {
        objc::AutoreleasePool pool;
        const id panel = openPanel();
        if (panel == nullptr)
            return {};
        const bool several = (flags & OpenSeveralFiles) != 0;
        objc::send<void>(panel, "setCanChooseFiles:"_sel, objc::YES);
        objc::send<void>(panel, "setCanChooseDirectories:"_sel, objc::NO);
        objc::send<void>(panel, "setResolvesAliases:"_sel, objc::YES);
        objc::send<void>(panel, "setAllowsMultipleSelection:"_sel, several ? objc::YES : objc::NO);
        if (!runPanel(panel, title, SplitPanelPath(initialPath, false)))
            return {};
        const id names = objc::send<id>(panel, "filenames"_sel);
        const auto count = objc::send<objc::NSUInteger>(names, "count"_sel);
        if (count == 0)
            return {};
        if (several) {
            ChosenFiles& files = chosenFiles();
            files.paths.clear();
            for (objc::NSUInteger i = 0; i < count; ++i)
                files.paths.push_back(
                    objc::nativeStringText(objc::send<id>(names, "objectAtIndex:"_sel, i)));
            files.kept = true;
            files.next = 1;
        }
        return objc::nativeStringText(
            objc::send<id>(names, "objectAtIndex:"_sel, objc::NSUInteger{0}));
    });
}

core::Text NextChosenFile() {
    return appkit::onMainThread([&]() -> core::Text {
        ChosenFiles& files = chosenFiles();
        if (files.kept && files.next < files.paths.size())
            return files.paths[files.next++];
        files = ChosenFiles{};
        return {};
    });
}

std::int32_t ChosenFilePattern() {
    return 0;
}

core::Text ChooseSaveFile(core::TextView title, core::TextView initialPath, core::TextView,
                          std::int32_t) {
    return appkit::onMainThread([&]() -> core::Text {
        objc::AutoreleasePool pool;
        const id panel = objc::send<id>("NSSavePanel"_class, "savePanel"_sel);
        if (panel == nullptr || !runPanel(panel, title, SplitPanelPath(initialPath, false)))
            return {};
        return objc::nativeStringText(objc::send<id>(panel, "filename"_sel));
    });
}

} // namespace sondrel::controls
