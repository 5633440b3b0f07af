// The task bar entry's progress as a desktop sees it: the Update signals on a
// private session bus of the test's own, heard by a second connection.

#include "platform/appkit/LauncherEntryBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusArgument>
#include <QObject>
#include <QProcess>
#include <QVariantMap>

#include "platform/appkit/NSApplication.h"

namespace sondrel::appkit {
namespace {

const QString kInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");
const QString kUri = QStringLiteral("application://example.quillfern.Sondrel.desktop");

// What a desktop's task bar hears.
class Listener : public QObject {
    Q_OBJECT
public:
    std::vector<QDBusMessage> updates;
public slots:
    void take(const QDBusMessage& message) { updates.push_back(message); }
};

class LauncherEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000))
            GTEST_SKIP() << "no private session bus (dbus-daemon)";
        m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
        QDBusConnection desktop = QDBusConnection::connectToBus(m_address, kDesktop);
        ASSERT_TRUE(desktop.isConnected());
        ASSERT_TRUE(desktop.connect(QString(), QString(), kInterface, QStringLiteral("Update"),
                                    &m_listener, SLOT(take(QDBusMessage))));
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(kDesktop);
        QDBusConnection::disconnectFromBus(kProgram);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QDBusConnection programBus() { return QDBusConnection::connectToBus(m_address, kProgram); }
    bool waitForUpdates(std::size_t count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_listener.updates.size() < count && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return m_listener.updates.size() >= count;
    }

    static inline const QString kDesktop = QStringLiteral("desktop");
    static inline const QString kProgram = QStringLiteral("program");
    QProcess m_daemon;
    QString m_address;
    Listener m_listener;
};

TEST_F(LauncherEntryTest, ProgressIsShownThenHiddenOnTheEntryOfTheDesktopFile) {
    LauncherEntry entry(programBus(), kUri);
    EXPECT_TRUE(
        entry.objectPath().startsWith(QStringLiteral("/com/canonical/unity/launcherentry/")));
    ASSERT_TRUE(entry.showProgress(0.25));
    ASSERT_TRUE(entry.showProgress(1.5)); // never more than the whole
    ASSERT_TRUE(entry.hideProgress());
    ASSERT_TRUE(waitForUpdates(3));
    ASSERT_EQ(m_listener.updates.size(), 3u);

    const std::vector<std::pair<double, bool>> expected{{0.25, true}, {1.0, true}, {0.0, false}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QDBusMessage& update = m_listener.updates[i];
        EXPECT_EQ(update.path(), entry.objectPath());
        EXPECT_EQ(update.signature(), QStringLiteral("sa{sv}"));
        ASSERT_EQ(update.arguments().size(), 2);
        EXPECT_EQ(update.arguments()[0].toString(), kUri);
        const QVariantMap properties = qdbus_cast<QVariantMap>(update.arguments()[1]);
        EXPECT_EQ(properties.value(QStringLiteral("progress")).toDouble(), expected[i].first);
        EXPECT_EQ(properties.value(QStringLiteral("progress-visible")).toBool(),
                  expected[i].second);
        EXPECT_EQ(properties.size(), 2);
    }
}

TEST_F(LauncherEntryTest, WithoutABusNothingIsSent) {
    LauncherEntry entry(QDBusConnection(QStringLiteral("never connected")), kUri);
    EXPECT_FALSE(entry.showProgress(0.5));
    EXPECT_FALSE(entry.hideProgress());
}

} // namespace
} // namespace sondrel::appkit

#include "LauncherEntry_test.moc"
