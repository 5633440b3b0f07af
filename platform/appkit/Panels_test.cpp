// Open and save panels and alerts as the application uses them: answered from inside their modal
// loops (ModalAnswers), sitting on the key window, and handing key status back when they end.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QRect>

#include <gtest/gtest.h>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSAlert.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSSavePanel.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

namespace fs = std::filesystem;

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        clearModalAnswers();
        m_folder = fs::temp_directory_path() / ("sondrel-panels-" + std::to_string(::getpid()));
        fs::create_directories(m_folder / "Output");
        std::ofstream(m_folder / "song.wav") << "RIFF";
        m_window = MakeWindow(100);
        m_window->makeKeyAndOrderFront();
        Settle();
        ASSERT_TRUE(m_window->isKeyWindow());
    }
    void TearDown() override {
        m_window->close();
        clearModalAnswers();
        fs::remove_all(m_folder);
    }

    static Retained<NSWindowObject> MakeWindow(double x) {
        auto window = Retained<NSWindowObject>::adopt(
            static_cast<NSWindowObject*>(objc::createInstance(objc::lookUpClass("NSWindow"))));
        EXPECT_TRUE(window->initWithContentRect(NSRect{{x, 300}, {320, 200}}, 7));
        window->setReleasedWhenClosed(false);
        return window;
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    // Runs the main thread's events until `done` holds (at most 30 seconds).
    static void ProcessEventsUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < end)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    std::u16string Path(const char* name) const { return (m_folder / name).u16string(); }

    // What the dialog saw of the application while it showed.
    struct Seen {
        NSWindowObject* keyWindow = nullptr;
        QWidget* dialogParent = nullptr;
        bool dialogActive = false;
    };
    // An answer that first writes down what was seen from inside the modal loop.
    static ModalAnswer Answer(ModalAnswer::Action action, std::vector<std::u16string> paths,
                              Seen& seen, std::u16string button = {}) {
        return ModalAnswer{
            action, std::move(button), std::move(paths), [&seen] {
                QWidget* dialog = QApplication::activeModalWidget();
                // Qt activates the dialog: that must not move key status.
                ProcessEventsUntil([dialog] {
                    return dialog == nullptr || QApplication::activeWindow() == dialog;
                });
                seen.dialogActive = dialog != nullptr && QApplication::activeWindow() == dialog;
                seen.dialogParent = dialog != nullptr ? dialog->parentWidget() : nullptr;
                seen.keyWindow = NSApplicationObject::shared()->keyWindow();
            }};
    }
    // The dialog sat on the window that was key, took Qt's activation from it without taking
    // key status (a dialog is no window of the application's), and left it key.
    void ExpectKeyHandedBack(const Seen& seen) {
        EXPECT_EQ(seen.dialogParent, m_window->widget());
        EXPECT_TRUE(seen.dialogActive);
        EXPECT_EQ(seen.keyWindow, m_window.get());
        Settle();
        EXPECT_TRUE(m_window->isKeyWindow());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    fs::path m_folder;
    Retained<NSWindowObject> m_window;
};

