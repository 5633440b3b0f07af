#pragma once

// The fixed numbers the application gives its windows, gadgets, menu items
// and images, by role.

#include <cstdint>

namespace sondrel::app {

enum WindowNumber : std::int32_t {
    MainWindow = 0,
    HelpWindow = 1,
    AboutWindow = 2,
};

enum GadgetNumber : std::int32_t {
    StickyCheckBox = 0,
    BitrateFrame = 1,
    StrategyBox = 2,
    BitrateBox = 3,
    LogEditor = 4,
    OutputFrame = 5,
    OutputFolderField = 7,
    BrowseButton = 8,
    TransparentCheckBox = 9,
    AacOption = 10,
    Ima4Option = 11,
    CancelButton = 20,
    HelpEditor = 21,
    AboutPicture = 200,
    AboutTitleText = 201,
    AboutCreditText = 202,
    AboutAddressText = 203,
    AboutNoticeText = 204,
};

enum MenuItemNumber : std::int32_t {
    HelpItem = 1,
    WebsiteItem = 2,
    ForumItem = 3,
    ReviewItem = 4,
    AboutItem = -3,
    QuitItem = -1,
};

enum ImageNumber : std::int32_t {
    AboutImage = 1,
    DropPatternImage = 2,
};

// F1 without modifiers, bound to HelpItem.
inline constexpr std::int32_t kF1Key = 378;

// The change subtype of a gadget event: for the log editor, a request from
// the worker to scroll to the end.
inline constexpr std::uint64_t kChangeSubtype = 768;

} // namespace sondrel::app
