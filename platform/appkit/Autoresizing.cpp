#include "platform/appkit/Autoresizing.h"

#include <QEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QWidget>

#include "platform/appkit/NSView.h"

namespace sondrel::appkit {
namespace {

const char* const kMaskProperty = "sondrelAutoresizingMask";
const QString kWatchName = QStringLiteral("sondrelSuperviewWatch");

// Shares `delta` between the flexible parts of one dimension: the margin before the view, the
// view itself and the margin after it.
void share(double delta, bool before, bool size, bool after, double beforeLength, double sizeLength,
           double afterLength, double& origin, double& length) {
    const double weights[3] = {before ? std::max(beforeLength, 0.0) : 0.0,
                               size ? std::max(sizeLength, 0.0) : 0.0,
                               after ? std::max(afterLength, 0.0) : 0.0};
    const int flexible = int(before) + int(size) + int(after);
    if (flexible == 0)
        return;
    double total = weights[0] + weights[1] + weights[2];
    auto part = [&](int index, bool flag) {
        if (!flag)
            return 0.0;
        return total > 0 ? delta * weights[index] / total : delta / flexible;
    };
    origin += part(0, before);
    length = std::max(0.0, length + part(1, size));
}

// Watches the superview's widget of one view.
class SuperviewWatch final : public QObject {
public:
    SuperviewWatch(NSViewObject* view, QWidget* widget) : m_view(view), m_widget(widget) {
        widget->installEventFilter(this);
        attach();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::ParentChange) {
            attach();
        } else if (watched == m_parent && event->type() == QEvent::Resize && viewAlive()) {
            const auto* resize = static_cast<QResizeEvent*>(event);
            const NSUInteger mask = m_widget->property(kMaskProperty).toULongLong();
            if (mask != 0 && resize->oldSize().isValid()) {
                const NSSize before{double(resize->oldSize().width()),
                                    double(resize->oldSize().height())};
                const NSSize after{double(resize->size().width()), double(resize->size().height())};
                m_view->setFrame(autoresizedFrame(m_view->frame(), mask, before, after));
            }
        }
        return false;
    }

private:
    // The view clears its widgets' view property when it goes; its widget may outlive it briefly.
    bool viewAlive() const { return m_widget && m_widget->property("sondrelView").isValid(); }

    void attach() {
        if (m_parent)
            m_parent->removeEventFilter(this);
        m_parent = m_widget ? m_widget->parentWidget() : nullptr;
        if (m_parent)
            m_parent->installEventFilter(this);
    }

    NSViewObject* m_view; // the watch is a child of the view's widget, which the view owns
    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_parent;
};

} // namespace

NSRect autoresizedFrame(NSRect frame, NSUInteger mask, NSSize oldSize, NSSize newSize) {
    share(newSize.width - oldSize.width, mask & NSViewMinXMargin, mask & NSViewWidthSizable,
          mask & NSViewMaxXMargin, frame.origin.x, frame.size.width,
          oldSize.width - frame.origin.x - frame.size.width, frame.origin.x, frame.size.width);
    share(newSize.height - oldSize.height, mask & NSViewMinYMargin, mask & NSViewHeightSizable,
          mask & NSViewMaxYMargin, frame.origin.y, frame.size.height,
          oldSize.height - frame.origin.y - frame.size.height, frame.origin.y, frame.size.height);
    return frame;
}

void setAutoresizingMask(NSViewObject* view, NSUInteger mask) {
    QWidget* widget = view != nullptr ? view->widget() : nullptr;
    if (widget == nullptr)
        return;
    widget->setProperty(kMaskProperty, QVariant::fromValue<qulonglong>(mask));
    if (mask != 0 &&
        widget->findChild<QObject*>(kWatchName, Qt::FindDirectChildrenOnly) == nullptr) {
        auto* watch = new SuperviewWatch(view, widget);
        watch->setObjectName(kWatchName);
        watch->setParent(widget); // deleted with the widget
    }
}

NSUInteger autoresizingMask(const NSViewObject* view) {
    const QWidget* widget = view != nullptr ? view->widget() : nullptr;
    return widget != nullptr ? widget->property(kMaskProperty).toULongLong() : 0;
}

} // namespace sondrel::appkit
