#include "platform/appkit/TextEditWidget.h"

#include <QFocusEvent>
#include <QProcess>
#include <QTextDocument>
#include <QUrl>

#include "platform/appkit/NSTextView.h"

namespace sondrel::appkit {
namespace {

// Web pages open in the user's browser, as the platform's "open" would show them.
void openLink(const QUrl& url) {
    if (url.isValid() && !url.scheme().isEmpty())
        QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

// How often at most the text of a view is repainted while it keeps changing.
constexpr int kRepaintIntervalMs = 16;

} // namespace

TextEditWidget::TextEditWidget(NSTextViewObject* view) : m_view(view) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &openLink);
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(kRepaintIntervalMs);
    connect(&m_repaintTimer, &QTimer::timeout, this, [this] { repaintHeldChanges(); });
}

void TextEditWidget::showDocument(QTextDocument* document) {
    disconnect(m_contents);
    setDocument(document);
    m_contents = connect(document, &QTextDocument::contentsChange, this,
                         [this](int, int, int) { paceRepaints(); });
}

void TextEditWidget::detach() {
    m_view = nullptr;
    disconnect(m_contents);
    m_repaintTimer.stop();
    setUpdatesEnabled(true);
}

void TextEditWidget::paceRepaints() {
    if (!m_repaintTimer.isActive()) {
        m_repaintTimer.start();
        return;
    }
    m_held = true;
    setUpdatesEnabled(false);
}

void TextEditWidget::focusInEvent(QFocusEvent* event) {
    QTextBrowser::focusInEvent(event);
    if (m_view != nullptr)
        m_view->focusChanged(true);
}

void TextEditWidget::focusOutEvent(QFocusEvent* event) {
    QTextBrowser::focusOutEvent(event);
    if (m_view != nullptr && event->reason() != Qt::PopupFocusReason)
        m_view->focusChanged(false);
}

void TextEditWidget::repaintHeldChanges() {
    if (!m_held)
        return;
    m_held = false;
    setUpdatesEnabled(true);
    m_repaintTimer.start();
}

} // namespace sondrel::appkit
