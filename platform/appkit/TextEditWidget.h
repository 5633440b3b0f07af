#pragma once

// The widget of an NSTextView: a text browser that shows the storage's document, opens links in
// the user's browser, tells the view when it takes or loses the keyboard focus, and paces the
// repaints that the program's changes cause. Main thread only, as every widget.

#include <QMetaObject>
#include <QTextBrowser>
#include <QTimer>

class QTextDocument;

namespace sondrel::appkit {

class NSTextViewObject;

class TextEditWidget final : public QTextBrowser {
public:
    explicit TextEditWidget(NSTextViewObject* view);

    // Shows `document` and paces the repaints its changes cause.
    void showDocument(QTextDocument* document);
    // The view is going: nothing more is told to it, and what was held is painted.
    void detach();

    // Called before each change of the text or of the scroll position that the program makes. A
    // change after a quiet spell is painted at once; the changes that follow it within the
    // interval are held and painted together when it ends. A log that the batch worker changes
    // several times for every converted file would otherwise repaint its text and scroll bars for
    // every change, far more often than a screen shows; that painting was half the main thread's
    // work during a batch.
    void paceRepaints();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The end of an interval: what was held is painted (enabling updates repaints the view and
    // its scroll bars), and a new interval starts; an interval without changes ends the pacing.
    void repaintHeldChanges();

    NSTextViewObject* m_view; // the view owns this widget; null once it is gone
    QTimer m_repaintTimer;
    QMetaObject::Connection m_contents;
    bool m_held = false;
};

} // namespace sondrel::appkit
