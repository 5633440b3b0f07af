#pragma once

// The Help window (the help document the program carries) and the About
// window (picture, name and version, credits). Both return at once; the
// windows live on until the event loop closes them on their close buttons.
// Opening one again while it is open makes it anew under its number.

#include "runtime/core/Text.h"

namespace sondrel::app {

inline constexpr char16_t kVersionText[] = u"Sondrel v1.1.0";
inline constexpr char16_t kCreditText[] = u"Created by: Quillfern";
inline constexpr char16_t kNoticeText[] = u"\u00a9 2026 Quillfern";

void OpenHelpWindow();
void OpenAboutWindow();

// The web address as the About window shows it: without its scheme and its
// final "/" ("https://quillfern.example/" shows as "quillfern.example").
core::Text ShownAddress(core::TextView address);

} // namespace sondrel::app
