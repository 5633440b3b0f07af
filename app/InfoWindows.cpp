#include "app/InfoWindows.h"

#include "app/AppNumbers.h"
#include "app/MainWindow.h"
#include "app/WebPages.h"
#include "platform/objc/Geometry.h"
#include "resources/EmbeddedResource.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/ImageGadget.h"
#include "runtime/controls/MessageText.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/controls/TextGadget.h"
#include "runtime/controls/TextViewCommands.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::app {

using namespace windowing;

void OpenHelpWindow() {
    if (CreateWindow(HelpWindow, 0, 0, 610, 520, u"Sondrel Help",
                     WindowCloseButton | WindowMinimizeButton | WindowParentCentered) == 0) {
        return;
    }
    HideTitleBarButton(HelpWindow, 2);
    controls::CreateEditorGadget(HelpEditor, 10, 10, 590, 500, controls::EditorReadOnly);
    const void* view = GadgetHandle(HelpEditor);
    controls::SetTextViewWordWrap(view, 1);
    const auto document = resources::EmbeddedResource("help.rtf");
    controls::LoadTextViewRtf(view, document.data(), document.size());
}

void OpenAboutWindow() {
    if (CreateWindow(AboutWindow, 0, 0, 340, 170, u"", WindowCloseButton | WindowParentCentered) ==
        0) {
        return;
    }
    HideTitleBarButton(AboutWindow, 1);
    HideTitleBarButton(AboutWindow, 2);
    // Decoded on first use: most runs never open this window.
    if (controls::ImageHandle(AboutImage) == nullptr) {
        controls::ImageFromMemory(AboutImage, resources::EmbeddedResource("about.png"));
    }
    objc::id picture = controls::ImageHandle(AboutImage);
    const objc::NSSize size{128, 128};
    controls::SendObjectMessage(nullptr, picture, "setSize:@"_msg,
                                reinterpret_cast<controls::Word>(&size));
    controls::CreateImageGadget(AboutPicture, 31, 16, 128, 128, picture);
    controls::CreateTextGadget(AboutTitleText, 180, 30, 140, 20, kVersionText,
                               controls::TextCenter);
    controls::CreateTextGadget(AboutCreditText, 180, 60, 140, 20, kCreditText,
                               controls::TextCenter);
    controls::CreateTextGadget(AboutAddressText, 180, 90, 140, 20, ShownAddress(kWebsiteAddress),
                               controls::TextCenter);
    controls::CreateTextGadget(AboutNoticeText, 185, 120, 130, 20, kNoticeText,
                               controls::TextCenter);
}

core::Text ShownAddress(core::TextView address) {
    core::TextView shown = address;
    if (const std::size_t scheme = shown.find(u"://"); scheme != core::TextView::npos) {
        shown.remove_prefix(scheme + 3);
    }
    if (shown.ends_with(u'/')) {
        shown.remove_suffix(1);
    }
    return core::Text(shown);
}

} // namespace sondrel::app
