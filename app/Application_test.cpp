// End to end: the real application, in-process on the offscreen platform,
// with the real converter on audio made by sox.

#include "app/Application.h"

#include <fstream>
#include <map>

#include <sys/stat.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <sstream>

#include "app/InfoWindows.h"
#include "app/LogTexts.h"
#include "app/WebPages.h"
#include "resources/EmbeddedResource.h"
#include "app/testing/AppDriver.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/system/PreferenceFile.h"

namespace sondrel::app {
namespace {

using testing::AppDriver;
using testing::FolderNames;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

core::Text T(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

const core::Text kBullet = u" \u2022 Converting (";

class ApplicationTest : public AppDriver {
protected:
    static core::Text title() { return windowing::WindowHandle(MainWindow)->title(); }
    // The percentage the title shows while a batch runs; -1 without one.
    static int titlePercent() {
        constexpr core::TextView kStart = u"Sondrel \u2014 ";
        const core::Text text = title();
        if (!text.starts_with(kStart)) {
            return -1;
        }
        int percent = 0;
        for (std::size_t i = kStart.size(); i < text.size() && text[i] != u'%'; ++i) {
            percent = percent * 10 + (text[i] - u'0');
        }
        return percent;
    }
};

TEST_F(ApplicationTest, StartUpStoresTheDefaultsAndShowsThePrompt) {
    const std::string settings = ReadFile(supportFile("save.pref"));
    EXPECT_NE(settings.find("[Saved Settings]\nTransparent = 0\nSticky = 0\nStrategy = 1\n"
                            "Bitrate = 4\nData = 1\n"),
              std::string::npos)
        << settings;
    EXPECT_EQ(settings.find("Jobs"), std::string::npos); // read, never written
    EXPECT_EQ(logText(), u" \nDrag and drop audio file(s) here.");
    EXPECT_EQ(windowing::GetGadgetState(StrategyBox), 1);
    EXPECT_EQ(controls::GetGadgetText(BitrateBox), u"128 kbps");
    EXPECT_EQ(windowing::GetGadgetState(AacOption), 1);
    EXPECT_EQ(windowing::GetGadgetState(Ima4Option), 0);
    EXPECT_EQ(windowing::GetGadgetState(StickyCheckBox), 0);
    EXPECT_TRUE(enabled(StrategyBox));
    EXPECT_TRUE(hidden(CancelButton));
    EXPECT_FALSE(hidden(BrowseButton));
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), u"");
    EXPECT_EQ(windowing::WindowHandle(MainWindow)->title(), u"Sondrel");
    EXPECT_DOUBLE_EQ(windowing::WindowHandle(MainWindow)->alphaValue(), 1.0);

    appkit::NSWindowObject* window = windowing::WindowHandle(MainWindow);
    EXPECT_TRUE(window->isStandardButtonHidden(appkit::NSWindowZoomButton));
    EXPECT_FALSE(window->isStandardButtonHidden(appkit::NSWindowMiniaturizeButton));

    // Neither the log nor the output folder can be typed into.
    QTest::keyClicks(widgetOf(LogEditor), "typed");
    QTest::keyClicks(widgetOf(OutputFolderField), "/typed/");
    pump();
    EXPECT_EQ(logText(), u" \nDrag and drop audio file(s) here.");
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), u"");
}

// The width the gadget's text needs, with a check box's or option's indicator
// or a button's margins; 0 for gadgets without a fixed text.
int TextWidth(const QWidget* placed) {
    std::vector<const QWidget*> widgets{placed};
    for (const QWidget* child : placed->findChildren<QWidget*>()) {
        widgets.push_back(child);
    }
    for (const QWidget* widget : widgets) {
        const QStyle* style = widget->style();
        const QFontMetrics metrics(widget->font());
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            return metrics.horizontalAdvance(label->text());
        }
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            const int text = metrics.horizontalAdvance(button->text());
            if (qobject_cast<const QCheckBox*>(widget) ||
                qobject_cast<const QRadioButton*>(widget)) {
                return text + style->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            }
            return text + 2 * style->pixelMetric(QStyle::PM_ButtonMargin);
        }
    }
    return 0;
}

