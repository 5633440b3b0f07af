#include "platform/appkit/TextCase.h"

#include "platform/appkit/QtStrings.h"

namespace sondrel::appkit {

std::u16string upperCaseText(std::u16string_view text) {
    return toQString(text).toUpper().toStdU16String();
}

std::u16string lowerCaseText(std::u16string_view text) {
    return toQString(text).toLower().toStdU16String();
}

} // namespace sondrel::appkit
