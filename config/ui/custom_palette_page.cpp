// "Custom": the custom palette of the current display as a 16 x 15 grid of
// its 236 entries, selected by dragging, with the operations, the three
// sliders, the channel switches and ".PAL" import and export. All editing is
// done by the editor core (palette/custom_palette_editor.h) on the palette
// record's custom palette; the page repaints the grid after every change,
// so each edit shows at once.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <memory>

#include "config/config_session.h"
#include "config/ui/pages.h"
#include "palette/custom_palette_editor.h"

namespace ztx {

namespace {

// The grid control: draws the entries with their selection frames and
// stencil marks and turns the mouse into selections.
class PaletteGrid : public QWidget {
public:
    explicit PaletteGrid(QWidget* parent) : QWidget(parent) {
        setObjectName("paletteGrid");
        setMinimumSize(16 * 24 + 3, 15 * 18 + 3);
    }

    CustomPaletteEditor* editor = nullptr;
    std::function<void(SelectionView)> onSelected;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!editor) return;
        for (int i = 0; i < kPaletteEntries; ++i) {
            const GridCell c = CustomGridCell(i, width(), height());
            QRect cell(QPoint(c.left, c.top), QPoint(c.right - 1, c.bottom - 1));
            cell.adjust(1, 1, -1, -1);
            painter.fillRect(cell, editor->Selected(i) ? Qt::white : Qt::black);
            cell.adjust(1, 1, -1, -1);
            const PaletteColor& colour = editor->Palette()[i];
            painter.fillRect(cell, QColor(colour.red, colour.green, colour.blue));
            if (editor->Stencilled(i)) {
                const int side = std::max(1, cell.width() / 3);
                painter.fillRect(QRect(0, 0, side, std::max(1, cell.height() / 3)).translated(
                                     cell.center() - QPoint(side / 2, cell.height() / 6)),
                                 Qt::white);
            }
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (!editor || e->button() != Qt::LeftButton) return;
        editor->Press(Hit(e));
        dragging_ = true;
        update();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!editor || !dragging_) return;
        editor->Move(Hit(e));
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (!editor || !dragging_ || e->button() != Qt::LeftButton) return;
        dragging_ = false;
        const SelectionView view = editor->Release();
        update();
        if (onSelected) onSelected(view);
    }

private:
    int Hit(QMouseEvent* e) const {
        const QPoint p = e->position().toPoint();
        return CustomGridHit(p.x(), p.y(), width(), height());
    }
    bool dragging_ = false;
};

struct OperationButton {
    const char* label;
    CustomOperation op;
};

class CustomPalettePage : public SheetPageWidget {
public:
    CustomPalettePage() {
        grid_ = new PaletteGrid(this);
        grid_->onSelected = [this](SelectionView view) { ShowSelection(view); };

        auto* operations = new QGridLayout;
        static constexpr OperationButton kOperations[] = {
            {"&Random", CustomOperation::Random},       {"&Gradient", CustomOperation::Gradient},
            {"S&mooth", CustomOperation::Smooth},       {"S&hift", CustomOperation::Shift},
            {"R&ough", CustomOperation::Rough},         {"&Negative", CustomOperation::Negative},
            {"Re&verse", CustomOperation::Reverse},     {"&Copy To", CustomOperation::CopyTo},
            {"&Merge To", CustomOperation::MergeTo},    {"&Stencil", CustomOperation::Stencil},
            {"Un-S&tencil", CustomOperation::UnStencil}, {"&Undo", CustomOperation::Undo},
        };
        int n = 0;
        for (const OperationButton& o : kOperations) {
            auto* b = new QPushButton(o.label, this);
            b->setObjectName(QString(o.label).remove('&').remove('-').remove(' ').toLower());
            b->setAutoDefault(false);
            operations->addWidget(b, n / 2, n % 2);
            ++n;
            connect(b, &QPushButton::clicked, this, [this, op = o.op] { Operate(op); });
            if (o.op == CustomOperation::Gradient) gradient_ = b;
            if (o.op == CustomOperation::Reverse) reverse_ = b;
        }
        auto* importButton = new QPushButton("&Import...", this);
        importButton->setObjectName("import");
        auto* exportButton = new QPushButton("&Export...", this);
        exportButton->setObjectName("export");
        operations->addWidget(importButton, n / 2, 0);
        operations->addWidget(exportButton, n / 2, 1);
        connect(importButton, &QPushButton::clicked, this, [this] { Import(); });
        connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });

        auto* sliders = new QGridLayout;
        const char* names[3] = {"Red", "Green", "Blue"};
        for (int c = 0; c < 3; ++c) {
            unlocked_[c] = new QCheckBox(names[c], this);
            unlocked_[c]->setObjectName(QString(names[c]).toLower());
            unlocked_[c]->setChecked(true);
            sliders_[c] = new QSlider(Qt::Horizontal, this);
            sliders_[c]->setObjectName(QString(names[c]).toLower() + "Slider");
            sliders_[c]->setRange(0, 255);
            sliders_[c]->setValue(128);
            sliders->addWidget(unlocked_[c], c, 0);
            sliders->addWidget(sliders_[c], c, 1);
            connect(unlocked_[c], &QCheckBox::toggled, this, [this, c](bool on) {
                if (editor_) editor_->Lock(static_cast<Channel>(c), !on);
                sliders_[c]->setEnabled(on && editor_ && editor_->First() >= 0);
            });
            connect(sliders_[c], &QSlider::sliderPressed, this, [this] { BeginSlide(SliderValues()); });
            connect(sliders_[c], &QSlider::valueChanged, this, [this, c](int) { Slid(c); });
            connect(sliders_[c], &QSlider::sliderReleased, this, [this] { EndSlide(); });
        }
        sliders->setColumnStretch(1, 1);

        status_ = new QLabel(this);
        status_->setObjectName("status");
        status_->setWordWrap(true);

        auto* right = new QVBoxLayout;
        right->addLayout(operations);
        right->addStretch(1);
        auto* top = new QHBoxLayout;
        top->addWidget(grid_, 1);
        top->addLayout(right);
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(status_, 1);
        bottom->addWidget(HelpButton(this, kHelpCustomPalette));
        auto* outer = new QVBoxLayout(this);
        outer->addLayout(top, 1);
        outer->addLayout(sliders);
        outer->addLayout(bottom);
        Attach();
        ShowSelection({.sliders = {128, 128, 128}});
    }

    void Activated() override {
        Attach();
        grid_->update();
    }