// Where a gadget lies in its window's content area.
QRect Placed(core::ObjectNumber window, core::ObjectNumber gadget) {
    const QWidget* content = windowing::WindowHandle(window)->contentView()->widget();
    const windowing::RT_GadgetStructure* record = controls::FindGadget(gadget);
    EXPECT_NE(record, nullptr) << "gadget " << gadget;
    if (record == nullptr) {
        return {};
    }
    const QWidget* placed = record->container->widget();
    return QRect(placed->mapTo(content, QPoint(0, 0)), placed->size());
}

// What a user of a window needs of its layout: every gadget shown lies whole
// inside the window with its text uncut, and no two of them overlap, except a
// frame and the gadgets it holds, which lie wholly inside it.
void ExpectReadableLayout(core::ObjectNumber window, const std::vector<core::ObjectNumber>& gadgets,
                          const std::map<core::ObjectNumber, core::ObjectNumber>& frameOf = {}) {
    const QWidget* content = windowing::WindowHandle(window)->contentView()->widget();
    std::vector<std::pair<core::ObjectNumber, QRect>> shown;
    for (const core::ObjectNumber gadget : gadgets) {
        SCOPED_TRACE("gadget " + std::to_string(gadget));
        const QWidget* placed = controls::FindGadget(gadget)->container->widget();
        if (!placed->isVisibleTo(content)) {
            continue;
        }
        const QRect rect = Placed(window, gadget);
        EXPECT_TRUE(content->rect().contains(rect));
        EXPECT_LE(TextWidth(placed), rect.width()) << "its text is cut off";
        shown.emplace_back(gadget, rect);
    }
    for (const auto& [gadget, frame] : frameOf) {
        EXPECT_TRUE(Placed(window, frame).contains(Placed(window, gadget)))
            << "gadget " << gadget << " outside frame " << frame;
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const auto [a, first] = shown[i];
            const auto [b, second] = shown[j];
            const bool framed = (frameOf.contains(a) && frameOf.at(a) == b) ||
                                (frameOf.contains(b) && frameOf.at(b) == a);
            EXPECT_TRUE(framed || !first.intersects(second)) << "gadgets " << a << " and " << b;
        }
    }
}

TEST_F(ApplicationTest, EveryWindowIsLaidOutToBeRead) {
    ExpectReadableLayout(MainWindow,
                         {StickyCheckBox, TransparentCheckBox, BitrateFrame, StrategyBox,
                          BitrateBox, AacOption, Ima4Option, LogEditor, OutputFrame,
                          OutputFolderField, BrowseButton, CancelButton},
                         {{StrategyBox, BitrateFrame},
                          {BitrateBox, BitrateFrame},
                          {AacOption, BitrateFrame},
                          {Ima4Option, BitrateFrame},
                          {OutputFolderField, OutputFrame},
                          {BrowseButton, OutputFrame}});
    // Top to bottom: the check boxes, the format, the log, the output folder.
    const QRect log = Placed(MainWindow, LogEditor);
    EXPECT_LE(Placed(MainWindow, StickyCheckBox).bottom(), Placed(MainWindow, BitrateFrame).top());
    EXPECT_LT(Placed(MainWindow, BitrateFrame).bottom(), log.top());
    EXPECT_LT(log.bottom(), Placed(MainWindow, OutputFrame).top());
    // The format reads left to right: strategy, bitrate, then the two formats.
    EXPECT_LT(Placed(MainWindow, StrategyBox).right(), Placed(MainWindow, BitrateBox).left());
    EXPECT_LT(Placed(MainWindow, BitrateBox).right(), Placed(MainWindow, AacOption).left());
    EXPECT_LT(Placed(MainWindow, AacOption).right(), Placed(MainWindow, Ima4Option).left());

    chooseMenuItem(AboutItem);
    const std::vector<core::ObjectNumber> texts{AboutTitleText, AboutCreditText, AboutAddressText,
                                                AboutNoticeText};
    std::vector<core::ObjectNumber> about{AboutPicture};
    about.insert(about.end(), texts.begin(), texts.end());
    ExpectReadableLayout(AboutWindow, about);
    // The picture on the left, the texts beside it from the title down.
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_LT(Placed(AboutWindow, AboutPicture).right(), Placed(AboutWindow, texts[i]).left());
        if (i > 0) {
            EXPECT_LT(Placed(AboutWindow, texts[i - 1]).bottom(),
                      Placed(AboutWindow, texts[i]).top());
        }
    }

    chooseMenuItem(HelpItem);
    ExpectReadableLayout(HelpWindow, {HelpEditor});
    // The document fills its window but for a margin on every side.
    const QRect content = windowing::WindowHandle(HelpWindow)->contentView()->widget()->rect();
    EXPECT_TRUE(content.adjusted(4, 4, -4, -4).contains(Placed(HelpWindow, HelpEditor)));
    EXPECT_GT(Placed(HelpWindow, HelpEditor).width(), content.width() * 9 / 10);
}

