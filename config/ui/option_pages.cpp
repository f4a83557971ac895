// The pages of global options: "Auxiliary Settings" (priority, blanking,
// password delay, duration override, captures, mouse wake-up), whose
// controls store their option at once, and "Sound" (the analyser's status,
// how sound drives the displays), whose controls are read when the page is
// left or OK is pressed.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "config/config_session.h"
#include "config/ui/number_slider.h"
#include "config/ui/pages.h"
#include "settings/global_options.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

// A slider with its number box bound to one option.
struct OptionSliderSpec {
    const char* label;
    const char* name;  // object name of the slider; its box is name + "Box"
    int32_t GlobalOptions::*field;
    int low;
    int high;
    NumberSlider::Format format = {};
};

// A check box bound to one option.
struct OptionBoxSpec {
    const char* label;
    const char* name;
    int32_t GlobalOptions::*field;
};

// Rows of labelled sliders on `grid`, from row `row` on; the sliders start
// at their options' values.
std::vector<std::unique_ptr<NumberSlider>> AddOptionSliders(QWidget* page, QGridLayout* grid, int row,
                                                            const std::vector<OptionSliderSpec>& specs) {
    std::vector<std::unique_ptr<NumberSlider>> sliders;
    for (const OptionSliderSpec& option : specs) {
        auto* box = new QLineEdit(page);
        box->setObjectName(QString(option.name) + "Box");
        box->setFixedWidth(box->fontMetrics().horizontalAdvance("-00000") + 12);
        auto s = std::make_unique<NumberSlider>(new QSlider(page), box, option.format);
        s->slider()->setObjectName(option.name);
        s->SetRange(option.low, option.high);
        s->SetValue(Options.*option.field);
        auto* label = new QLabel(option.label, page);
        label->setBuddy(s->slider());
        grid->addWidget(label, row, 0);
        grid->addWidget(s->slider(), row, 1);
        grid->addWidget(box, row, 2);
        ++row;
        sliders.push_back(std::move(s));
    }
    grid->setColumnStretch(1, 1);
    return sliders;
}

std::vector<QCheckBox*> AddOptionBoxes(QWidget* page, QVBoxLayout* column, const std::vector<OptionBoxSpec>& specs) {
    std::vector<QCheckBox*> boxes;
    for (const OptionBoxSpec& option : specs) {
        auto* box = new QCheckBox(option.label, page);
        box->setObjectName(option.name);
        box->setChecked(Options.*option.field != 0);
        column->addWidget(box);
        boxes.push_back(box);
    }
    return boxes;
}

class AuxiliaryPage : public SheetPageWidget {
public:
    AuxiliaryPage() {
        auto* priority = new QGroupBox("Priority", this);
        auto* priorityRow = new QHBoxLayout(priority);
        auto* group = new QButtonGroup(this);
        const struct {
            const char* label;
            int value;
        } levels[] = {{"Hi&gh", 128}, {"&Normal", 32}, {"&Low", 64}};
        for (const auto& level : levels) {
            auto* radio = new QRadioButton(level.label, priority);
            radio->setObjectName(QString("priority%1").arg(level.value));
            radio->setChecked(Options.priority == level.value);
            group->addButton(radio, level.value);
            priorityRow->addWidget(radio);
        }
        priorityRow->addStretch(1);
        connect(group, &QButtonGroup::idClicked, this, [](int value) {
            Options.priority = value;
            SaveGlobalOptions();
        });

        auto* grid = new QGridLayout;
        const std::vector<OptionSliderSpec> specs = {
            {"&Blank screen timeout (minutes):", "blankTimeout", &GlobalOptions::blankTimeout, 0, kBlankNever,
             [](int v) { return QString::fromStdString(BlankTimeoutText(v)); }},
            {"Timeout before &password is required (seconds):", "gracePeriod", &GlobalOptions::gracePeriod, 0, 900},
            {"&Duration override (seconds added to every module):", "durationMod", &GlobalOptions::durationMod,
             -100, 100},
            {"Scale &factor for screen captures (percent):", "captureScale", &GlobalOptions::captureScale, 1, 100},
        };
        sliders_ = AddOptionSliders(this, grid, 0, specs);
        for (size_t i = 0; i < specs.size(); ++i) {
            NumberSlider& s = *sliders_[i];
            const auto field = specs[i].field;
            s.onMoved = [field](int v) {
                Options.*field = v;
                SaveGlobalOptions();
            };
            s.onBoxRead = [&s](NumberEdit e) { s.onMoved(e.value); };
        }

        auto* boxes = new QVBoxLayout;
        const std::vector<OptionBoxSpec> boxSpecs = {
            {"Disable wakeup on &mouse move", "disableMouse", &GlobalOptions::disableMouse},
            {"&Tile Captures", "captureTile", &GlobalOptions::captureTile},
        };
        const std::vector<QCheckBox*> made = AddOptionBoxes(this, boxes, boxSpecs);
        for (size_t i = 0; i < made.size(); ++i) {
            const auto field = boxSpecs[i].field;
            connect(made[i], &QCheckBox::toggled, this, [field](bool on) {
                Options.*field = on ? 1 : 0;
                SaveGlobalOptions();
            });
        }

        auto* preview = NumberedButton("P&review", 1085, this);
        connect(preview, &QPushButton::clicked, this, [] {
            SaveGlobalOptions();
            BeepUnless(TestDisplay());
        });
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(preview);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpAuxiliary));

        auto* outer = new QVBoxLayout(this);
        outer->addWidget(priority);
        outer->addLayout(grid);
        outer->addLayout(boxes);
        outer->addStretch(1);
        outer->addLayout(buttons);
    }

