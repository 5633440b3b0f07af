#include "runtime/windowing/ApplicationLaunch.h"

#include "platform/appkit/ApplicationLaunch.h"

namespace sondrel::windowing {

void SetApplicationIdentity(core::TextView name, core::TextView desktopEntry) {
    appkit::setApplicationIdentity(core::Text(name), core::Text(desktopEntry));
}

int ToolkitOptionLength(std::string_view argument) {
    return appkit::toolkitOptionLength(argument);
}

void SetToolkitArguments(std::vector<std::string> arguments) {
    appkit::setToolkitArguments(std::move(arguments));
}

} // namespace sondrel::windowing