TEST_F(ApplicationTest, ADropBeforeAFolderIsChosenAsksForOne) {
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav"), 0.2));
    answerOk();
    EXPECT_TRUE(drop({input.file("a.wav")}));
    const auto shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, u"Output Folder!");
    EXPECT_EQ(shown[0].informative,
              u"Please select an output folder for the converted audio files.");
    EXPECT_EQ(logText(), u" \nDrag and drop audio file(s) here.");
    EXPECT_EQ(app->state().batchRunning, 0);
}

std::uint64_t LogAlignment(const Application& app) {
    return controls::SendObjectMessage(nullptr, app.logViews().logView, "alignment");
}

TEST_F(ApplicationTest, BatchesOfFilesAndFoldersConvertAndAreLogged) {
    EXPECT_EQ(LogAlignment(*app), 2u); // the prompt is centred on the picture
    EXPECT_NE(controls::ImageHandle(DropPatternImage), nullptr);
    chooseOutputFolder(output.path().string());
    ASSERT_EQ(controls::GetGadgetText(OutputFolderField), output.folderText());

    ASSERT_TRUE(testing::MakeTone(input.file("one.wav"), 0.3));
    ASSERT_TRUE(testing::MakeTone(input.file("two.aif"), 0.3, 22050, 1));
    std::filesystem::create_directory(input.file("album"));
    std::filesystem::create_directory(input.file("album/extras"));
    ASSERT_TRUE(testing::MakeTone(input.file("album/b.wav"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("album/a.mp3"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("album/extras/skip.wav"), 0.2));
    std::ofstream(input.file("album/.DS_Store")) << "finder";

    EXPECT_EQ(title(), u"Sondrel");
    ASSERT_TRUE(drop({input.file("one.wav"), input.file("two.aif"), input.file("album")}));
    ASSERT_TRUE(waitForBatchEnd());
    EXPECT_EQ(title(), u"Sondrel"); // the batch's progress is gone with it
    const std::string in = input.path().string() + "/";
    const core::Text first =
        T("Directory - \"" + in + "\"\n" + "Directory - \"" + in + "album/\"\n") + kBullet +
        u"1/4) \"one.wav\" - Done!\n" + kBullet + u"2/4) \"two.aif\" - Done!\n" + kBullet +
        u"3/4) \"a.mp3\" - Done!\n" + kBullet + u"4/4) \"b.wav\" - Done!\n" + u"Complete!\n";
    EXPECT_EQ(logText(), first) << logUtf8();
    EXPECT_EQ(FolderNames(output.path()),
              (std::vector<std::string>{"a.caf", "b.caf", "one.caf", "two.caf"}));
    EXPECT_TRUE(testing::DecodesAs(output.file("one.caf"), "aac", 2));
    EXPECT_TRUE(testing::DecodesAs(output.file("two.caf"), "aac", 1));
    EXPECT_TRUE(testing::DecodesAs(output.file("a.caf"), "aac", 2));
    // Prompt, centring and picture are gone; the controls are back.
    EXPECT_EQ(LogAlignment(*app), 0u);
    EXPECT_EQ(controls::ImageHandle(DropPatternImage), nullptr);
    EXPECT_TRUE(enabled(StrategyBox));
    EXPECT_FALSE(hidden(BrowseButton));
    EXPECT_TRUE(hidden(CancelButton));

    // A second batch, in IMA4, with a file that fails: one empty line between batches.
    click(Ima4Option);
    EXPECT_FALSE(enabled(StrategyBox));
    std::ofstream(input.file("broken.wav")) << "RIFF but not really";
    ASSERT_TRUE(drop({input.file("broken.wav"), input.file("album/b.wav")}));
    ASSERT_TRUE(waitForBatchEnd());
    const core::Text second =
        T("\nDirectory - \"" + in + "\"\nDirectory - \"" + in + "album/\"\n") + kBullet +
        u"1/2) \"broken.wav\" - Error!\n" + u"   Unable to convert. File skipped.\n" + kBullet +
        u"2/2) \"b.wav\" - Done!\n" + u"Complete!\n";
    EXPECT_EQ(logText(), first + second) << logUtf8();
    EXPECT_TRUE(testing::DecodesAs(output.file("b.caf"), "adpcm_ima_qt", 1));
    EXPECT_FALSE(enabled(StrategyBox)); // IMA4 keeps them disabled after the batch
    EXPECT_TRUE(enabled(AacOption));
}

TEST_F(ApplicationTest, AnyFileNameConvertsAndTheLogFollowsItsEnd) {
    chooseOutputFolder(output.path().string());
    const std::string odd = "say \"hi\"\n-x.wav";
    ASSERT_TRUE(testing::MakeTone(input.file(odd), 0.2));
    std::vector<std::string> files{input.file(odd)};
    for (int i = 0; i < 30; ++i) { // enough lines to scroll
        files.push_back(input.file("note" + std::to_string(i) + ".txt"));
        std::ofstream(files.back()) << "text";
    }
    ASSERT_TRUE(drop(files));
    ASSERT_TRUE(waitForBatchEnd());
    EXPECT_NE(core::FindText(logText(), u"(1/31) \"say \"hi\"?-x.wav\" - Done!\n"), 0) << logUtf8();
    EXPECT_TRUE(testing::DecodesAs(output.file("say \"hi\"\n-x.caf"), "aac", 2));
    EXPECT_EQ(FolderNames(output.path()), std::vector<std::string>{"say \"hi\"\n-x.caf"});

    const QWidget* placed = controls::FindGadget(LogEditor)->container->widget();
    const auto* area = qobject_cast<const QAbstractScrollArea*>(placed);
    if (area == nullptr) {
        area = placed->findChild<const QAbstractScrollArea*>();
    }
    ASSERT_NE(area, nullptr);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum());
}

TEST_F(ApplicationTest, CancelStopsTheBatchAndLeavesNoPartialFile) {
    chooseOutputFolder(output.path().string());
    std::vector<std::string> files;
    for (int i = 1; i <= 5; ++i) {
        files.push_back(input.file(std::to_string(i) + ".wav"));
        ASSERT_TRUE(testing::MakeTone(files.back(), i == 3 ? 120.0 : 0.2));
    }
    ASSERT_TRUE(drop(files));
    ASSERT_TRUE(pumpUntil([] { return core::FindText(logText(), u"(3/5)") != 0; }));
    // Two or more files: the Cancel button stands in for the output-folder row.
    EXPECT_FALSE(hidden(CancelButton));
    EXPECT_TRUE(hidden(OutputFolderField));
    EXPECT_FALSE(enabled(AacOption));
    ASSERT_TRUE(pumpUntil([this] { return testing::WritingInto(output.path()); }));
    // The title counts files 1 and 2, and then file 3's part converted (or
    // files converted meanwhile on another core).
    ASSERT_TRUE(pumpUntil([] { return titlePercent() > 40; })) << core::TextToUtf8(title());
    click(CancelButton); // while the converter of file 3 is writing
    ASSERT_TRUE(waitForBatchEnd());
    EXPECT_EQ(title(), u"Sondrel");
    const std::string in = input.path().string() + "/";
    // Files 1 and 2 came before; file 3's line ends as it stood. Files 4
    // and 5 may have been converted meanwhile on another core: then the log
    // says so before the cancel text.
    const core::Text start = T("Directory - \"" + in + "\"\n") + kBullet +
                             u"1/5) \"1.wav\" - Done!\n" + kBullet + u"2/5) \"2.wav\" - Done!\n" +
                             kBullet + u"3/5) \"3.wav\" . . .\n";
    const core::Text log = logText();
    ASSERT_EQ(log.substr(0, start.size()), start) << logUtf8();
    std::vector<std::string> written{"1.caf", "2.caf"};
    core::Text rest;
    for (const char* name : {"4", "5"}) {
        const core::Text line =
            kBullet + core::Utf8ToText(name) + u"/5) \"" + core::Utf8ToText(name) + u".wav\"";
        if (log.find(line + u" - Done!\n") != core::Text::npos) {
            rest += line + u" - Done!\n";
            written.push_back(std::string(name) + ".caf");
        } else if (log.find(line + u" . . .\n") != core::Text::npos) {
            rest += line + u" . . .\n";
        }
    }
    EXPECT_EQ(log, start + rest + u"Batch conversion canceled by user.\n") << logUtf8();
    EXPECT_EQ(FolderNames(output.path()), written);
    EXPECT_TRUE(testing::ProcessesUsing(input.path()).empty());
    EXPECT_TRUE(hidden(CancelButton));
    EXPECT_FALSE(hidden(OutputFolderField));
    EXPECT_EQ(app->state().cancelRequested, 0);
}

TEST_F(ApplicationTest, TheCloseButtonWaitsForABatch) {
    chooseOutputFolder(output.path().string());
    ASSERT_TRUE(testing::MakeTone(input.file("long.wav"), 60.0));
    ASSERT_TRUE(drop({input.file("long.wav")}));
    ASSERT_TRUE(pumpUntil([] { return core::FindText(logText(), u"(1/1)") != 0; }));
    // A single file shows no Cancel button; its output row stays, disabled.
    EXPECT_TRUE(hidden(CancelButton));
    EXPECT_FALSE(hidden(BrowseButton));
    EXPECT_FALSE(enabled(BrowseButton));

    appkit::clearModalAnswers(); // forget the folder requester
    answerOk();
    answerOk();
    pressCloseButton(MainWindow);
    drop({input.file("long.wav")});
    const auto shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].message, u"Wait!");
    EXPECT_EQ(shown[0].informative,
              u"Sondrel can not close until all file(s) have been converted.");
    EXPECT_EQ(shown[1].message, u"Wait!");
    EXPECT_EQ(shown[1].informative, u"Sondrel is still converting audio file(s).");
    EXPECT_FALSE(app->quitRequested());
    EXPECT_NE(windowing::WindowHandle(MainWindow), nullptr);
}

