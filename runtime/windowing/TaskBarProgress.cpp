#include "runtime/windowing/TaskBarProgress.h"

#include "platform/appkit/LauncherEntry.h"

namespace sondrel::windowing {

void SetTaskBarProgress(double fraction) {
    appkit::setLauncherProgress(fraction);
}

void ClearTaskBarProgress() {
    appkit::clearLauncherProgress();
}

} // namespace sondrel::windowing
