#include "platform/appkit/LauncherEntry.h"

#include <algorithm>
#include <memory>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QVariantMap>

#include "platform/appkit/ApplicationLaunch.h"
#include "platform/appkit/LauncherEntryBus.h"
#include "platform/appkit/MainThread.h"

namespace sondrel::appkit {
namespace {

const QString kInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");

// The session bus's entry, made on first use (on the main thread).
LauncherEntry& sessionEntry() {
    static LauncherEntry entry(QDBusConnection::sessionBus(),
                               QStringLiteral("application://") +
                                   QString::fromStdU16String(desktopEntryName()) +
                                   QStringLiteral(".desktop"));
    return entry;
}

} // namespace

LauncherEntry::LauncherEntry(QDBusConnection bus, QString appUri)
    : m_bus(std::move(bus)), m_appUri(std::move(appUri)),
      // Any path will do as long as it is the entry's own; a fixed hash of its name keeps
      // two programs apart.
      m_path(QStringLiteral("/com/canonical/unity/launcherentry/") +
             QString::number(qHash(m_appUri, 0))) {}

bool LauncherEntry::showProgress(double fraction) {
    return update(std::clamp(fraction, 0.0, 1.0), true);
}

bool LauncherEntry::hideProgress() {
    return update(0.0, false);
}

bool LauncherEntry::update(double fraction, bool visible) {
    if (!m_bus.isConnected())
        return false;
    QDBusMessage signal = QDBusMessage::createSignal(m_path, kInterface, QStringLiteral("Update"));
    signal << m_appUri
           << QVariantMap{{QStringLiteral("progress"), fraction},
                          {QStringLiteral("progress-visible"), visible}};
    return m_bus.send(signal);
}

void setLauncherProgress(double fraction) {
    performOnMainThread([fraction] { sessionEntry().showProgress(fraction); });
}

void clearLauncherProgress() {
    performOnMainThread([] { sessionEntry().hideProgress(); });
}

} // namespace sondrel::appkit