TEST_F(ApplicationTest, QuitDuringABatchStopsEveryConverter) {
    chooseOutputFolder(output.path().string());
    std::vector<std::string> files;
    for (int i = 1; i <= 6; ++i) {
        files.push_back(input.file(std::to_string(i) + ".wav"));
        ASSERT_TRUE(testing::MakeTone(files.back(), i % 2 == 1 ? 120.0 : 0.2));
    }
    ASSERT_TRUE(drop(files));
    ASSERT_TRUE(pumpUntil([this] { return testing::WritingInto(output.path()); }));
    chooseMenuItem(QuitItem);
    EXPECT_TRUE(app->quitRequested());
    app->shutDown();
    // Nothing half-written: what is there is complete (short files that were
    // done in time), and no converter runs on.
    for (const std::string& name : FolderNames(output.path())) {
        EXPECT_TRUE(name == "2.caf" || name == "4.caf" || name == "6.caf") << name;
        EXPECT_TRUE(testing::DecodesAs(output.file(name), "aac", 2)) << name;
    }
    EXPECT_TRUE(testing::ProcessesUsing(input.path()).empty());
    EXPECT_TRUE(testing::ProcessesUsing(output.path()).empty());
}

TEST_F(ApplicationTest, SettingsChangesAreStoredAndTransparencyApplies) {
    click(TransparentCheckBox);
    EXPECT_NEAR(windowing::WindowHandle(MainWindow)->alphaValue(), 0.75, 0.01);
    click(Ima4Option);
    EXPECT_FALSE(enabled(StrategyBox));
    EXPECT_FALSE(enabled(BitrateBox));
    windowing::SetGadgetState(BitrateBox, 8);
    windowing::QueueEvent(windowing::GadgetEvent, BitrateBox, MainWindow, 768);
    pump();
    chooseMenuItem(QuitItem);
    app->shutDown();
    const std::string settings = ReadFile(supportFile("save.pref"));
    EXPECT_NE(settings.find("Transparent = 1\nSticky = 0\nStrategy = 1\nBitrate = 8\nData = 0\n"),
              std::string::npos)
        << settings;
}