private:
    std::vector<std::unique_ptr<NumberSlider>> sliders_;
};

class SoundPage : public SheetPageWidget {
public:
    SoundPage() {
        status_ = new QLabel(this);
        status_->setObjectName("soundStatus");
        status_->setWordWrap(true);
        status_->setFrameShape(QFrame::StyledPanel);
        status_->setMargin(6);
        auto* launch = new QPushButton("&Launch Tonewell Pro", this);
        launch->setObjectName("launch");
        launch->setAutoDefault(false);
        connect(launch, &QPushButton::clicked, this, [this] {
            if (!LaunchCompanion(false, false))
                QMessageBox::information(this, "Sound",
                                         "Tonewell Pro could not be started: it is not registered, or its "
                                         "program is missing. Install the sound analyser (zentrix-listen) and "
                                         "start it once, so that it registers itself.");
        });
        auto* statusRow = new QHBoxLayout;
        statusRow->addWidget(status_, 1);
        statusRow->addWidget(launch, 0, Qt::AlignTop);

        auto* column = new QVBoxLayout;
        boxes_ = AddOptionBoxes(this, column, kBoxes);
        auto* grid = new QGridLayout;
        homing_ = std::move(AddOptionSliders(this, grid, 0,
                                             {{"&Amplitude homing:", "homingRate", &GlobalOptions::homingRate, 0,
                                               1000}})
                                .front());
        auto* strongWeak = new QHBoxLayout;
        strongWeak->addWidget(new QLabel("Strong", this));
        strongWeak->addStretch(1);
        strongWeak->addWidget(new QLabel("Off", this));
        grid->addLayout(strongWeak, 1, 1);

        auto* test = NumberedButton("&Test All Settings", 1085, this);
        connect(test, &QPushButton::clicked, this, [this] {
            ReadControls();
            BeepUnless(TestDisplay());
        });
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(test);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpSound));

        auto* outer = new QVBoxLayout(this);
        outer->addLayout(statusRow);
        outer->addLayout(column);
        outer->addLayout(grid);
        outer->addStretch(1);
        outer->addLayout(buttons);
    }

    void Activated() override {
        status_->setText(QString::fromStdString(SoundStatusText()));
        for (size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setChecked(Options.*kBoxes[i].field != 0);
        homing_->SetValue(Options.homingRate);
    }
    void Left() override { ReadControls(); }
    void Ok() override { ReadControls(); }

private:
    inline static const std::vector<OptionBoxSpec> kBoxes = {
        {"T&urbo Mode (follow the volume only)", "slowCPU", &GlobalOptions::slowCPU},
        {"Auto Adjust &Gain", "autoGain", &GlobalOptions::autoGain},
        {"Display &CD Info", "showInfo", &GlobalOptions::showInfo},
        {"Start Tonewell Pro a&utomatically when the saver starts", "autoRun", &GlobalOptions::autoRun},
    };

    void ReadControls() {
        for (size_t i = 0; i < boxes_.size(); ++i) Options.*kBoxes[i].field = boxes_[i]->isChecked() ? 1 : 0;
        Options.homingRate = homing_->Value();
        SaveGlobalOptions();
    }

    QLabel* status_;
    std::vector<QCheckBox*> boxes_;
    std::unique_ptr<NumberSlider> homing_;
};

}  // namespace

SheetPageWidget* MakeAuxiliaryPage() { return new AuxiliaryPage; }
SheetPageWidget* MakeSoundPage() { return new SoundPage; }

}  // namespace ztx
