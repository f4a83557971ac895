// The configuration sheet driven as a user drives it (Qt Test): the pages
// run on the offscreen platform; the quick preview, which needs real X
// windows, under a private Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/config_session.h"
#include "config/sheet_pages.h"
#include "config/ui/config_sheet.h"
#include "config/ui/preview_area.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "platform/files.h"
#include "plugins/plugin_host.h"
#include "settings/display_file.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"
#include "shell/process_state.h"
#include "tests/test_support.h"

namespace ztx {
namespace {

// Star gets all 32 controls (control 0 spans 0..320 and may be animated);
// Cube three.
int DefineThirtyTwo(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Size", 0, 320, 10, 300, 100, kCheckSet, 10, 1);
    for (int i = 1; i < kControlCount; ++i)
        DefineControl(r, i, i, ("Control " + std::to_string(i)).c_str(), -50, 50, -50, 50, 0, kCheckSet, 10, 0);
    return 0;
}
int DefineThree(ModuleRecord* r) {
    DefineControl(r, 0, 0, "Duration", 1, 1000, 1, 1000, 30, kCheckSet, 10, 0);
    DefineControl(r, 1, 1, "Width", 5, 60, 5, 60, 20, kCheckRandom, 10, 1);
    return DefineControls(r, std::span(&kStrengthControl, 1));
}

const std::vector<BuiltinModule>& Catalog() {
    static const std::vector<BuiltinModule> catalog = {
        {kSlotStar, {DefineThirtyTwo, NoModuleWork, NoModuleWork, NoModuleWork, NoModuleWork}},
        {kSlotCube, {DefineThree, NoModuleWork, NoModuleWork, NoModuleWork, NoModuleWork}},
    };
    return catalog;
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "config_ui_test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Kept to the end of the process: destroyed among the static objects it
    // would outlive Qt's own and crash the exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

template <typename W = QWidget>
W* Find(QWidget& in, const QString& name) {
    W* w = in.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

// Types into a number box and leaves it, as Tab would.
void TypeAndLeave(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    Q_EMIT box->editingFinished();
}

class ConfigSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ResetProcessState();
        SetModuleCatalog(&Catalog());
        run = std::make_unique<ConfigurationRun>();
        ASSERT_TRUE(run->ok());
        ModuleActive[kSlotStar] = 1;
        ASSERT_TRUE(SaveDisplay("Mine"));
        Session() = ConfigSession{.program = "/bin/true", .startProgram = [this](const std::string& line) {
                                      started.push_back(line);
                                      return true;
                                  }};
    }
    void TearDown() override {
        sheet.reset();
        run.reset();
    }
    ConfigSheet& Open(const char* title) {
        sheet = std::make_unique<ConfigSheet>(SheetPageByTitle(title));
        return *sheet;
    }
    QWidget& Page(const char* title) { return *sheet->Page(SheetPageByTitle(title)); }
    void PressOk() { Find<QDialogButtonBox>(*sheet, "sheetButtons")->button(QDialogButtonBox::Ok)->click(); }
    static std::string Active() { return ReadSettingText("Active", kMaxDisplayName); }
    static bool Exists(const std::string& name) { return IsRegularFile(DisplayPath(name)); }

    std::unique_ptr<ConfigurationRun> run;
    std::unique_ptr<ConfigSheet> sheet;
    std::vector<std::string> started;
};

TEST_F(ConfigSheetTest, OpensOnMainSettingsWithTheCaptionAndNoApply) {
    ConfigSheet& s = Open("Main Settings");
    EXPECT_EQ(s.windowTitle(), "Zentrix v4.0.1230");
    EXPECT_EQ(Find<QListWidget>(s, "pageList")->count(), kSheetPageCount);
    EXPECT_EQ(s.CurrentPage(), kMainSettingsPage);
    auto* buttons = Find<QDialogButtonBox>(s, "sheetButtons");
    EXPECT_EQ(buttons->buttons().size(), 2);
    EXPECT_EQ(Find<QListWidget>(Page("Main Settings"), "ctl1078")->currentItem()->text(), "Mine");
}

TEST_F(ConfigSheetTest, OkAfterOnlyTheSpeedSliderSavesNoScratch) {
    ConfigSheet& s = Open("Main Settings");
    auto* speed = Find<QSlider>(Page("Main Settings"), "speedSlider");
    QTest::keyClick(speed, Qt::Key_Right);
    EXPECT_EQ(Options.speed, 1);
    PressOk();
    EXPECT_EQ(s.result(), QDialog::Accepted);
    EXPECT_FALSE(Exists(kScratchDisplay));
    EXPECT_EQ(Active(), "Mine");
    uint32_t stored = 0;
    ReadSetting("Speed", nullptr, kRegDword, &stored, sizeof stored);
    EXPECT_EQ(stored, 1u);
}

TEST_F(ConfigSheetTest, ATypedValueIsClampedAndAChangeIsKeptAsScratch) {
    Open("Star");
    QWidget& page = Page("Star");
    TypeAndLeave(Find<QLineEdit>(page, "ctl132"), "500");
    EXPECT_EQ(ModuleTable[kSlotStar].Control[0], 320);
    EXPECT_EQ(Find<QSlider>(page, "ctl100")->value(), 320);
    EXPECT_EQ(Find<QLineEdit>(page, "ctl132")->text(), "320");
    // Letters and an empty box read as 0, then clamped into Min..Max.
    TypeAndLeave(Find<QLineEdit>(page, "ctl133"), "abc");
    EXPECT_EQ(ModuleTable[kSlotStar].Control[1], 0);
    TypeAndLeave(Find<QLineEdit>(page, "ctl132"), "");
    EXPECT_EQ(ModuleTable[kSlotStar].Control[0], 0);
    TypeAndLeave(Find<QLineEdit>(page, "ctl133"), "-99999999999");
    EXPECT_EQ(ModuleTable[kSlotStar].Control[1], -50);
    PressOk();
    EXPECT_TRUE(Exists(kScratchDisplay));
    EXPECT_EQ(Active(), kScratchDisplay);
}

TEST_F(ConfigSheetTest, SourceDecidesTheRowsWidgetsAndSenseStaysWithinTen) {
    Open("Star");
    QWidget& page = Page("Star");
    ModuleRecord& r = ModuleTable[kSlotStar];
    auto* source = Find<QComboBox>(page, "ctl228");
    EXPECT_EQ(source->count(), 22);                               // animatable
    EXPECT_EQ(Find<QComboBox>(page, "ctl229")->count(), 2);       // Set and Random only
    source->setCurrentIndex(kCheckOscillate);
    Q_EMIT source->activated(kCheckOscillate);
    EXPECT_EQ(r.Check[0], kCheckOscillate);
    EXPECT_TRUE(Find(page, "ctl100")->isHidden());
    EXPECT_FALSE(Find(page, "ctl260")->isHidden());
    EXPECT_EQ(Find<QLineEdit>(page, "ctl324")->text(), "10");  // RangeLo
    EXPECT_EQ(Find<QLineEdit>(page, "ctl356")->text(), "300");  // RangeHi
    auto* sense = Find<QSpinBox>(page, "ctl196");
    EXPECT_FALSE(sense->isHidden());
    r.Sense[0] = 8;
    sense->setValue(8);
    for (int i = 0; i < 5; ++i) QTest::keyClick(sense, Qt::Key_Up);
    EXPECT_EQ(r.Sense[0], 10);
}

TEST_F(ConfigSheetTest, ThirtyTwoControlsPageOneToFour) {
    Open("Star");
    QWidget& page = Page("Star");
    auto* text = Find<QLabel>(page, "ctl1320");
    EXPECT_EQ(text->text(), "Page 1 of 4");
    EXPECT_FALSE(Find(page, "ctl388")->isHidden());
    EXPECT_TRUE(Find(page, "ctl398")->isHidden());  // control 10 is on page 2
    auto* next = Find<QToolButton>(page, "pageNext");
    for (int i = 0; i < 5; ++i) next->click();
    EXPECT_EQ(text->text(), "Page 4 of 4");
    EXPECT_EQ(ModuleTable[kSlotStar].Page, 3);
    EXPECT_FALSE(Find(page, "ctl419")->isHidden());  // control 31
    EXPECT_TRUE(Find(page, "ctl388")->isHidden());
    // Three controls need no pager; the rows go with the page.
    sheet->ShowPage(SheetPageByTitle("Cube"));
    EXPECT_TRUE(Find(Page("Cube"), "ctl1319")->isHidden());
    EXPECT_EQ(Page("Star").findChild<QWidget*>("ctl388"), nullptr);
    EXPECT_EQ(Find<QPushButton>(Page("Cube"), "ctl1087")->text(), "&Reset Cube Controls");
}

TEST_F(ConfigSheetTest, PluginPageListsLibrariesAndPagesToControlTen) {
    Open("Plug-In");
    EXPECT_EQ(Find<QLabel>(Page("Plug-In"), "emptyNote")->text().toStdString(), kNoPluginsText);
    EXPECT_FALSE(Find(Page("Plug-In"), "ctl1087")->isEnabled());
    sheet->ShowPage(kMainSettingsPage);

    // A library is installed and its module defines controls 0 and 10.
    ASSERT_TRUE(MakeDirs(PluginFolder()));
    ASSERT_TRUE(WriteFileAtomically(PluginFolder() + "/fake.so", "not really"));
    ModuleRecord& r = ModuleTable[kSlotPlugIn];
    r.DoDrawFrame = NoModuleWork;
    DefinePluginControl(&r, 0, "Speed", 0, 10, 0, 10, 5, kCheckSet, 10, 1);
    DefinePluginControl(&r, 10, "Last", 0, 10, 0, 10, 5, kCheckSet, 10, 1);
    sheet->ShowPage(SheetPageByTitle("Plug-In"));
    QWidget& page = Page("Plug-In");
    EXPECT_TRUE(Find(page, "emptyNote")->isHidden());
    EXPECT_FALSE(Find(page, "ctl1319")->isHidden());
    Find<QToolButton>(page, "pageNext")->click();
    EXPECT_FALSE(Find(page, "ctl398")->isHidden());
}

TEST_F(ConfigSheetTest, FullScreenTestAndReturnRestoreActive) {
    ConfigSheet& s = Open("Star");
    Find<QPushButton>(Page("Star"), "ctl1085")->click();
    ASSERT_EQ(started, std::vector<std::string>{"\"/bin/true\" /S"});
    EXPECT_EQ(Active(), kTestingDisplay);
    EXPECT_TRUE(Exists(kTestingDisplay));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&s, &activate);
    EXPECT_EQ(Active(), "Mine");
    EXPECT_FALSE(Exists(kTestingDisplay));
    // The main page's list no longer offers the test display.
    auto* list = Find<QListWidget>(Page("Main Settings"), "ctl1078");
    EXPECT_TRUE(list->findItems(kTestingDisplay, Qt::MatchExactly).isEmpty());
    EXPECT_EQ(list->currentItem()->text(), "Mine");
}

TEST_F(ConfigSheetTest, BlankTimeoutShowsNAAtItsTop) {
    Open("Auxiliary Settings");
    QWidget& page = Page("Auxiliary Settings");
    auto* slider = Find<QSlider>(page, "blankTimeout");
    slider->setValue(240);
    EXPECT_EQ(Find<QLineEdit>(page, "blankTimeoutBox")->text(), "240");
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(Find<QLineEdit>(page, "blankTimeoutBox")->text(), "N/A");
    EXPECT_EQ(Options.blankTimeout, kBlankNever);
    // Leaving the box as shown keeps the value.
    Q_EMIT Find<QLineEdit>(page, "blankTimeoutBox")->editingFinished();
    EXPECT_EQ(Options.blankTimeout, kBlankNever);
}

// ---- the quick preview, under a private X server ----------------------------

class PreviewTest : public ConfigSheetTest {
protected:
    void SetUp() override {
        if (QCoreApplication::instance() && QGuiApplication::platformName() != "xcb")
            GTEST_SKIP() << "the preview test needs its own process (run it alone, as ctest does)";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        server_ = fork();
        if (server_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        readEnd_ = fds[0];
        if (number.empty()) GTEST_SKIP() << "Xvfb is not available";
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        ConfigSheetTest::SetUp();
        Session().program = ZTX_ZENTRIX_EXE;
    }
    void TearDown() override {
        ConfigSheetTest::TearDown();
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
        if (readEnd_ >= 0) close(readEnd_);
    }
    pid_t server_ = -1;
    int readEnd_ = -1;
};

TEST_F(PreviewTest, QuickPreviewStartsAfterAPauseAndStopsWhenTurnedOff) {
    Options.preview = 0;
    ConfigSheet& s = Open("Main Settings");
    s.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s));
    QWidget& page = Page("Main Settings");
    auto* area = dynamic_cast<PreviewArea*>(Find(page, "ctl1329"));
    ASSERT_NE(area, nullptr);
    auto* allow = Find<QCheckBox>(page, "ctl1323");
    allow->click();
    EXPECT_FALSE(area->Running());  // not before the pause
    EXPECT_TRUE(QTest::qWaitFor([&] { return area->Running(); }, 2000));
    QTest::qWait(500);
    EXPECT_TRUE(area->Running());  // the child drawing in the area
    allow->click();
    EXPECT_FALSE(area->Running());  // stopped at once
    EXPECT_EQ(Options.preview, 0);
    allow->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return area->Running(); }, 2000));
    Find<QDialogButtonBox>(s, "sheetButtons")->button(QDialogButtonBox::Cancel)->click();
    EXPECT_FALSE(area->Running());
}

// A real full-screen test: the saver runs "Testing Current Settings"; when
// it ends (here by the close signal a host sends) the tool undoes the test
// without waiting to be activated.
TEST_F(PreviewTest, AFullScreenTestIsUndoneWhenTheSaverEnds) {
    ConfigSheet& s = Open("Main Settings");
    Session().startProgram = [&s](const std::string& line) { return s.StartTestProgram(line); };
    s.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s));
    Find<QPushButton>(Page("Main Settings"), "ctl1085")->click();
    EXPECT_EQ(Active(), kTestingDisplay);
    const QList<QProcess*> children = s.findChildren<QProcess*>();
    ASSERT_EQ(children.size(), 1);
    QTest::qWait(1000);  // the saver is up
    ASSERT_EQ(children.front()->state(), QProcess::Running);
    kill(static_cast<pid_t>(children.front()->processId()), SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([] { return Active() == "Mine"; }, 5000));
    EXPECT_FALSE(Exists(kTestingDisplay));
}

}  // namespace
}  // namespace ztx