TEST_F(PanelsTest, AnOpenPanelForFoldersGivesTheFolderAndHandsKeyStatusBack) {
    NSSavePanelObject* panel = sharedOpenPanel();
    ASSERT_EQ(objc::send<id>(objc::lookUpClass("NSOpenPanel"), "openPanel"_sel), panel);
    objc::send<void>(panel, "setCanChooseFiles:"_sel, NO);
    objc::send<void>(panel, "setCanChooseDirectories:"_sel, YES);
    objc::send<void>(panel, "setTitle:"_sel, objc::autoreleasedNativeString(u"Output Folder"));
    objc::send<void>(panel, "setDirectory:"_sel,
                     objc::autoreleasedNativeString(m_folder.u16string()));
    Seen seen;
    answerNextModal(Answer(ModalAnswer::Action::Accept, {Path("Output")}, seen));
    EXPECT_EQ(objc::send<NSInteger>(panel, "runModal"_sel), NSModalResponseOK);
    EXPECT_EQ(objc::nativeStringText(objc::send<id>(panel, "filename"_sel)), Path("Output"));
    ExpectKeyHandedBack(seen);
    const ModalRecord record = modalRecords().back();
    EXPECT_EQ(record.kind, u"open");
    EXPECT_EQ(record.title, u"Output Folder");
    EXPECT_EQ(record.directory, m_folder.u16string());
    EXPECT_TRUE(record.choosesDirectories);
    EXPECT_FALSE(record.choosesFiles);

    // A file is no answer to a folder panel: it cancels, and nothing is chosen.
    Seen refused;
    answerNextModal(Answer(ModalAnswer::Action::Accept, {Path("song.wav")}, refused));
    EXPECT_EQ(panel->runModal(), NSModalResponseCancel);
    EXPECT_EQ(objc::send<id>(panel, "filename"_sel), nullptr);
    EXPECT_TRUE(panel->filenames().empty());
    ExpectKeyHandedBack(refused);

    // The shared panel keeps its settings for the next run.
    EXPECT_EQ(objc::send<id>(objc::lookUpClass("NSOpenPanel"), "openPanel"_sel), panel);
    EXPECT_TRUE(panel->canChooseDirectories);
    EXPECT_FALSE(panel->canChooseFiles);
    objc::send<void>(panel, "setCanChooseFiles:"_sel, YES);
    objc::send<void>(panel, "setCanChooseDirectories:"_sel, NO);
}

TEST_F(PanelsTest, AnOpenPanelForFilesTakesSeveralWhenAllowed) {
    std::ofstream(m_folder / "other.aif") << "FORM";
    NSSavePanelObject* panel = sharedOpenPanel();
    objc::send<void>(panel, "setAllowsMultipleSelection:"_sel, YES);
    Seen seen;
    answerNextModal(
        Answer(ModalAnswer::Action::Accept, {Path("song.wav"), Path("other.aif")}, seen));
    ASSERT_EQ(objc::send<NSInteger>(panel, "runModalForDirectory:file:"_sel,
                                    objc::autoreleasedNativeString(m_folder.u16string()),
                                    static_cast<id>(nullptr)),
              NSModalResponseOK);
    EXPECT_EQ(panel->filenames(),
              (std::vector<std::u16string>{Path("song.wav"), Path("other.aif")}));
    EXPECT_TRUE(modalRecords().back().multipleSelection);
    ExpectKeyHandedBack(seen);
    objc::send<void>(panel, "setAllowsMultipleSelection:"_sel, NO);
}

TEST_F(PanelsTest, ASavePanelCancelledChoosesNothingAndHandsKeyStatusBack) {
    NSSavePanelObject* panel = sharedSavePanel();
    objc::send<void>(panel, "setNameFieldStringValue:"_sel,
                     objc::autoreleasedNativeString(u"a.caf"));
    objc::send<void>(panel, "setDirectory:"_sel,
                     objc::autoreleasedNativeString(m_folder.u16string()));
    Seen seen;
    answerNextModal(Answer(ModalAnswer::Action::Accept, {Path("new.caf")}, seen));
    ASSERT_EQ(panel->runModal(), NSModalResponseOK);
    EXPECT_EQ(panel->filenames(), (std::vector<std::u16string>{Path("new.caf")}));
    EXPECT_EQ(modalRecords().back().name, u"a.caf");
    ExpectKeyHandedBack(seen);

    Seen cancelled;
    answerNextModal(Answer(ModalAnswer::Action::Cancel, {}, cancelled));
    EXPECT_EQ(panel->runModal(), NSModalResponseCancel);
    EXPECT_TRUE(panel->filenames().empty()) << "the last run's choice does not linger";
    ExpectKeyHandedBack(cancelled);

    // Into a folder that is not there: refused rather than left waiting for a person.
    Seen missing;
    answerNextModal(Answer(ModalAnswer::Action::Accept, {Path("gone/x.caf")}, missing));
    EXPECT_EQ(panel->runModal(), NSModalResponseCancel);
    ExpectKeyHandedBack(missing);
}

