#include "runtime/windowing/SingleInstance.h"

#include "platform/appkit/InstanceChannel.h"
#include "platform/appkit/MainThread.h"
#include "runtime/core/TextFileName.h"

namespace sondrel::windowing {
namespace {

OpenFilesHandler& Handler() {
    static OpenFilesHandler handler; // main thread only
    return handler;
}

} // namespace

InstanceClaim ClaimSingleInstance(core::TextView folder, const std::vector<core::Text>& paths) {
    std::string folderBytes;
    if (!folder.empty()) {
        const std::optional<std::string> bytes = core::TextToFileName(folder);
        if (!bytes) {
            return InstanceClaim::Alone;
        }
        folderBytes = *bytes;
    }
    return appkit::onMainThread([&] {
        switch (appkit::claimInstance(folderBytes, paths)) {
        case appkit::InstanceClaim::First:
            return InstanceClaim::First;
        case appkit::InstanceClaim::HandedOver:
            return InstanceClaim::HandedOver;
        case appkit::InstanceClaim::Unanswered:
            return InstanceClaim::Unanswered;
        case appkit::InstanceClaim::Alone:
            break;
        }
        return InstanceClaim::Alone;
    });
}

void ReleaseSingleInstance() {
    appkit::performOnMainThread([] { appkit::releaseInstance(); });
}

void SetOpenFilesHandler(OpenFilesHandler handler) {
    appkit::performOnMainThread([&] { Handler() = std::move(handler); });
}

namespace detail {

void OpenFiles(const std::vector<core::Text>& paths) {
    if (Handler() && !paths.empty()) {
        Handler()(paths);
    }
}

} // namespace detail
} // namespace sondrel::windowing
