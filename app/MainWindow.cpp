#include "app/MainWindow.h"

#include "app/AppNumbers.h"
#include "platform/objc/Geometry.h"
#include "resources/EmbeddedResource.h"
#include "runtime/controls/ButtonGadget.h"
#include "runtime/controls/CheckBoxGadget.h"
#include "runtime/controls/ComboBoxGadget.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/FrameGadget.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/NativeBridge.h"
#include "runtime/controls/MessageText.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/controls/OptionGadget.h"
#include "runtime/controls/StringGadget.h"
#include "runtime/controls/TextViewCommands.h"
#include "runtime/controls/WindowViewCommands.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/Shortcuts.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::app {
namespace {

using namespace controls;
using namespace windowing;
using controls::Word;

Word W(const void* pointer) {
    return reinterpret_cast<Word>(pointer);
}

void BuildMenu() {
    CreateMenuBar(0, WindowHandle(MainWindow));
    AddMenuTitle(u"Help");
    AddMenuItem(HelpItem, u"Help\tF1");
    AddMenuSeparator();
    AddMenuItem(WebsiteItem, u"Quillfern Website");
    AddMenuItem(ForumItem, u"Support Forum");
    AddMenuSeparator();
    AddMenuItem(ReviewItem, u"Mac App Store Review");
    AddMenuItem(AboutItem, u"About Sondrel");
    AddMenuItem(QuitItem, u"Quit\tCmd+Q");
    BindShortcut(MainWindow, kF1Key, HelpItem);
}

void BuildBitrateRow() {
    CreateCheckBoxGadget(StickyCheckBox, 235, 5, 110, 20, u"Sticky Window");
    CreateFrameGadget(BitrateFrame, 5, 30, 410, 55, u"Audio Bitrate");
    CreateComboBoxGadget(StrategyBox, 20, 52, 100, 22, 0);
    for (const char16_t* strategy : {u"CBR", u"ABR", u"VBR Con", u"VBR"}) {
        AddGadgetItem(StrategyBox, -1, strategy);
    }
    SetGadgetState(StrategyBox, kFirstRunSettings.strategy);
    CreateComboBoxGadget(BitrateBox, 130, 52, 100, 22, 0);
    for (const char16_t* bitrate : {u"16 kbps", u"32 kbps", u"64 kbps", u"96 kbps", u"128 kbps",
                                    u"160 kbps", u"192 kbps", u"256 kbps", u"320 kbps"}) {
        AddGadgetItem(BitrateBox, -1, bitrate);
    }
    SetGadgetState(BitrateBox, kFirstRunSettings.bitrate);
    // One after the other, so that they form one option group.
    CreateOptionGadget(AacOption, 240, 53, 50, 20, u"AAC");
    CreateOptionGadget(Ima4Option, 300, 53, 100, 20, u"IMA4 (mono)");
    SetGadgetState(AacOption, 1);
}

// The log: read-only, wrapped, the drop picture as its background at the
// editor's own size, and the centred prompt under a blank first line.
void BuildLogEditor(LogViews& views) {
    CreateEditorGadget(LogEditor, 10, 90, 400, 250, EditorReadOnly);
    views.logView = GadgetHandle(LogEditor);
    views.logStorage =
        reinterpret_cast<objc::id>(SendObjectMessage(nullptr, views.logView, "textStorage"_msg));
    SetTextViewWordWrap(views.logView, 1);

    const auto picture = resources::EmbeddedResource("drop.png");
    ImageFromMemory(DropPatternImage, picture);
    if (objc::id image = ImageHandle(DropPatternImage); image != nullptr) {
        const objc::NSSize size{400, 250};
        SendObjectMessage(nullptr, image, "setSize:@"_msg, W(&size));
        const Word pattern =
            SendObjectMessage(nullptr, nullptr, "NSColor colorWithPatternImage:"_msg, W(image));
        SendObjectMessage(nullptr, views.logView, "setBackgroundColor:"_msg, pattern);
    }
    AddGadgetItem(LogEditor, 0, u" ");
    AddGadgetItem(LogEditor, -1, kDropPrompt);
    SendObjectMessage(nullptr, views.logView, "setAlignment:"_msg, 2);
    AcceptGadgetDrops(LogEditor, DropFiles, 2);
}

void BuildOutputRow() {
    CreateFrameGadget(OutputFrame, 5, 345, 410, 50, u"Output Folder");
    CreateStringGadget(OutputFolderField, 14, 365, 355, 20, u"", StringReadOnly);
    CreateButtonGadget(BrowseButton, 372, 365, 35, 20, u"...");
    CreateCheckBoxGadget(TransparentCheckBox, 70, 5, 145, 20, u"Transparent Window");
}

} // namespace

void HideTitleBarButton(core::ObjectNumber window, int button) {
    const Word native =
        SendObjectMessage(nullptr, WindowHandle(window), "standardWindowButton:"_msg, button);
    SendObjectMessage(nullptr, reinterpret_cast<const void*>(native), "setHidden:"_msg, 1);
}

void SetMainWindowTransparent(bool transparent) {
    SetWindowOpacity(WindowHandle(MainWindow), transparent ? 0.75f : 1.0f);
}

bool BuildMainWindow(LogViews& views) {
    if (CreateWindow(MainWindow, 0, 0, 420, 400, kMainWindowTitle,
                     WindowCloseButton | WindowMinimizeButton | WindowScreenCentered) == 0) {
        return false;
    }
    HideTitleBarButton(MainWindow, 2);
    BuildMenu();
    BuildBitrateRow();
    BuildLogEditor(views);
    BuildOutputRow();
    return true;
}

void ApplySettings(const Settings& settings) {
    if (settings.transparent == 1) {
        SetGadgetState(TransparentCheckBox, 1);
        SetMainWindowTransparent(true);
    }
    if (settings.sticky == 1) {
        SetGadgetState(StickyCheckBox, 1);
        SetWindowSticky(MainWindow, 1);
    }
    SetGadgetState(StrategyBox, settings.strategy);
    SetGadgetState(BitrateBox, settings.bitrate);
    const bool aac = settings.data == 1;
    SetGadgetState(aac ? AacOption : Ima4Option, 1);
    DisableGadget(StrategyBox, aac ? 0 : 1);
    DisableGadget(BitrateBox, aac ? 0 : 1);
}

void CreateCancelButton() {
    CreateButtonGadget(CancelButton, 70, 358, 280, 25, u"Cancel Batch Conversion", ButtonDefault);
    HideGadget(CancelButton, 1);
}

} // namespace sondrel::app
