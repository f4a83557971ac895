// "Video Mode": the resolutions the full-screen saver may draw at (the
// screen's RandR modes, each at 256 colours and at the screen's depth), the
// stored choice, and Test, Set and Clear. A test stores the chosen mode only
// for the test run: when the user comes back the stored "DisplayMode" is put
// back exactly as it was, its absence included, once the test run ends or
// the sheet or page is activated again.
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>
#include <string>
#include <vector>

#include "config/config_session.h"
#include "config/ui/pages.h"
#include "config/ui/randr_modes.h"
#include "engine/video_mode.h"

namespace ztx {

namespace {

// Shown instead of the list when the X server offers no RandR.
constexpr char kNoRandrNote[] =
    "PLEASE NOTE: The list of video modes comes from the X server's RandR extension, which this display does not "
    "offer, so no render resolution can be chosen here. The screen saver draws at the screen's own size.";

class VideoModePage : public SheetPageWidget {
public:
    VideoModePage() {
        list_ = new QListWidget(this);
        list_->setObjectName(ControlId(1043));
        list_->setFont(QFont("Monospace"));
        auto* listLabel = new QLabel("&Available video modes:", this);
        listLabel->setBuddy(list_);
        current_ = new QLabel(this);
        current_->setObjectName(ControlId(1039));
        runIn_ = new QLabel(this);
        runIn_->setObjectName(ControlId(1040));
        note_ = new QLabel(this);
        note_->setObjectName(ControlId(1321));
        note_->setWordWrap(true);
        test_ = NumberedButton("&Test Video Mode", 2, this);
        set_ = NumberedButton("&Set", 1106, this);
        clear_ = NumberedButton("&Clear", 1107, this);

        auto* texts = new QGridLayout;
        texts->addWidget(new QLabel("Current video mode:", this), 0, 0);
        texts->addWidget(current_, 0, 1);
        texts->addWidget(new QLabel("Run screen saver in:", this), 1, 0);
        texts->addWidget(runIn_, 1, 1);
        texts->setColumnStretch(1, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(test_);
        buttons->addWidget(set_);
        buttons->addWidget(clear_);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpVideoMode));
        auto* outer = new QVBoxLayout(this);
        outer->addWidget(listLabel);
        outer->addWidget(list_, 1);
        outer->addLayout(texts);
        outer->addWidget(note_);
        outer->addLayout(buttons);

        connect(test_, &QPushButton::clicked, this, [this] { Test(); });
        connect(set_, &QPushButton::clicked, this, [this] {
            if (const VideoMode* m = Selected()) {
                StoreVideoMode(*m);
                ShowStored();
            }
        });
        connect(clear_, &QPushButton::clicked, this, [this] {
            ClearVideoMode();
            ShowStored();
        });
        Fill();
        // The desktop's size changed: the current mode follows.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            connect(screen, &QScreen::geometryChanged, this, [this] { ShowCurrent(ScreenModesQuery()()); });
    }

    void Activated() override { PutBackAfterTest(); }
    // Also told when a test run ends (the sheet undoes the test then).
    void DisplaysChanged() override { PutBackAfterTest(); }

protected:
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::ActivationChange && isActiveWindow()) PutBackAfterTest();
        SheetPageWidget::changeEvent(e);
    }

private:
    void Fill() {
        const ScreenModes screen = ScreenModesQuery()();
        ShowCurrent(screen);
        ShowStored();
        if (!screen.available) {
            for (QPushButton* b : {test_, set_, clear_}) b->setEnabled(false);
            note_->setText(kNoRandrNote);
            return;
        }
        modes_ = OfferedVideoModes(screen.modes, screen.depth);
        for (const VideoMode& m : modes_) list_->addItem(QString::fromStdString(VideoModeText(m)));
        if (!modes_.empty()) list_->setCurrentRow(0);
    }

    void ShowCurrent(const ScreenModes& screen) {
        const VideoMode desktop{.bitsPerPixel = screen.depth, .width = screen.size.width, .height = screen.size.height};
        current_->setText(screen.depth ? QString::fromStdString(VideoModeText(desktop)).trimmed() : "Unknown");
    }

    void ShowStored() {
        const std::optional<VideoMode> stored = StoredVideoMode();
        runIn_->setText(stored ? QString::fromStdString(VideoModeText(*stored)).trimmed() : "Default");
    }

    const VideoMode* Selected() const {
        const int row = list_->currentRow();
        return row >= 0 && row < static_cast<int>(modes_.size()) ? &modes_[row] : nullptr;
    }

    void Test() {
        const VideoMode* m = Selected();
        if (!m) return;
        beforeTest_ = StoredDisplayModeRecord();
        testing_ = true;
        StoreVideoMode(*m);
        if (!TestDisplay()) {
            PutBackAfterTest();
            QApplication::beep();
        }
    }

    void PutBackAfterTest() {
        if (!testing_) return;
        testing_ = false;
        RestoreDisplayModeRecord(beforeTest_);
        ShowStored();
    }

    QListWidget* list_;
    QLabel *current_, *runIn_, *note_;
    QPushButton *test_, *set_, *clear_;
    std::vector<VideoMode> modes_;
    bool testing_ = false;
    std::optional<std::string> beforeTest_;
};

}  // namespace

SheetPageWidget* MakeVideoModePage() { return new VideoModePage; }

}  // namespace ztx
