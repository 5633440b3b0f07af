// The application as a Linux desktop program: where its settings live, files
// named on its command line, the folder chooser's start, the name it shows, and
// a batch's progress on its task bar entry.

#include "app/Application.h"

#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QObject>
#include <QProcess>

#include "app/testing/AppDriver.h"
#include "runtime/system/testing/ScopedVariable.h"

namespace sondrel::app {
namespace {

namespace fs = std::filesystem;
using system::testing::ScopedVariable;
using testing::AppDriver;
using testing::Permissions;
using testing::ReadFile;
using testing::ScratchFolder;

core::Text T(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

// The user's own run: home, configuration and runtime folder from the
// environment, as `sondrel` started from a desktop has them.
class OwnHome : public ::testing::Test {
protected:
    // Starts and ends the application; the settings file it used.
    std::string runOnce() {
        Application application;
        EXPECT_TRUE(application.startUp());
        const std::string used = core::TextToUtf8(application.state().supportFolder) + "save.pref";
        application.shutDown();
        return used;
    }
    ScratchFolder home;
    ScratchFolder runtime;
    const ScopedVariable m_runtime{"XDG_RUNTIME_DIR", runtime.path().string()};
};

TEST_F(OwnHome, SettingsFollowHomeAndXdgConfigHome) {
    const ScopedVariable homeVariable("HOME", home.path().string());
    {
        const ScopedVariable unset("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(runOnce(), home.file(".config/Sondrel/save.pref"));
        EXPECT_NE(ReadFile(home.file(".config/Sondrel/save.pref")).find("[Saved Settings]"),
                  std::string::npos);
        EXPECT_EQ(Permissions(home.file(".config")), 0700);
        EXPECT_EQ(Permissions(home.file(".config/Sondrel")), 0700);
    }
    {
        // Not absolute: ignored, as the convention says.
        const ScopedVariable relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(runOnce(), home.file(".config/Sondrel/save.pref"));
    }
    ScratchFolder elsewhere;
    const std::string config = elsewhere.file("x/config");
    const ScopedVariable xdg("XDG_CONFIG_HOME", config);
    EXPECT_EQ(runOnce(), config + "/Sondrel/save.pref");
    EXPECT_TRUE(fs::exists(config + "/Sondrel/save.pref"));
    EXPECT_EQ(Permissions(elsewhere.file("x")), 0700);
    EXPECT_EQ(Permissions(config + "/Sondrel"), 0700);
}

// An earlier version kept its settings in the home's Library folder; the first
// run moves them into the configuration folder, unchanged, and uses them.
class MovedSettings : public AppDriver {
protected:
    void prepareHome() override {
        fs::create_directories(home.file("Library/Application Support/Sondrel"));
        std::ofstream(oldFile()) << kOld;
    }
    std::string oldFile() const {
        return home.file("Library/Application Support/Sondrel/save.pref");
    }
    static constexpr char kOld[] = "# kept by hand\n[Saved Settings]\nTransparent = 0\n"
                                   "Sticky = 0\nStrategy = 3\nBitrate = 6\nData = 0\n";
};

TEST_F(MovedSettings, TheOldFileIsMovedOnceAndApplied) {
    EXPECT_FALSE(fs::exists(oldFile()));
    EXPECT_EQ(ReadFile(supportFile("save.pref")), kOld);
    EXPECT_EQ(windowing::GetGadgetState(Ima4Option), 1);
    EXPECT_EQ(windowing::GetGadgetState(StrategyBox), 3);
    EXPECT_EQ(windowing::GetGadgetState(BitrateBox), 6);
    // From now on the new file is the one kept up to date.
    click(AacOption);
    EXPECT_NE(ReadFile(supportFile("save.pref")).find("Data = 1\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(oldFile()));
}

// Files named on the command line are a drop on the log: before an output
// folder is chosen, the message a drop gets, and nothing is queued.
class CommandLineItems : public AppDriver {
protected:
    void prepareHome() override {
        ASSERT_TRUE(testing::MakeTone(input.file("a.wav"), 0.2));
        answerOk();
    }
    ApplicationOptions options() override {
        ApplicationOptions options = AppDriver::options();
        options.items = {T(input.file("a.wav"))};
        return options;
    }
};

TEST_F(CommandLineItems, AreQueuedAsADropIs) {
    ASSERT_TRUE(pumpUntil([] { return !appkit::modalRecords().empty(); }));
    const auto shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, u"Output Folder!");
    EXPECT_EQ(shown[0].informative,
              u"Please select an output folder for the converted audio files.");
    EXPECT_EQ(logText(), u" \nDrag and drop audio file(s) here.");
    EXPECT_EQ(app->state().batchRunning, 0);
}

class FolderChooser : public AppDriver {
protected:
    void prepareHome() override {
        fs::create_directories(home.file(".config"));
        fs::create_directories(home.file("Bureau"));
        std::ofstream(home.file(".config/user-dirs.dirs")) << "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
    }
    static void answerFolder(const std::string& folder) {
        appkit::ModalAnswer answer;
        answer.action = appkit::ModalAnswer::Action::Accept;
        answer.paths = {T(folder)};
        appkit::answerNextModal(answer);
    }
};

// It opens at the desktop folder while no output folder is chosen, then at the
// output folder.
TEST_F(FolderChooser, OpensAtTheDesktopThenAtTheOutputFolder) {
    answerFolder(output.path().string());
    click(BrowseButton);
    answerFolder(input.path().string());
    click(BrowseButton);
    const auto shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].directory, T(home.file("Bureau")));
    EXPECT_EQ(shown[0].name, u"");
    EXPECT_EQ(shown[1].directory, T(output.path().string()));
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), input.folderText());

