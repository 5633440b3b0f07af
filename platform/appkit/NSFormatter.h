#pragma once

// NSFormatter: turns values into texts and checks texts while the user edits them. Subclasses
// (made in the object runtime) override isPartialStringValid:newEditingString:errorDescription:;
// the base accepts every text. Text fields ask their formatter through partialStringVerdict.

#include <string>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

enum class PartialVerdict {
    Accept,  // the text as typed
    Replace, // the formatter's replacement text instead
    Refuse,  // the edit is undone
};

// Asks `formatter` (isPartialStringValid:newEditingString:errorDescription:) about `partial`;
// `replacement` receives the formatter's text for Replace. Anything that is not a formatter
// accepts.
PartialVerdict partialStringVerdict(id formatter, const std::u16string& partial,
                                    std::u16string& replacement);

} // namespace sondrel::appkit