TEST_F(ApplicationTest, HelpAndAboutSuspendStickiness) {
    click(StickyCheckBox);
    appkit::NSWindowObject* main = windowing::WindowHandle(MainWindow);
    const auto sticky = main->level();
    EXPECT_GT(sticky, appkit::CGWindowLevelForKey(4));

    pressKeys(MainWindow, "F1");
    ASSERT_NE(windowing::WindowHandle(HelpWindow), nullptr);
    EXPECT_EQ(windowing::WindowHandle(HelpWindow)->title(), u"Sondrel Help");
    EXPECT_TRUE(
        windowing::WindowHandle(HelpWindow)->isStandardButtonHidden(appkit::NSWindowZoomButton));
    EXPECT_EQ(windowing::GetGadgetState(StickyCheckBox), 0);
    EXPECT_EQ(main->level(), appkit::CGWindowLevelForKey(4));
    const core::Text help = controls::GetGadgetText(HelpEditor);
    EXPECT_NE(core::FindText(help, u"Bitrate Allocation Strategy"), 0);
    pressCloseButton(HelpWindow);
    EXPECT_EQ(windowing::WindowHandle(HelpWindow), nullptr);
    EXPECT_EQ(windowing::GetGadgetState(StickyCheckBox), 1);
    EXPECT_EQ(main->level(), sticky);

    // The About picture is decoded when the window first opens, and only then.
    EXPECT_EQ(controls::ImageHandle(AboutImage), nullptr);
    chooseMenuItem(AboutItem);
    ASSERT_NE(windowing::WindowHandle(AboutWindow), nullptr);
    const objc::id picture = controls::ImageHandle(AboutImage);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(controls::ImagePixelWidth(AboutImage), 256);
    EXPECT_EQ(controls::ImagePixelHeight(AboutImage), 256);
    EXPECT_EQ(windowing::WindowHandle(AboutWindow)->title(), u"");
    EXPECT_TRUE(
        windowing::WindowHandle(AboutWindow)->isStandardButtonHidden(appkit::NSWindowZoomButton));
    EXPECT_TRUE(windowing::WindowHandle(AboutWindow)
                    ->isStandardButtonHidden(appkit::NSWindowMiniaturizeButton));
    EXPECT_EQ(controls::GetGadgetText(AboutTitleText), u"Sondrel v1.1.0");
    EXPECT_EQ(controls::GetGadgetText(AboutCreditText), u"Created by: Quillfern");
    EXPECT_EQ(windowing::GetGadgetState(StickyCheckBox), 0);
    pressCloseButton(AboutWindow);
    EXPECT_EQ(windowing::WindowHandle(AboutWindow), nullptr);
    EXPECT_EQ(windowing::GetGadgetState(StickyCheckBox), 1);
    chooseMenuItem(AboutItem);
    EXPECT_EQ(controls::ImageHandle(AboutImage), picture);
    pressCloseButton(AboutWindow);
    // The stored choice never changed.
    EXPECT_NE(ReadFile(supportFile("save.pref")).find("Sticky = 1\n"), std::string::npos);
}

