#pragma once

// The launcher entry's signals on a given bus (see LauncherEntry.h, whose functions use the
// session bus's). Each Update carries the entry's desktop-entry URI and the two properties this
// program sets: "progress" (a double, 0 to 1) and "progress-visible" (a boolean).

#include <QDBusConnection>
#include <QString>

namespace sondrel::appkit {

// One entry on one bus: the session bus for the program, a private one in tests.
class LauncherEntry {
public:
    // `appUri` names the desktop entry: "application://NAME.desktop".
    LauncherEntry(QDBusConnection bus, QString appUri);

    // The object path the signals come from, made from the entry's name.
    QString objectPath() const { return m_path; }

    // False when the signal could not be sent (no bus).
    bool showProgress(double fraction);
    bool hideProgress();

private:
    bool update(double fraction, bool visible);

    QDBusConnection m_bus;
    QString m_appUri;
    QString m_path;
};

} // namespace sondrel::appkit
