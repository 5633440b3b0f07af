#include "platform/appkit/KeyWindowWidget.h"

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSWindow.h"

namespace sondrel::appkit {

QWidget* keyWindowWidget() {
    NSApplicationObject* app = NSApplicationObject::existing();
    NSWindowObject* key = app != nullptr ? app->keyWindow() : nullptr;
    return key != nullptr ? key->widget() : nullptr;
}

} // namespace sondrel::appkit
