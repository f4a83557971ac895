// The display editor, sequencer, palette, custom-palette and video-mode
// pages driven as a user drives them (Qt Test, offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/config_session.h"
#include "config/sheet_pages.h"
#include "config/ui/config_sheet.h"
#include "config/ui/randr_modes.h"
#include "engine/engine_state.h"
#include "engine/video_mode.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "palette/palette.h"
#include "platform/files.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "tests/one_control_modules.h"

namespace ztx {
namespace {

// The application lives until the process ends: destroying it at exit would
// race Qt Test's own pointing device.
void App() {
    static int argc = 1;
    static char name[] = "display_pages_ui_test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!qApp) new QApplication(argc, argv);
}

template <typename W = QWidget>
W* Find(QWidget& in, const QString& name) {
    W* w = in.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

// Answers the next message box with `button` once it is shown.
void AnswerNextMessage(QMessageBox::StandardButton button) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            box->button(button)->click();
        }
    });
    poll->start(10);
}

ScreenModes TwoModes() {
    return {.available = true,
            .modes = {{.width = 1024, .height = 768}, {.width = 800, .height = 600}},
            .depth = 24,
            .size = {1024, 768}};
}
ScreenModes NoRandr() { return {}; }

class DisplayPagesUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ResetProcessState();
        SetModuleCatalog(&OneControlModules({kSlotStar, kSlotRandom}));
        run = std::make_unique<ConfigurationRun>();
        ASSERT_TRUE(run->ok());
        ActivateOnly(kSlotStar);
        ASSERT_TRUE(SaveDisplay("Mine"));
        Session() = ConfigSession{.program = "/bin/true", .startProgram = [this](const std::string& line) {
                                      started.push_back(line);
                                      return true;
                                  }};
    }
    void TearDown() override {
        sheet.reset();
        run.reset();
        ScreenModesQuery() = QueryScreenModes;
    }
    QWidget& Open(const char* title) {
        sheet = std::make_unique<ConfigSheet>(SheetPageByTitle(title));
        return *sheet->Page(SheetPageByTitle(title));
    }
    void ShowPage(const char* title) { sheet->ShowPage(SheetPageByTitle(title)); }
    static std::string FileOf(const std::string& name) {
        std::string text;
        ReadWholeFile(DisplayPath(name), text);
        return text;
    }

    std::unique_ptr<ConfigurationRun> run;
    std::unique_ptr<ConfigSheet> sheet;
    std::vector<std::string> started;
};

TEST_F(DisplayPagesUiTest, SaveWithoutANameMakesScratchAndNoKeepsAnExistingFile) {
    QWidget& page = Open("Edit Displays");
    auto* names = Find<QComboBox>(page, "ctl1078");
    auto* save = Find<QPushButton>(page, "ctl1080");
    EXPECT_FALSE(save->isEnabled());
    Find<QCheckBox>(page, "ctl1082")->click();  // Sphere joins
    EXPECT_TRUE(save->isEnabled());
    EXPECT_EQ(ModuleActive[kSlotSphere], 1);
    names->setEditText("");
    save->click();
    EXPECT_TRUE(IsRegularFile(DisplayPath(kScratchDisplay)));
    EXPECT_GE(Find<QListWidget>(*sheet->Page(kMainSettingsPage), "ctl1078")
                  ->findItems(kScratchDisplay, Qt::MatchExactly)
                  .size(),
              1);

    // Save is offered again after the next change.
    EXPECT_FALSE(save->isEnabled());
    const std::string before = FileOf("Mine");
    ModuleTable[kSlotStar].Control[0] = 77;
    Find<QCheckBox>(page, "ctl1036")->click();
    names->setEditText("Mine");
    AnswerNextMessage(QMessageBox::No);
    save->click();
    EXPECT_EQ(FileOf("Mine"), before);
    AnswerNextMessage(QMessageBox::Yes);
    save->click();
    EXPECT_NE(FileOf("Mine"), before);
}

TEST_F(DisplayPagesUiTest, TheEditorShowsSyncForAnOscillatingRandomModule) {
    QWidget& page = Open("Edit Displays");
    EXPECT_EQ(Find<QLabel>(page, "ctl1334")->text(), "No Sync");
    ModuleTable[kSlotRandom].Check[0] = kCheckOscillate;
    Find<QCheckBox>(page, "ctl1070")->click();
    EXPECT_EQ(Find<QLabel>(page, "ctl1334")->text(), "Sync");
}

TEST_F(DisplayPagesUiTest, SequencerListsRowsStayInPlaceAndAnEmptyListKeepsTheSequence) {
    ActivateOnly(kSlotRandom);
    ASSERT_TRUE(SaveDisplay("Random one"));
    ChooseDisplay("Mine");
    QWidget& page = Open("Sequencer");
    auto* available = Find<QListWidget>(page, "ctl1019");
    EXPECT_TRUE(available->findItems("Random one", Qt::MatchExactly).isEmpty());
    ASSERT_FALSE(available->findItems("Mine", Qt::MatchExactly).isEmpty());
    Find<QLineEdit>(page, "ctl1027")->setText("25");
    Find<QPushButton>(page, "ctl3")->click();  // All -->
    auto* selected = Find<QTreeWidget>(page, "ctl1018");
    ASSERT_GE(selected->topLevelItemCount(), 1);
    const QString first = selected->topLevelItem(0)->text(0);
    EXPECT_EQ(selected->topLevelItem(0)->text(1), "25");
    EXPECT_EQ(selected->topLevelItem(0)->text(2), "Y");
    selected->setCurrentItem(selected->topLevelItem(0));
    Find<QPushButton>(page, "ctl1340")->click();  // Up
    EXPECT_EQ(selected->topLevelItem(0)->text(0), first);
    EXPECT_EQ(selected->currentItem(), selected->topLevelItem(0));

    ShowPage("Main Settings");  // leaving the page copies the list
    ASSERT_EQ(Sequence.items.size(), static_cast<size_t>(available->count()));
    ShowPage("Sequencer");
    Find<QPushButton>(page, "ctl4")->click();  // <-- All
    sheet->accept();
    EXPECT_EQ(Sequence.items.size(), static_cast<size_t>(available->count()));
    EXPECT_EQ(Sequence.items[0].seconds, 25u);
}