    // Cancelled twice, the output folder falls back to the desktop folder.
    answerCancel();
    answerOk();
    answerCancel();
    click(BrowseButton);
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), T(home.file("Bureau/")));
    EXPECT_EQ(appkit::modalRecords().at(2).directory, T(input.path().string()));
}

class WithoutDesktop : public AppDriver {};

TEST_F(WithoutDesktop, TheChooserOpensAtHome) {
    answerCancel();
    answerOk();
    answerCancel();
    click(BrowseButton);
    EXPECT_EQ(appkit::modalRecords().at(0).directory, T(home.path().string()));
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), home.folderText());
}

class ApplicationName : public AppDriver {};

// The application menu and the window system show "Sondrel", and the windows
// belong to the desktop entry example.quillfern.Sondrel.desktop.
TEST_F(ApplicationName, IsSondrel) {
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Sondrel"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("example.quillfern.Sondrel"));
    appkit::NSMenuObject* bar = appkit::NSApplicationObject::shared()->mainMenu();
    ASSERT_NE(bar, nullptr);
    appkit::NSMenuObject* menu = bar->itemAtIndex(0)->submenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->itemAtIndex(0)->title(), u"About Sondrel");
    EXPECT_EQ(menu->itemAtIndex(6)->title(), u"Hide Sondrel");
    EXPECT_EQ(menu->itemAtIndex(10)->title(), u"Quit Sondrel");
}

// What a desktop's task bar hears of the application's entry.
class EntryListener : public QObject {
    Q_OBJECT
public:
    struct Update {
        QString uri;
        double progress = 0;
        bool visible = false;
    };
    std::vector<Update> updates;
public slots:
    void take(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 2)
            return;
        const QVariantMap properties = qdbus_cast<QVariantMap>(arguments[1]);
        updates.push_back({arguments[0].toString(),
                           properties.value(QStringLiteral("progress")).toDouble(),
                           properties.value(QStringLiteral("progress-visible")).toBool()});
    }
};

// The session bus is a private one of the test's own, with a listener on it.
class TaskBarEntry : public AppDriver {
protected:
    void SetUp() override {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000))
            GTEST_SKIP() << "no private session bus (dbus-daemon)";
        const QString address = QString::fromLatin1(m_daemon.readLine().trimmed());
        m_address.emplace("DBUS_SESSION_BUS_ADDRESS", address.toStdString());
        AppDriver::SetUp();
        QDBusConnection desktop = QDBusConnection::connectToBus(address, kDesktop);
        ASSERT_TRUE(desktop.isConnected());
        // The program reaches its session bus once; a test before this one in
        // the same process may have reached another.
        const QDBusConnection session = QDBusConnection::sessionBus();
        if (!session.isConnected() ||
            !desktop.interface()->isServiceRegistered(session.baseService()).value())
            GTEST_SKIP() << "the program's session bus was reached before this test";
        ASSERT_TRUE(desktop.connect(QString(), QString(),
                                    QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                    QStringLiteral("Update"), &listener, SLOT(take(QDBusMessage))));
    }
    void TearDown() override {
        AppDriver::TearDown();
        QDBusConnection::disconnectFromBus(kDesktop);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    // Every update names the desktop entry; the parts shown never go back.
    void expectSteadyUpdates() const {
        double last = 0;
        for (const EntryListener::Update& update : listener.updates) {
            EXPECT_EQ(update.uri,
                      QStringLiteral("application://example.quillfern.Sondrel.desktop"));
            if (update.visible) {
                EXPECT_GE(update.progress, last);
                last = update.progress;
            }
        }
    }

    static inline const QString kDesktop = QStringLiteral("desktop");
    QProcess m_daemon;
    std::optional<ScopedVariable> m_address;
    EntryListener listener;
};

TEST_F(TaskBarEntry, ShowsABatchsProgressAndHidesItWhenTheBatchEndsOrIsCancelled) {
    chooseOutputFolder(output.path().string());
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("b.wav"), 0.2));
    ASSERT_TRUE(drop({input.file("a.wav"), input.file("b.wav")}));
    ASSERT_TRUE(waitForBatchEnd());
    ASSERT_TRUE(pumpUntil(
        [this] { return !listener.updates.empty() && !listener.updates.back().visible; }));
    EXPECT_TRUE(listener.updates.front().visible);
    expectSteadyUpdates();

    // A cancelled batch: shown while it runs, hidden once it is cancelled.
    listener.updates.clear();
    ASSERT_TRUE(testing::MakeTone(input.file("long.wav"), 120.0));
    ASSERT_TRUE(drop({input.file("long.wav"), input.file("a.wav")}));
    ASSERT_TRUE(pumpUntil(
        [this] { return !listener.updates.empty() && listener.updates.back().progress > 0; }));
    EXPECT_TRUE(listener.updates.back().visible);
    click(CancelButton);
    ASSERT_TRUE(waitForBatchEnd());
    ASSERT_TRUE(pumpUntil([this] { return !listener.updates.back().visible; }));
    expectSteadyUpdates();
}

} // namespace
} // namespace sondrel::app

#include "AppDesktop_test.moc"
