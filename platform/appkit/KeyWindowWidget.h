#pragma once

// The widget of the application's key window: the window a modal dialog (an alert, a file
// panel) is shown over. Null when there is no application object or no key window. Main thread.

class QWidget;

namespace sondrel::appkit {

QWidget* keyWindowWidget();

} // namespace sondrel::appkit
