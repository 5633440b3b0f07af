#pragma once

// NSSearchField: a text field for a search string, with a clear button and a "Search"
// placeholder. It sends its action as the user types, or only when Return ends editing if it
// sends the whole search string at once.

#include "platform/appkit/NSTextField.h"

namespace sondrel::appkit {

class NSSearchFieldObject : public NSTextFieldObject {
public:
    explicit NSSearchFieldObject(Class cls);

    void setSendsWholeSearchString(bool flag) { m_sendsWhole = flag; }
    bool sendsWholeSearchString() const { return m_sendsWhole; }

    void userEdited() override;

private:
    bool m_sendsWhole = false;
};

} // namespace sondrel::appkit