private:
    // The editor works on the palette record's custom palette.
    void Attach() {
        PaletteRecord* p = CurrentPalette();
        if (!p || (editor_ && editor_->Palette() == p->custom)) return;
        editor_ = std::make_unique<CustomPaletteEditor>(p->custom);
        for (int c = 0; c < 3; ++c) editor_->Lock(static_cast<Channel>(c), !unlocked_[c]->isChecked());
        grid_->editor = editor_.get();
    }

    std::array<int, 3> SliderValues() const {
        return {sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value()};
    }

    void Changed() {
        Session().settingsChanged = true;
        grid_->update();
    }

    void Operate(CustomOperation op) {
        if (!editor_) return;
        editor_->Apply(op);
        status_->setText(editor_->Pending() ? "Now select the entries to copy onto." : "");
        Changed();
    }

    // After a selection: the range operations and the sliders follow it.
    void ShowSelection(SelectionView view) {
        const bool anySelected = editor_ && editor_->First() >= 0;
        for (int c = 0; c < 3; ++c) sliders_[c]->setEnabled(anySelected && unlocked_[c]->isChecked());
        gradient_->setEnabled(view.rangeOperations);
        reverse_->setEnabled(view.rangeOperations);
        for (int c = 0; c < 3; ++c) {
            const QSignalBlocker quiet(sliders_[c]);
            sliders_[c]->setValue(view.sliders[c]);
        }
        shown_ = SliderValues();
        if (anySelected) status_->setText("");
        grid_->update();
    }

    void BeginSlide(std::array<int, 3> start) {
        if (!editor_) return;
        editor_->BeginSlide(start);
        sliding_ = true;
    }
    // A drag goes from press to release; a key or click on the groove is
    // a drag of its own from the values shown before it.
    void Slid(int) {
        if (!editor_ || editor_->First() < 0) return;
        const bool single = !sliding_;
        if (single) BeginSlide(shown_);
        editor_->Slide(SliderValues());
        if (single) EndSlide();
        Changed();
    }
    void EndSlide() {
        if (!editor_ || !sliding_) return;
        editor_->EndSlide();
        sliding_ = false;
        shown_ = SliderValues();
    }

    void Import() {
        const QString file = QFileDialog::getOpenFileName(this, "Import", "", "Palettes (*.PAL *.pal);;All files (*)");
        if (file.isEmpty() || !editor_) return;
        std::string error;
        if (!editor_->Import(file.toStdString(), &error)) {
            QApplication::beep();
            status_->setText(QString::fromStdString("The palette was not loaded: " + error));
            return;
        }
        status_->setText("");
        Changed();
    }

    void Export() {
        const QString file = QFileDialog::getSaveFileName(this, "Export", "Scratch.PAL", "Palettes (*.PAL *.pal)");
        if (file.isEmpty() || !editor_) return;
        std::string error;
        if (!editor_->Export(file.toStdString(), &error)) {
            QApplication::beep();
            status_->setText(QString::fromStdString("The palette was not saved: " + error));
        }
    }

    PaletteGrid* grid_;
    std::unique_ptr<CustomPaletteEditor> editor_;
    std::array<QSlider*, 3> sliders_{};
    std::array<QCheckBox*, 3> unlocked_{};
    std::array<int, 3> shown_{128, 128, 128};
    bool sliding_ = false;
    QPushButton* gradient_ = nullptr;
    QPushButton* reverse_ = nullptr;
    QLabel* status_;
};

}  // namespace

SheetPageWidget* MakeCustomPalettePage() { return new CustomPalettePage; }

}  // namespace ztx
