#include "platform/appkit/ApplicationLaunch.h"

#include <array>

#include "platform/appkit/Foundation.h"

namespace sondrel::appkit {
namespace {

struct Launch {
    std::u16string name;
    std::u16string desktopEntry;
    std::vector<std::string> toolkitArguments;
};

Launch& launch() {
    static Launch settings;
    return settings;
}

// Qt's options (QGuiApplication, QApplication and the xcb platform) that take the next argument
// as their value, and those that stand alone.
constexpr std::array<std::string_view, 16> kWithValue = {"platform",
                                                         "platformpluginpath",
                                                         "platformtheme",
                                                         "plugin",
                                                         "qwindowgeometry",
                                                         "qwindowicon",
                                                         "qwindowtitle",
                                                         "session",
                                                         "display",
                                                         "geometry",
                                                         "title",
                                                         "icon",
                                                         "name",
                                                         "style",
                                                         "stylesheet",
                                                         "visual"};
constexpr std::array<std::string_view, 5> kAlone = {"reverse", "nograb", "dograb", "widgetcount",
                                                    "testability"};

bool listed(std::string_view name, auto list) {
    for (std::string_view entry : list) {
        if (entry == name)
            return true;
    }
    return false;
}

} // namespace

void setApplicationIdentity(std::u16string name, std::u16string desktopEntry) {
    launch().name = std::move(name);
    launch().desktopEntry = std::move(desktopEntry);
}

std::u16string applicationName() {
    if (!launch().name.empty())
        return launch().name;
    const std::u16string path = executablePath();
    return path.substr(path.rfind(u'/') + 1);
}

std::u16string desktopEntryName() {
    return launch().desktopEntry.empty() ? applicationName() : launch().desktopEntry;
}

int toolkitOptionLength(std::string_view argument) {
    // Qt takes "--name" as it takes "-name".
    if (argument.starts_with("--"))
        argument.remove_prefix(1);
    if (!argument.starts_with('-') || argument.size() < 2)
        return 0;
    std::string_view name = argument.substr(1);
    const std::size_t equals = name.find('=');
    if (equals != std::string_view::npos) {
        name = name.substr(0, equals);
        return listed(name, kWithValue) || name == "qmljsdebugger" ? 1 : 0;
    }
    if (listed(name, kWithValue))
        return 2;
    return listed(name, kAlone) ? 1 : 0;
}

void setToolkitArguments(std::vector<std::string> arguments) {
    launch().toolkitArguments = std::move(arguments);
}

const std::vector<std::string>& toolkitArguments() {
    return launch().toolkitArguments;
}

} // namespace sondrel::appkit