TEST_F(DisplayPagesUiTest, CtrlReachesAllChannelsExceptWhenTyping) {
    QWidget& page = Open("Palette");
    PaletteRecord& p = *CurrentPalette();
    QTest::mouseClick(Find<QWidget>(page, "ctl1071"), Qt::LeftButton, Qt::ControlModifier);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p.effect[c], kEffectCustom);

    Find<QPushButton>(page, "ctl1304")->click();  // Green
    auto* brightness = Find<QSlider>(page, "ctl100");
    p.Check[PaletteControl(kKindScale, 1)] = kCheckSet;
    QTest::keyClick(brightness, Qt::Key_Home, Qt::ControlModifier);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(p.Control[PaletteControl(kKindScale, c)], p.Min[kKindScale]);

    auto* box = Find<QLineEdit>(page, "ctl132");
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, "57");
    QTest::keyPress(box, Qt::Key_Control, Qt::ControlModifier);
    Q_EMIT box->editingFinished();
    QTest::keyRelease(box, Qt::Key_Control);
    EXPECT_EQ(p.Control[PaletteControl(kKindScale, 1)], 57);
    EXPECT_EQ(p.Control[PaletteControl(kKindScale, 0)], p.Min[kKindScale]);

    // Red again: its own value, in red.
    Find<QPushButton>(page, "ctl1303")->click();
    EXPECT_EQ(box->text(), QString::number(p.Min[kKindScale]));
    EXPECT_TRUE(box->parentWidget()->styleSheet().contains("rgb(128, 0, 0)"));
}

TEST_F(DisplayPagesUiTest, OneSelectedEntryDisablesGradientAndReverse) {
    QWidget& page = Open("Custom");
    auto* grid = Find<QWidget>(page, "paletteGrid");
    grid->resize(16 * 20 + 3, 15 * 20 + 3);
    const QPoint first(2 + 10, 2 + 10), third(2 + 50, 2 + 10);
    QTest::mouseClick(grid, Qt::LeftButton, {}, first);
    EXPECT_FALSE(Find<QPushButton>(page, "gradient")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(page, "reverse")->isEnabled());
    EXPECT_TRUE(Find<QSlider>(page, "redSlider")->isEnabled());

    QTest::mousePress(grid, Qt::LeftButton, {}, first);
    QMouseEvent move(QEvent::MouseMove, third, grid->mapToGlobal(third), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grid, &move);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, third);
    EXPECT_TRUE(Find<QPushButton>(page, "gradient")->isEnabled());
    const PaletteColor before = CurrentPalette()->custom[1];
    Find<QPushButton>(page, "negative")->click();
    EXPECT_EQ(CurrentPalette()->custom[1].red, 255 - before.red);
    EXPECT_TRUE(Session().settingsChanged);
}

TEST_F(DisplayPagesUiTest, ATestedVideoModeIsTakenBackIncludingItsAbsence) {
    ScreenModesQuery() = TwoModes;
    QWidget& page = Open("Video Mode");
    auto* list = Find<QListWidget>(page, "ctl1043");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "     256 colors at 1024x768 (default refresh)");
    EXPECT_EQ(Find<QLabel>(page, "ctl1040")->text(), "Default");
    list->setCurrentRow(3);
    Find<QPushButton>(page, "ctl2")->click();
    ASSERT_TRUE(StoredVideoMode());
    EXPECT_EQ(StoredVideoMode()->width, 800);
    EXPECT_EQ(started.size(), 1u);
    ShowPage("Main Settings");
    ShowPage("Video Mode");
    EXPECT_FALSE(StoredDisplayModeRecord());

    Find<QPushButton>(page, "ctl1106")->click();  // Set
    EXPECT_EQ(StoredVideoMode()->bitsPerPixel, 24);
    Find<QPushButton>(page, "ctl1107")->click();  // Clear
    EXPECT_FALSE(StoredVideoMode());
    EXPECT_EQ(Find<QLabel>(page, "ctl1040")->text(), "Default");
}

TEST_F(DisplayPagesUiTest, WithoutRandrTheModeButtonsAreOff) {
    ScreenModesQuery() = NoRandr;
    QWidget& page = Open("Video Mode");
    EXPECT_EQ(Find<QListWidget>(page, "ctl1043")->count(), 0);
    for (const char* id : {"ctl2", "ctl1106", "ctl1107"}) EXPECT_FALSE(Find<QPushButton>(page, id)->isEnabled());
    EXPECT_FALSE(Find<QLabel>(page, "ctl1321")->text().isEmpty());
}

}  // namespace
}  // namespace ztx