TEST_F(PanelsTest, AnAlertSitsOnTheKeyWindowAndHandsKeyStatusBack) {
    auto alert = Retained<NSAlertObject>::adopt(
        static_cast<NSAlertObject*>(objc::createInstance(objc::lookUpClass("NSAlert"))));
    objc::send<void>(alert.get(), "setMessageText:"_sel, objc::autoreleasedNativeString(u"Wait!"));
    Seen seen;
    answerNextModal(Answer(ModalAnswer::Action::Press, {}, seen, u"OK"));
    EXPECT_EQ(alert->runModal(), NSAlertFirstButtonReturn);
    ExpectKeyHandedBack(seen);
    EXPECT_EQ(modalRecords().back().message, u"Wait!");
}

// A panel run from the worker's thread is carried to the main thread and answers there.
TEST_F(PanelsTest, APanelRunFromAnotherThreadRunsOnTheMainThread) {
    NSSavePanelObject* panel = sharedSavePanel();
    Seen seen;
    answerNextModal(Answer(ModalAnswer::Action::Accept, {Path("from-worker.caf")}, seen));
    NSInteger answer = -1;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        answer = objc::send<NSInteger>(panel, "runModal"_sel);
        done = true;
    });
    ProcessEventsUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(answer, NSModalResponseOK);
    EXPECT_EQ(panel->filenames(), (std::vector<std::u16string>{Path("from-worker.caf")}));
    ExpectKeyHandedBack(seen);
}

// An alert is drawn as the desktop's own warning boxes are: the message text as the title, the
// sentence as the body beside the warning icon, at the width Qt's standard message box gives the
// same sentence, so that it reads as a line or two instead of a narrow column. Checked on the
// picture of each kind of alert the program shows (a long and a short sentence, and a message
// without one).
TEST_F(PanelsTest, AlertsAreDrawnAsTheDesktopsWarningBoxes) {
    const std::u16string longSentence = u"You did not select an output folder! Please select an "
                                        u"output folder for the converted audio files.";
    const std::vector<std::pair<std::u16string, std::u16string>> alerts = {
        {u"Output Folder!", longSentence},
        {u"Wait!", u"Sondrel is still converting audio file(s)."},
        {u"Complete!", u""}};
    for (const auto& [message, informative] : alerts) {
        SCOPED_TRACE(QString::fromStdU16String(message).toStdString());
        auto alert = Retained<NSAlertObject>::adopt(
            static_cast<NSAlertObject*>(objc::createInstance("NSAlert"_class)));
        alert->setMessageText(message);
        alert->setInformativeText(informative);
        const QString body = QString::fromStdU16String(informative.empty() ? message : informative);
        QImage shot;
        QString title;
        bool warningIcon = false;
        int lines = 0;
        QSize standard;
        int standardLines = 0;
        QRect iconPlace;
        const auto linesOf = [](const QMessageBox& box) {
            const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            return label == nullptr
                       ? 0
                       : qRound(double(label->height()) / label->fontMetrics().lineSpacing());
        };
        ModalAnswer answer{ModalAnswer::Action::Press, u"OK", {}, {}};
        answer.whileShown = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shot = box->grab().toImage();
            title = box->windowTitle();
            warningIcon = box->icon() == QMessageBox::Warning && !box->iconPixmap().isNull();
            lines = linesOf(*box);
            const auto* icon = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
            if (icon != nullptr && icon->isVisible())
                iconPlace = icon->geometry();
            QMessageBox reference(QMessageBox::Warning, title, body, QMessageBox::Ok,
                                  box->parentWidget());
            reference.show();
            standard = reference.size();
            standardLines = linesOf(reference);
            reference.hide();
        };
        answerNextModal(answer);
        EXPECT_EQ(alert->runModal(), NSAlertFirstButtonReturn);
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(title, QString::fromStdU16String(message));
        EXPECT_TRUE(warningIcon);
        EXPECT_EQ(shot.size(), standard);
        EXPECT_EQ(lines, standardLines);
        EXPECT_LE(lines, 2) << shot.width() << " pixels wide";
        // The icon is in the picture: its place is not one flat colour.
        ASSERT_FALSE(iconPlace.isEmpty());
        const QImage icon = shot.copy(iconPlace).convertToFormat(QImage::Format_RGB32);
        std::set<QRgb> colours;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x)
                colours.insert(icon.pixel(x, y));
        }
        EXPECT_GT(colours.size(), 2u);
    }
}

} // namespace
} // namespace sondrel::appkit
