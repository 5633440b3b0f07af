#pragma once

// Upper and lower case of texts by the full Unicode rules (so "ß" becomes "SS"), for the gadgets
// and formatters that keep their texts in one case.

#include <string>
#include <string_view>

namespace sondrel::appkit {

std::u16string upperCaseText(std::u16string_view text);
std::u16string lowerCaseText(std::u16string_view text);

} // namespace sondrel::appkit