TEST_F(ApplicationTest, CancellingTheFolderRequesterTwiceFallsBackToTheDesktop) {
    std::filesystem::create_directory(home.file("Desktop"));
    answerCancel();
    answerOk();
    answerCancel();
    click(BrowseButton);
    const auto shown = appkit::modalRecords();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, u"Select an output folder...");
    EXPECT_TRUE(shown[0].choosesDirectories);
    EXPECT_FALSE(shown[0].choosesFiles);
    EXPECT_EQ(shown[0].directory, T(home.file("Desktop")));
    EXPECT_EQ(shown[2].directory, T(home.file("Desktop")));
    EXPECT_EQ(shown[1].message, u"Output Folder!");
    EXPECT_EQ(shown[1].informative, u"You did not select an output folder! Please select an output "
                                    u"folder for the converted audio files.");
    EXPECT_EQ(controls::GetGadgetText(OutputFolderField), home.folderText() + u"Desktop/");
}

class StoredSettingsTest : public AppDriver {
protected:
    void prepareHome() override {
        std::filesystem::create_directories(supportFile(""));
        std::ofstream(supportFile("save.pref"))
            << "[Saved Settings]\nTransparent = 1\nData = 0\nJobs = 3\n";
    }
};

TEST_F(StoredSettingsTest, StoredValuesAreAppliedAndMissingKeysReadAsZero) {
    EXPECT_EQ(controls::GetGadgetText(StrategyBox), u"CBR");
    EXPECT_EQ(controls::GetGadgetText(BitrateBox), u"16 kbps");
    EXPECT_EQ(windowing::GetGadgetState(Ima4Option), 1);
    EXPECT_EQ(windowing::GetGadgetState(AacOption), 0);
    EXPECT_FALSE(enabled(StrategyBox));
    EXPECT_FALSE(enabled(BitrateBox));
    EXPECT_EQ(windowing::GetGadgetState(TransparentCheckBox), 1);
    EXPECT_NEAR(windowing::WindowHandle(MainWindow)->alphaValue(), 0.75, 0.01);
    // "Jobs" is read, and stays in the file as the user wrote it.
    EXPECT_EQ(app->state().jobsSetting, 3);
    click(TransparentCheckBox);
    chooseMenuItem(QuitItem);
    app->shutDown();
    app.reset();
    EXPECT_NE(ReadFile(supportFile("save.pref")).find("Jobs = 3\n"), std::string::npos);
}

