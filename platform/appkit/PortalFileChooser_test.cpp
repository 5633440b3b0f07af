// The open and save panels through the XDG desktop portal, against a portal of
// the test's own on a private session bus.

#include "platform/appkit/PortalFileChooser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFileDialog>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSSavePanel.h"
#include "platform/objc/AutoreleasePool.h"

namespace sondrel::appkit {
namespace {

namespace fs = std::filesystem;

const QString kFileChooser = QStringLiteral("org.freedesktop.portal.FileChooser");

// The portal's side: answers the version and every request at once, as a user
// would who picks `uris` (or cancels, or meets an error: `code`). It runs on a
// thread of its own, as a portal runs in a process of its own, since the panel
// waits for its answers without turning the main thread's event loop. The
// test reads and sets its fields only while no panel runs.
class FakePortal : public QDBusVirtualObject {
public:
    struct Call {
        QString method;
        QString title;
        QVariantMap options;
    };
    uint version = 4;
    uint code = 0;
    QStringList uris;
    std::vector<Call> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QStringLiteral("Get")) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(version))));
            return true;
        }
        if (message.interface() != kFileChooser || message.arguments().size() != 3)
            return false;
        const QList<QVariant> arguments = message.arguments();
        Call call{message.member(), arguments[1].toString(), qdbus_cast<QVariantMap>(arguments[2])};
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender +
                             QLatin1Char('/') +
                             call.options.value(QStringLiteral("handle_token")).toString();
        // Noted before the answer goes out: the test reads the calls as soon
        // as the panel has its answer, and noted after, it now and then found
        // none yet.
        calls.push_back(std::move(call));
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        QDBusMessage response = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << code << QVariantMap{{QStringLiteral("uris"), uris}};
        connection.send(response);
        return true;
    }
};

// A private session bus with the fake portal on it, one for the whole process:
// the panels ask the session bus, which Qt connects to once.
class PortalBus {
public:
    static PortalBus& get() {
        static PortalBus bus;
        return bus;
    }
    bool ready() const { return m_ready; }
    FakePortal& portal() { return m_portal; }

private:
    PortalBus() {
        NSApplicationObject::shared();
        std::string pattern = (fs::temp_directory_path() / "sondrel-portal-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        m_folder = pattern;
        std::ofstream(m_folder / "bus.conf")
            << "<busconfig><type>session</type><listen>unix:dir=" << m_folder.string()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") +
                            QString::fromStdString((m_folder / "bus.conf").string()),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000))
            return;
        const QByteArray address = m_daemon.readLine().trimmed();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.constData(), 1);
        QDBusConnection bus =
            QDBusConnection::connectToBus(QString::fromLatin1(address), QStringLiteral("portal"));
        m_portal.moveToThread(&m_thread);
        m_thread.start();
        m_ready =
            bus.isConnected() &&
            bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")) &&
            bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &m_portal);
    }
    ~PortalBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        m_thread.quit();
        m_thread.wait();
        m_daemon.kill();
        m_daemon.waitForFinished();
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }

    fs::path m_folder;
    QProcess m_daemon;
    QThread m_thread;
    FakePortal m_portal;
    bool m_ready = false;
};

class PortalFileChooser : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        clearModalAnswers();
        if (!PortalBus::get().ready())
            GTEST_SKIP() << "no private session bus (dbus-daemon) for the portal";
        m_portal.version = 4;
        m_portal.code = 0;
        m_portal.uris.clear();
        m_portal.calls.clear();
        std::string pattern = (fs::temp_directory_path() / "sondrel-chosen-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        fs::create_directory(m_folder / "Music");
    }
    void TearDown() override {
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }

    // Runs the panel; a Qt dialog shown instead of the portal's is cancelled and noted.
    NSInteger run(NSSavePanelObject& panel) {
        m_qtDialogShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                m_qtDialogShown = true;
                dialog->reject();
            }
        });
        watch.start(20);
        return panel.runModal();
    }
    static NSSavePanelObject& folderPanel(const fs::path& folder) {
        NSSavePanelObject& panel = *sharedOpenPanel();
        panel.canChooseFiles = false;
        panel.canChooseDirectories = true;
        panel.allowsMultipleSelection = false;
        panel.title = u"Select an output folder...";
        panel.directory = folder.u16string();
        panel.nameFieldValue.clear();
        return panel;
    }
    QString url(const std::string& name) const {
        return QStringLiteral("file://") + QString::fromStdString((m_folder / name).string());
    }

    objc::AutoreleasePool m_pool;
    FakePortal& m_portal = PortalBus::get().portal();
    fs::path m_folder;
    bool m_qtDialogShown = false;
};

