#include "runtime/controls/Requesters.h"

#include <filesystem>
#include <fstream>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSWindow.h"
#include "runtime/controls/ControlsTesting.h"

namespace sondrel::controls {
namespace {

using appkit::ModalAnswer;

class RequestersTest : public testing::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        m_folder = std::filesystem::temp_directory_path() /
                   ("sondrel-requesters-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder / "Music");
        for (const char* name : {"a.wav", "b.aif", "c.mp3"})
            std::ofstream(m_folder / name) << "x";
        // Another window is key before each requester: it must be key again after.
        windowing::CreateWindow(1, 500, 40, 200, 100, u"Key", windowing::WindowCloseButton);
        windowing::WindowHandle(1)->makeKeyWindow();
        Pump(20);
    }
    void TearDown() override {
        std::filesystem::remove_all(m_folder);
        ControlsTest::TearDown();
    }

    // Queues the answer; while the dialog shows, the main window is made key (as a click on it
    // would), so each requester must give the key back itself.
    static void Answer(ModalAnswer::Action action, std::u16string button = {},
                       std::vector<std::u16string> paths = {}) {
        appkit::answerNextModal(ModalAnswer{action, std::move(button), std::move(paths),
                                            [] { windowing::WindowHandle(0)->makeKeyWindow(); }});
    }
    std::u16string Path(const char* name) const { return (m_folder / name).u16string(); }
    static bool KeyWindowKept() { return windowing::WindowHandle(1)->isKeyWindow(); }

    std::filesystem::path m_folder;
};

TEST_F(RequestersTest, MessageBoxAnswers) {
    Answer(ModalAnswer::Action::Press, u"OK");
    EXPECT_EQ(ShowMessage(u"Wait!", u"Sondrel is still converting audio file(s)."), AnswerNone);
    EXPECT_TRUE(KeyWindowKept());
    Answer(ModalAnswer::Action::Press, u"No");
    EXPECT_EQ(ShowMessage(u"Question", u"Yes or no?", MessageYesNo), AnswerNo);
    Answer(ModalAnswer::Action::Press, u"Yes");
    EXPECT_EQ(ShowMessage(u"Question", u"Yes or no?", MessageYesNo), AnswerYes);
    Answer(ModalAnswer::Action::Press, u"Cancel");
    EXPECT_EQ(ShowMessage(u"Question", u"Or cancel?", MessageYesNoCancel), AnswerCancel);
    Answer(ModalAnswer::Action::Cancel); // Escape: the "No" of a box without Cancel
    EXPECT_EQ(ShowMessage(u"Question", u"", 1 | 4), AnswerNo);
    Answer(ModalAnswer::Action::Press, u"Yes");
    EXPECT_EQ(ShowMessage(u"Question", u"", 3), AnswerYes);
    EXPECT_TRUE(KeyWindowKept());

    const std::vector<appkit::ModalRecord> shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0].message, u"Wait!");
    EXPECT_EQ(shown[0].informative, u"Sondrel is still converting audio file(s).");
    EXPECT_EQ(shown[0].buttons, (std::vector<std::u16string>{u"OK"}));
    EXPECT_EQ(shown[1].buttons, (std::vector<std::u16string>{u"Yes", u"No"}));
    EXPECT_EQ(shown[3].buttons, (std::vector<std::u16string>{u"Yes", u"No", u"Cancel"}));
    EXPECT_EQ(shown[5].buttons.size(), 3u) << "flags 3 offer Cancel too";
}

TEST_F(RequestersTest, ChooseFolder) {
    Answer(ModalAnswer::Action::Accept, {}, {Path("Music")});
    EXPECT_EQ(ChooseFolder(u"Select an output folder...", u""), Path("Music") + u"/");
    EXPECT_TRUE(KeyWindowKept());
    Answer(ModalAnswer::Action::Cancel);
    EXPECT_EQ(ChooseFolder(u"Select an output folder...", u""), u"");
    EXPECT_TRUE(KeyWindowKept());
    // A path ending in "/" opens in the parent, with the folder's name.
    Answer(ModalAnswer::Action::Cancel);
    ChooseFolder(u"Folder", Path("Music") + u"/");
    const appkit::ModalRecord shown = appkit::modalRecords().back();
    EXPECT_EQ(shown.kind, u"open");
    EXPECT_EQ(shown.title, u"Folder");
    EXPECT_EQ(shown.directory, m_folder.u16string());
    EXPECT_TRUE(shown.choosesDirectories);
    EXPECT_FALSE(shown.choosesFiles);
    // Asked to, it opens inside the folder named, whatever its ending, naming nothing.
    for (const std::u16string& inside : {Path("Music") + u"/", Path("Music")}) {
        Answer(ModalAnswer::Action::Cancel);
        ChooseFolder(u"Folder", inside, ChooseInsideInitialFolder);
        EXPECT_EQ(appkit::modalRecords().back().directory, Path("Music"));
        EXPECT_EQ(appkit::modalRecords().back().name, u"");
    }
    // A folder that is not there is refused, not chosen.
    Answer(ModalAnswer::Action::Accept, {}, {Path("missing")});
    EXPECT_EQ(ChooseFolder(u"Folder", u""), u"");
}

TEST_F(RequestersTest, OpenSeveralFilesAndSave) {
    Answer(ModalAnswer::Action::Accept, {}, {Path("a.wav"), Path("b.aif"), Path("c.mp3")});
    EXPECT_EQ(ChooseOpenFile(u"Open", Path("a.wav"), u"*.wav", 0, OpenSeveralFiles), Path("a.wav"));
    EXPECT_TRUE(appkit::modalRecords().back().multipleSelection);
    EXPECT_EQ(appkit::modalRecords().back().name, u"a.wav");
    EXPECT_EQ(NextChosenFile(), Path("b.aif"));
    EXPECT_EQ(NextChosenFile(), Path("c.mp3"));
    EXPECT_EQ(NextChosenFile(), u"");
    EXPECT_EQ(NextChosenFile(), u"");
    EXPECT_EQ(ChosenFilePattern(), 0);

    Answer(ModalAnswer::Action::Accept, {}, {Path("b.aif")});
    EXPECT_EQ(ChooseOpenFile(u"Open", u"", u"", 0), Path("b.aif"));
    EXPECT_EQ(NextChosenFile(), u"") << "a single choice keeps no list";
    Answer(ModalAnswer::Action::Accept, {}, {Path("not-there.wav")});
    EXPECT_EQ(ChooseOpenFile(u"Open", u"", u"", 0), u"");

    Answer(ModalAnswer::Action::Accept, {}, {Path("new.caf")});
    EXPECT_EQ(ChooseSaveFile(u"Save", Path("old.caf"), u"", 0), Path("new.caf"));
    EXPECT_EQ(appkit::modalRecords().back().kind, u"save");
    Answer(ModalAnswer::Action::Cancel);
    EXPECT_EQ(ChooseSaveFile(u"Save", u"", u"", 0), u"");
    EXPECT_TRUE(KeyWindowKept());
}

} // namespace
} // namespace sondrel::controls
