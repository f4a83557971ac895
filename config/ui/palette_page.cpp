// "Palette": the colour effect of one channel at a time (red, green or blue)
// and its ten rows of colour controls, made once and refilled whenever the
// channel changes. Holding CTRL carries the effect, the Source, the sense
// and slider moves to all three channels (config/palette_page.h). Boxes and
// lists are drawn in the channel's colour.
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>
#include <memory>

#include "config/config_session.h"
#include "config/palette_page.h"
#include "config/ui/number_slider.h"
#include "config/ui/pages.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

enum Column { kName, kLowSlider, kLowBox, kHighSlider, kHighBox, kValueOrSense, kSource };

bool CtrlHeld() { return QApplication::keyboardModifiers() & Qt::ControlModifier; }

struct PaletteRowWidgets {
    std::unique_ptr<NumberSlider> value, low, high;
    QSpinBox* sense = nullptr;
    QComboBox* source = nullptr;
};

class PalettePage : public SheetPageWidget {
public:
    PalettePage() {
        auto* channels = new QHBoxLayout;
        channelGroup_ = new QButtonGroup(this);
        const char* channelLabels[kChannels] = {"&Red", "&Green", "&Blue"};
        for (int c = 0; c < kChannels; ++c) {
            auto* b = NumberedButton(channelLabels[c], 1303 + c, this);
            b->setCheckable(true);
            channelGroup_->addButton(b, c);
            channels->addWidget(b);
        }
        channels->addStretch(1);
        connect(channelGroup_, &QButtonGroup::idClicked, this, [this](int c) {
            channel_ = c;
            ShowChannel();
        });

        auto* effects = new QGroupBox("Color Effect", this);
        auto* effectRow = new QHBoxLayout(effects);
        effectGroup_ = new QButtonGroup(this);
        for (const EffectButton& e : EffectButtons()) {
            auto* b = new QRadioButton(e.label, effects);
            b->setObjectName(ControlId(e.id));
            effectGroup_->addButton(b, e.effect);
            effectRow->addWidget(b);
        }
        connect(effectGroup_, &QButtonGroup::idClicked, this, [this](int effect) {
            if (PaletteRecord* p = CurrentPalette()) SetChannelEffect(*p, channel_, effect, CtrlHeld());
        });

        rowsBox_ = new QWidget(this);
        auto* grid = new QGridLayout(rowsBox_);
        grid->setColumnStretch(kLowSlider, 1);
        grid->setColumnStretch(kHighSlider, 1);
        grid->setVerticalSpacing(2);
        grid->addWidget(new QLabel("Source", rowsBox_), 0, kSource);
        for (int k = 0; k < kPaletteKinds; ++k) BuildRow(*grid, k);

        auto* reset = NumberedButton("Rese&t", 1087, this);
        auto* test = NumberedButton("T&est", 1085, this);
        connect(reset, &QPushButton::clicked, this, [this] {
            if (PaletteRecord* p = CurrentPalette()) ResetPalettePage(*p);
            ShowChannel();
        });
        connect(test, &QPushButton::clicked, this, [] { BeepUnless(TestDisplay()); });
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(reset);
        buttons->addWidget(test);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpPalette));

        auto* outer = new QVBoxLayout(this);
        outer->addLayout(channels);
        outer->addWidget(effects);
        outer->addWidget(rowsBox_);
        outer->addStretch(1);
        outer->addLayout(buttons);
    }

    void Activated() override {
        channelGroup_->button(channel_)->setChecked(true);
        ShowChannel();
    }