TEST_F(PortalFileChooser, TheFolderChooserIsThePortalsAndOpensAtItsFolder) {
    m_portal.uris = {url("Music")};
    NSSavePanelObject& panel = folderPanel(m_folder);
    ASSERT_EQ(run(panel), NSModalResponseOK);
    EXPECT_FALSE(m_qtDialogShown);
    EXPECT_EQ(panel.filenames(), std::vector<std::u16string>{(m_folder / "Music").u16string()});
    ASSERT_EQ(m_portal.calls.size(), 1u);
    const FakePortal::Call& call = m_portal.calls[0];
    EXPECT_EQ(call.method, QStringLiteral("OpenFile"));
    EXPECT_EQ(call.title, QStringLiteral("Select an output folder..."));
    EXPECT_TRUE(call.options.value(QStringLiteral("directory")).toBool());
    EXPECT_TRUE(call.options.value(QStringLiteral("modal")).toBool());
    EXPECT_FALSE(call.options.value(QStringLiteral("multiple")).toBool());
    EXPECT_EQ(call.options.value(QStringLiteral("current_folder")).toByteArray(),
              QByteArray::fromStdString(m_folder.string()) + '\0');
    ASSERT_EQ(modalRecords().size(), 1u);
    EXPECT_EQ(modalRecords()[0].directory, m_folder.u16string());

    // Cancelled in the portal: cancelled, no other dialog instead.
    m_portal.code = 1;
    EXPECT_EQ(run(folderPanel(m_folder)), NSModalResponseCancel);
    EXPECT_FALSE(m_qtDialogShown);
    EXPECT_TRUE(sharedOpenPanel()->filenames().empty());
}

TEST_F(PortalFileChooser, SeveralFilesKeepEveryByteOfTheirNames) {
    m_portal.uris = {url("caf%FF.wav"), url("b.wav")};
    NSSavePanelObject& panel = *sharedOpenPanel();
    panel.canChooseFiles = true;
    panel.canChooseDirectories = false;
    panel.allowsMultipleSelection = true;
    panel.directory = m_folder.u16string();
    ASSERT_EQ(run(panel), NSModalResponseOK);
    EXPECT_EQ(panel.filenames(),
              (std::vector<std::u16string>{m_folder.u16string() + u"/caf\xDCFF.wav",
                                           (m_folder / "b.wav").u16string()}));
    ASSERT_EQ(m_portal.calls.size(), 1u);
    EXPECT_TRUE(m_portal.calls[0].options.value(QStringLiteral("multiple")).toBool());
    EXPECT_FALSE(m_portal.calls[0].options.contains(QStringLiteral("directory")));
}

// A portal that cannot open at a folder (before version 4) is not asked to
// open; saving it can do. A portal failing shows Qt's dialog instead.
TEST_F(PortalFileChooser, AnOldOrFailingPortalGivesWayToQtsDialog) {
    m_portal.version = 3;
    m_portal.uris = {url("Music/song.caf")};
    EXPECT_EQ(run(folderPanel(m_folder)), NSModalResponseCancel);
    EXPECT_TRUE(m_qtDialogShown);
    EXPECT_TRUE(m_portal.calls.empty());

    NSSavePanelObject& save = *sharedSavePanel();
    save.directory = (m_folder / "Music").u16string();
    save.nameFieldValue = u"song.caf";
    ASSERT_EQ(run(save), NSModalResponseOK);
    EXPECT_FALSE(m_qtDialogShown);
    EXPECT_EQ(save.filenames(),
              std::vector<std::u16string>{(m_folder / "Music/song.caf").u16string()});
    ASSERT_EQ(m_portal.calls.size(), 1u);
    EXPECT_EQ(m_portal.calls[0].method, QStringLiteral("SaveFile"));
    EXPECT_EQ(m_portal.calls[0].options.value(QStringLiteral("current_name")).toString(),
              QStringLiteral("song.caf"));

    m_portal.version = 4;
    m_portal.code = 2;
    EXPECT_EQ(run(folderPanel(m_folder)), NSModalResponseCancel);
    EXPECT_TRUE(m_qtDialogShown);
    EXPECT_EQ(m_portal.calls.size(), 2u);
}

// A panel the program answers itself is Qt's own, never the portal's.
TEST_F(PortalFileChooser, AnsweredPanelsAreQtsOwn) {
    m_portal.uris = {url("elsewhere")};
    answerNextModal({ModalAnswer::Action::Accept, {}, {(m_folder / "Music").u16string()}, {}});
    NSSavePanelObject& panel = folderPanel(m_folder);
    ASSERT_EQ(panel.runModal(), NSModalResponseOK);
    EXPECT_EQ(panel.filenames(), std::vector<std::u16string>{(m_folder / "Music").u16string()});
    EXPECT_TRUE(m_portal.calls.empty());
}

} // namespace
} // namespace sondrel::appkit
