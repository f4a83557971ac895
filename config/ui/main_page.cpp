// "Main Settings": the saved displays (choosing one loads it and makes it
// "Active"), the animation speed, how long the display's title shows, the
// quick preview of the active display and the colour-mode note.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <memory>

#include "config/config_session.h"
#include "config/ui/number_slider.h"
#include "config/ui/pages.h"
#include "config/ui/preview_area.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

class MainPage : public SheetPageWidget {
public:
    MainPage() {
        displays_ = new QListWidget(this);
        displays_->setObjectName(ControlId(1078));
        auto* displaysLabel = new QLabel("&Displays:", this);
        displaysLabel->setBuddy(displays_);

        preview_ = new PreviewArea(this);
        allowPreview_ = new QCheckBox("Allow &Quick Preview", this);
        allowPreview_->setObjectName(ControlId(1323));
        auto* previewButton = NumberedButton("&Preview", 1085, this);

        speed_ = std::make_unique<NumberSlider>(new QSlider(this), nullptr);
        speed_->slider()->setObjectName("speedSlider");
        speed_->SetRange(0, 30);
        auto* speedLabel = new QLabel("Animation &Speed:", this);
        speedLabel->setBuddy(speed_->slider());
        auto* fast = new QLabel("Fast", this);
        auto* slow = new QLabel("Slow", this);

        auto* titleBox = new QLineEdit(this);
        titleBox->setObjectName("showNameBox");
        titleBox->setFixedWidth(titleBox->fontMetrics().horizontalAdvance("00000") + 12);
        title_ = std::make_unique<NumberSlider>(new QSlider(this), titleBox);
        title_->slider()->setObjectName("showNameSlider");
        title_->SetRange(0, 120);
        auto* titleLabel = new QLabel("Seconds to display &title:", this);
        titleLabel->setBuddy(title_->slider());

        note_ = new QLabel(this);
        note_->setObjectName("colorModeNote");
        note_->setWordWrap(true);
        note_->setFrameShape(QFrame::StyledPanel);
        note_->setMargin(6);

        auto* left = new QVBoxLayout;
        left->addWidget(displaysLabel);
        left->addWidget(displays_, 1);
        // The preview has the shape of a 4:3 screen.
        preview_->setFixedSize(320, 240);
        auto* right = new QVBoxLayout;
        right->addSpacing(displaysLabel->sizeHint().height());
        right->addWidget(preview_);
        right->addWidget(allowPreview_);
        right->addWidget(previewButton, 0, Qt::AlignLeft);
        right->addStretch(1);
        auto* top = new QHBoxLayout;
        top->addLayout(left, 1);
        top->addLayout(right);

        auto* sliders = new QGridLayout;
        sliders->addWidget(speedLabel, 0, 0);
        sliders->addWidget(fast, 0, 1);
        sliders->addWidget(speed_->slider(), 0, 2);
        sliders->addWidget(slow, 0, 3);
        sliders->addWidget(titleLabel, 1, 0);
        sliders->addWidget(title_->slider(), 1, 2);
        sliders->addWidget(titleBox, 1, 3);
        sliders->setColumnStretch(2, 1);

        auto* bottom = new QHBoxLayout;
        bottom->addStretch(1);
        bottom->addWidget(HelpButton(this, kHelpContents));

        auto* outer = new QVBoxLayout(this);
        outer->addLayout(top, 1);
        outer->addLayout(sliders);
        outer->addWidget(note_);
        outer->addLayout(bottom);

        connect(displays_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
            if (name.isEmpty() || filling_) return;
            ChooseDisplay(name.toStdString());
            ShowOptions();
            preview_->RestartTimer();
        });
        speed_->onMoved = [this](int v) {
            Options.speed = v;
            preview_->RestartTimer();
        };
        title_->onMoved = [this](int v) {
            Options.showName = v;
            preview_->RestartTimer();
        };
        title_->onBoxRead = [this](NumberEdit e) { title_->onMoved(e.value); };
        connect(allowPreview_, &QCheckBox::toggled, this, [this](bool on) {
            Options.preview = on ? 1 : 0;
            if (on) {
                preview_->RestartTimer();
            } else {
                preview_->Stop();
            }
        });
        connect(previewButton, &QPushButton::clicked, this, [this] {
            preview_->Stop();
            BeepUnless(TestDisplay());
        });
        FillDisplays();
        ShowOptions();
    }

    void Activated() override {
        note_->setText(QString::fromStdString(ColorModeNote(StoredModeBits())));
        preview_->RestartTimer();
    }
    void Left() override { preview_->Stop(); }
    void Ok() override { preview_->Stop(); }
    void CancelAsked() override { preview_->Stop(); }
    void DisplaysChanged() override { FillDisplays(); }

private:
    // Every saved display, with "Active" selected.
    void FillDisplays() {
        filling_ = true;
        displays_->clear();
        const std::string active = ReadSettingText("Active", kMaxDisplayName);
        for (const std::string& name : ListDisplays()) {
            displays_->addItem(QString::fromStdString(name));
            if (name == active) displays_->setCurrentRow(displays_->count() - 1);
        }
        filling_ = false;
    }

    void ShowOptions() {
        speed_->SetValue(Options.speed);
        title_->SetValue(Options.showName);
        const QSignalBlocker quiet(allowPreview_);
        allowPreview_->setChecked(Options.preview != 0);
    }

    QListWidget* displays_;
    PreviewArea* preview_;
    QCheckBox* allowPreview_;
    std::unique_ptr<NumberSlider> speed_, title_;
    QLabel* note_;
    bool filling_ = false;
};

}  // namespace

SheetPageWidget* MakeMainPage() { return new MainPage; }

}  // namespace ztx