class WebPagesTest : public AppDriver {
protected:
    // A stand-in for the opener that notes each address it is given.
    void prepareHome() override {
        const std::string opener = tools.file("xdg-open");
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << tools.file("opened")
                              << "'\n";
        ::chmod(opener.c_str(), 0755);
        ::setenv("PATH", (tools.path().string() + ":" + std::getenv("PATH")).c_str(), 1);
    }
    testing::ScratchFolder tools;
};

TEST_F(WebPagesTest, TheMenuOpensTheThreePagesInTheBrowser) {
    chooseMenuItem(WebsiteItem);
    chooseMenuItem(ForumItem);
    chooseMenuItem(ReviewItem);
    const std::string expected = core::TextToUtf8(kWebsiteAddress) + "\n" +
                                 core::TextToUtf8(kForumAddress) + "\n" +
                                 core::TextToUtf8(kReviewAddress) + "\n";
    EXPECT_TRUE(pumpUntil([&] { return ReadFile(tools.file("opened")) == expected; }, 5000))
        << ReadFile(tools.file("opened"));
}

TEST(HelpDocument, LinksToTheForumPageTheMenuOpens) {
    const auto document = resources::EmbeddedResource("help.rtf");
    const std::string text(reinterpret_cast<const char*>(document.data()), document.size());
    EXPECT_NE(text.find("HYPERLINK \"" + core::TextToUtf8(kForumAddress) + "\""),
              std::string::npos);
    EXPECT_EQ(ShownAddress(kWebsiteAddress), u"quillfern.example");
}

} // namespace
} // namespace sondrel::app
