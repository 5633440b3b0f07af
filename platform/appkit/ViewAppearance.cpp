#include "platform/appkit/ViewAppearance.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {
namespace {

const QString kHolderName = QStringLiteral("sondrelViewAppearance");

// Keeps native objects for a widget and releases them with it.
class Holder final : public QObject {
public:
    Retained<objc::Object> background;
    Retained<objc::Object> filters;
    NSUInteger collectionBehavior = 0;
    bool wantsLayer = false;
};

Holder* holderOf(const QWidget* widget, bool make) {
    if (widget == nullptr)
        return nullptr;
    if (QObject* found = widget->findChild<QObject*>(kHolderName, Qt::FindDirectChildrenOnly))
        return static_cast<Holder*>(found);
    if (!make)
        return nullptr;
    auto* holder = new Holder;
    holder->setObjectName(kHolderName);
    holder->setParent(const_cast<QWidget*>(widget));
    return holder;
}

void paintBackground(QWidget* widget, id color) {
    Holder* holder = holderOf(widget, true);
    if (holder == nullptr)
        return;
    holder->background = Retained<objc::Object>::retain(color);
    QPalette palette = widget->palette();
    auto* native = objc::liveCast<NSColorObject>(color);
    palette.setBrush(QPalette::Window, native != nullptr
                                           ? native->brush()
                                           : QApplication::palette(widget).brush(QPalette::Window));
    widget->setPalette(palette);
    widget->setAutoFillBackground(native != nullptr);
    widget->update();
}

QWidget* contentWidget(const NSWindowObject* window) {
    const NSViewObject* content = window != nullptr ? window->contentView() : nullptr;
    return content != nullptr ? content->widget() : nullptr;
}

} // namespace

void setWindowBackgroundColor(NSWindowObject* window, id color) {
    if (QWidget* content = contentWidget(window))
        paintBackground(content, color);
}

id windowBackgroundColor(const NSWindowObject* window) {
    const Holder* holder = holderOf(contentWidget(window), false);
    return holder != nullptr ? holder->background.get() : nullptr;
}

void setWindowCollectionBehavior(NSWindowObject* window, NSUInteger behavior) {
    QWidget* widget = window != nullptr ? window->widget() : nullptr;
    if (Holder* holder = holderOf(widget, true)) {
        holder->collectionBehavior = behavior;
        widget->setWindowFlag(Qt::WindowFullscreenButtonHint,
                              (behavior & NSWindowCollectionBehaviorFullScreenPrimary) != 0);
    }
}

NSUInteger windowCollectionBehavior(const NSWindowObject* window) {
    const Holder* holder = holderOf(window != nullptr ? window->widget() : nullptr, false);
    return holder != nullptr ? holder->collectionBehavior : 0;
}

void setViewBackgroundColor(NSViewObject* view, id color) {
    if (QWidget* widget = view != nullptr ? view->widget() : nullptr)
        paintBackground(widget, color);
}

void setViewWantsLayer(NSViewObject* view, bool flag) {
    if (Holder* holder = holderOf(view != nullptr ? view->widget() : nullptr, true))
        holder->wantsLayer = flag;
}

bool viewWantsLayer(const NSViewObject* view) {
    const Holder* holder = holderOf(view != nullptr ? view->widget() : nullptr, false);
    return holder != nullptr && holder->wantsLayer;
}

void setViewContentFilters(NSViewObject* view, id filters) {
    if (Holder* holder = holderOf(view != nullptr ? view->widget() : nullptr, true))
        holder->filters = Retained<objc::Object>::retain(filters);
}

id viewContentFilters(const NSViewObject* view) {
    const Holder* holder = holderOf(view != nullptr ? view->widget() : nullptr, false);
    return holder != nullptr ? holder->filters.get() : nullptr;
}

} // namespace sondrel::appkit