private:
    void BuildRow(QGridLayout& grid, int k) {
        PaletteRowWidgets& row = rows_[k];
        auto* name = new QLabel(PaletteRowLabel(k), rowsBox_);
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const auto numbered = [&](int sliderId, int boxId) {
            auto* box = new QLineEdit(rowsBox_);
            box->setObjectName(ControlId(boxId + k));
            box->setFixedWidth(box->fontMetrics().horizontalAdvance("-000000") + 10);
            auto s = std::make_unique<NumberSlider>(new QSlider(rowsBox_), box);
            s->slider()->setObjectName(ControlId(sliderId + k));
            s->onMoved = [this, k](int) { Slid(k); };
            s->onBoxRead = [this, k](NumberEdit) { BoxesLeft(k); };
            return s;
        };
        row.value = numbered(100, 132);
        row.low = numbered(260, 324);
        row.high = numbered(292, 356);
        row.sense = new QSpinBox(rowsBox_);
        row.sense->setObjectName(ControlId(196 + k));
        row.sense->setRange(1, 10);
        row.source = new QComboBox(rowsBox_);
        row.source->setObjectName(ControlId(228 + k));
        row.source->setMaxVisibleItems(8);
        connect(row.sense, &QSpinBox::valueChanged, this, [this, k](int v) {
            PaletteRecord* p = CurrentPalette();
            if (!p) return;
            const int shown = StepRowSense(*p, k, channel_, v - p->Sense[PaletteControl(k, channel_)], CtrlHeld());
            const QSignalBlocker quiet(rows_[k].sense);
            rows_[k].sense->setValue(shown);
        });
        connect(row.source, &QComboBox::activated, this, [this, k](int check) {
            if (PaletteRecord* p = CurrentPalette()) SetRowSource(*p, k, channel_, check, CtrlHeld());
            ShowChannel();
        });
        const int y = 1 + k;
        grid.addWidget(name, y, kName);
        grid.addWidget(row.value->slider(), y, kLowSlider, 1, kValueOrSense - kLowSlider);
        grid.addWidget(row.value->box(), y, kValueOrSense);
        grid.addWidget(row.low->slider(), y, kLowSlider);
        grid.addWidget(row.low->box(), y, kLowBox);
        grid.addWidget(row.high->slider(), y, kHighSlider);
        grid.addWidget(row.high->box(), y, kHighBox);
        grid.addWidget(row.sense, y, kValueOrSense);
        grid.addWidget(row.source, y, kSource);
    }

    void Slid(int k) {
        PaletteRowWidgets& row = rows_[k];
        if (PaletteRecord* p = CurrentPalette())
            SlideRow(*p, k, channel_, {row.value->Value(), row.low->Value(), row.high->Value()}, CtrlHeld());
    }

    void BoxesLeft(int k) {
        PaletteRowWidgets& row = rows_[k];
        PaletteRecord* p = CurrentPalette();
        if (!p) return;
        const std::string texts[3] = {row.value->box()->text().toStdString(), row.low->box()->text().toStdString(),
                                      row.high->box()->text().toStdString()};
        const std::array<NumberEdit, 3> read = ReadRowBoxes(*p, k, channel_, {texts[0], texts[1], texts[2]});
        row.value->SetValue(read[0].value);
        row.low->SetValue(read[1].value);
        row.high->SetValue(read[2].value);
    }

    // Show channel c: every row's widgets as its Source calls for, with the
    // channel's values, and the channel's effect checked.
    void ShowChannel() {
        const PaletteRecord* p = CurrentPalette();
        if (!p) return;
        const Tint t = ChannelTint(channel_);
        rowsBox_->setStyleSheet(QString("QLineEdit, QComboBox, QSpinBox { color: rgb(%1, %2, %3); background: "
                                        "white; }")
                                    .arg(t.red)
                                    .arg(t.green)
                                    .arg(t.blue));
        for (int k = 0; k < kPaletteKinds; ++k) {
            PaletteRowWidgets& row = rows_[k];
            const PaletteRowValues v = PaletteRow(*p, k, channel_);
            const RowWidgets want = WidgetsForCheck(v.check);
            row.value->slider()->setVisible(want.value);
            row.value->box()->setVisible(want.value);
            for (NumberSlider* s : {row.low.get(), row.high.get()}) {
                s->slider()->setVisible(want.range);
                s->box()->setVisible(want.range);
            }
            row.sense->setVisible(want.sense);
            for (NumberSlider* s : {row.value.get(), row.low.get(), row.high.get()}) s->SetRange(v.min, v.max);
            row.value->SetValue(v.value);
            row.low->SetValue(v.low);
            row.high->SetValue(v.high);
            const QSignalBlocker quietSense(row.sense);
            row.sense->setValue(v.sense);
            const QSignalBlocker quietSource(row.source);
            if (row.source->count() == 0) {
                for (const std::string& n : SourceListNames(v.animatable))
                    row.source->addItem(QString::fromStdString(n));
            }
            row.source->setCurrentIndex(v.check < row.source->count() ? v.check : -1);
        }
        if (QAbstractButton* b = effectGroup_->button(p->effect[channel_])) b->setChecked(true);
    }

    int channel_ = 0;
    QButtonGroup* channelGroup_;
    QButtonGroup* effectGroup_;
    QWidget* rowsBox_;
    std::array<PaletteRowWidgets, kPaletteKinds> rows_;
};

}  // namespace

SheetPageWidget* MakePalettePage() { return new PalettePage; }

}  // namespace ztx
