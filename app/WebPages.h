#pragma once

// The maker's pages the program links to, all in one place. The site is a
// placeholder under a reserved example domain until the real one exists.

namespace sondrel::app {

// The address shown in the About window (as text) and opened by the
// "Quillfern Website" menu item.
inline constexpr char16_t kWebsiteAddress[] = u"https://quillfern.example/";
// The support forum page: the "Support Forum" menu item, and the link at the
// end of the help document (a test keeps the two equal).
inline constexpr char16_t kForumAddress[] = u"https://quillfern.example/forum/";
// The store review page: the "Mac App Store Review" menu item.
inline constexpr char16_t kReviewAddress[] = u"https://quillfern.example/sondrel/review";

// The program that shows a web address in the user's default browser.
inline constexpr char16_t kWebOpener[] = u"xdg-open";

} // namespace sondrel::app
