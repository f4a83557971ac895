// The module pages: when a page is shown, one row of widgets is made for
// every defined control of its module's record (so a module built later
// appears by itself), ten rows at a time with a pager; every edit goes
// straight into the record. The rows are destroyed when the page is left.
// The slide-show page adds the picture file fields; the plug-in page says
// so when no plug-in library is installed.
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>
#include <memory>
#include <vector>

#include "config/config_session.h"
#include "config/control_edit.h"
#include "config/ui/number_slider.h"
#include "config/ui/pages.h"
#include "modules/framework/controls.h"
#include "modules/framework/module_table.h"
#include "plugins/plugin_host.h"
#include "settings/text_limits.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

// Grid columns of a row: the value slider spans the two range sliders and
// their boxes; the value box and the sense box share a column.
enum Column { kName, kLowSlider, kLowBox, kHighSlider, kHighBox, kValueOrSense, kSource };

// The widgets of one control row.
struct ControlRow {
    int slot = 0;
    QLabel* name = nullptr;
    std::unique_ptr<NumberSlider> value, low, high;
    QSpinBox* sense = nullptr;
    QComboBox* source = nullptr;

    std::vector<QWidget*> Widgets() const {
        return {name, value->slider(), value->box(), low->slider(), low->box(), high->slider(), high->box(),
                sense, source};
    }
};

class ModulePage : public SheetPageWidget {
public:
    explicit ModulePage(const SheetPage& page) : page_(page) {
        settings_ = new QGroupBox(this);
        settings_->setObjectName("settings");
        grid_ = new QGridLayout(settings_);
        grid_->setColumnStretch(kLowSlider, 1);
        grid_->setColumnStretch(kHighSlider, 1);
        grid_->setVerticalSpacing(0);
        sourceHeading_ = new QLabel("Source", settings_);
        grid_->addWidget(sourceHeading_, 0, kSource);
        empty_ = new QLabel(settings_);
        empty_->setObjectName("emptyNote");
        empty_->setAlignment(Qt::AlignCenter);
        empty_->setWordWrap(true);
        grid_->addWidget(empty_, 1, 0, kRowsPerPage + 1, kSource + 1);
        grid_->setRowStretch(kRowsPerPage + 1, 1);

        auto* outer = new QVBoxLayout(this);
        if (page.kind == PageKind::SlideShow) outer->addWidget(FileFields());
        outer->addWidget(settings_, 1);

        prev_ = new QToolButton(this);
        prev_->setArrowType(Qt::LeftArrow);
        prev_->setObjectName("pagePrevious");
        next_ = new QToolButton(this);
        next_->setArrowType(Qt::RightArrow);
        next_->setObjectName("pageNext");
        pagerText_ = new QLabel(this);
        pagerText_->setObjectName(ControlId(1320));
        pager_ = new QWidget(this);
        pager_->setObjectName(ControlId(1319));
        auto* pagerRow = new QHBoxLayout(pager_);
        pagerRow->setContentsMargins(0, 0, 0, 0);
        pagerRow->addWidget(prev_);
        pagerRow->addWidget(pagerText_);
        pagerRow->addWidget(next_);
        // The left arrow goes back, the right arrow on.
        connect(prev_, &QToolButton::clicked, this, [this] { Turn(-1); });
        connect(next_, &QToolButton::clicked, this, [this] { Turn(+1); });

        reset_ = NumberedButton("", 1087, this);
        testModule_ = NumberedButton("", 1086, this);
        auto* testAll = NumberedButton("Test &All Settings", 1085, this);
        connect(reset_, &QPushButton::clicked, this, [this] {
            ResetModule(page_.slot);
            Session().settingsChanged = true;
            ShowControlPage();
        });
        connect(testModule_, &QPushButton::clicked, this, [this] { BeepUnless(TestSlotOnly(page_.slot)); });
        connect(testAll, &QPushButton::clicked, this, [] { BeepUnless(TestDisplay()); });

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(reset_);
        buttons->addWidget(testModule_);
        buttons->addWidget(testAll);
        buttons->addStretch(1);
        buttons->addWidget(pager_);
        buttons->addWidget(HelpButton(this, page.helpTopic));
        outer->addLayout(buttons);
    }

    void Activated() override {
        const QString module = page_.title;
        if (page_.kind == PageKind::SlideShow) formats_->setText(QString::fromStdString(PictureFormatsText()));
        const bool noPlugins = page_.slot == kSlotPlugIn && !LoadListedPlugin();
        if (!noPlugins) BuildControlRows();
        settings_->setTitle(QString(" Current settings for the %1 module: ").arg(module));
        reset_->setText(QString("&Reset %1 Controls").arg(module));
        testModule_->setText(QString("Test %1 &Settings").arg(module));
        const bool hasRows = !rows_.empty();
        reset_->setEnabled(hasRows);
        testModule_->setEnabled(hasRows);
        sourceHeading_->setVisible(hasRows);
        empty_->setVisible(!hasRows);
        if (fileFields_) fileFields_->setEnabled(hasRows);
        empty_->setText(noPlugins ? kNoPluginsText
                                  : QString("The %1 module is not part of this build yet.").arg(module));
        ShowControlPage();
    }

    void Left() override { DestroyControlRows(); }

private:
    ModuleRecord& Record() const { return ModuleTable[page_.slot]; }

    // The picture fields of the slide-show page, usable once the module is
    // part of the build.
    QWidget* FileFields() {
        fileFields_ = new QWidget(this);
        auto* file = new QLineEdit(fileFields_);
        file->setObjectName(ControlId(1292));
        auto* label = new QLabel("&Filename (or mask):", fileFields_);
        label->setBuddy(file);
        auto* browse = NumberedButton("&Browse...", 1299, fileFields_);
        formats_ = new QLineEdit(fileFields_);
        formats_->setObjectName(ControlId(1300));
        formats_->setReadOnly(true);
        auto* formatsLabel = new QLabel("File formats supported on this system include:", fileFields_);
        auto* grid = new QGridLayout(fileFields_);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(label, 0, 0);
        grid->addWidget(file, 0, 1);
        grid->addWidget(browse, 0, 2);
        grid->addWidget(formatsLabel, 1, 0, 1, 3);
        grid->addWidget(formats_, 2, 0, 1, 3);
        file_ = file;
        connect(file, &QLineEdit::editingFinished, this, [this] { SetPath(file_->text()); });
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString chosen = QFileDialog::getOpenFileName(this, "Choose a picture", file_->text());
            if (chosen.isEmpty()) return;
            file_->setText(chosen);
            SetPath(chosen);
        });
        return fileFields_;
    }

    // The record's picture path (at most 259 characters); a change counts.
    void SetPath(const QString& text) {
        const std::string path = text.toStdString().substr(0, kMaxPathText);
        if (path == Record().Path) return;
        std::memcpy(Record().Path, path.c_str(), path.size() + 1);
        Session().settingsChanged = true;
    }

    // The plug-in page works on the loaded library; when none is loaded
    // yet, the one the display names (or the first installed) is loaded.
    // False when the plug-in folder holds no library.
    bool LoadListedPlugin() {
        const std::vector<std::string> names = ListPlugins();
        if (names.empty()) return false;
        if (Record().DoDrawFrame) return true;
        const int listed = SelectListedPlugin(names);
        std::string message;
        if (listed >= 0 && !LoadPlugin(names[listed].c_str(), false, &message) && !message.empty())
            QMessageBox::critical(nullptr, kInvalidPluginTitle, QString::fromStdString(message));
        return true;
    }

    void BuildControlRows() {
        DestroyControlRows();
        ModuleRecord& r = Record();
        const QString boxWidthText = "-000000";
        for (int i = 0; i < kControlCount; ++i) {
            if (!r.Defined[i]) continue;
            auto row = std::make_unique<ControlRow>();
            row->slot = i;
            row->name = new QLabel(QString::fromLocal8Bit(r.ControlName[i]), settings_);
            row->name->setObjectName(ControlId(388 + i));
            row->name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const auto numbered = [&](int valueId, int boxId) {
                auto* box = new QLineEdit(settings_);
                box->setObjectName(ControlId(boxId + i));
                box->setFixedWidth(box->fontMetrics().horizontalAdvance(boxWidthText) + 10);
                auto s = std::make_unique<NumberSlider>(new QSlider(settings_), box);
                s->slider()->setObjectName(ControlId(valueId + i));
                return s;
            };
            row->value = numbered(100, 132);
            row->low = numbered(260, 324);
            row->high = numbered(292, 356);
            row->sense = new QSpinBox(settings_);
            row->sense->setObjectName(ControlId(196 + i));
            row->sense->setRange(1, 10);
            row->source = new QComboBox(settings_);
            row->source->setObjectName(ControlId(228 + i));
            // A stored display may drive a control that is not meant to be
            // animated; the list then offers every source, so it shows the
            // one in force and the user can set it back.
            const bool allSources = r.Animatable[i] != 0 || r.Check[i] > kCheckRandom;
            for (const std::string& name : SourceListNames(allSources))
                row->source->addItem(QString::fromStdString(name));
            row->source->setMaxVisibleItems(8);
            Wire(*row);
            const int y = 1 + i % kRowsPerPage;
            grid_->addWidget(row->name, y, kName);
            grid_->addWidget(row->value->slider(), y, kLowSlider, 1, kValueOrSense - kLowSlider);
            grid_->addWidget(row->value->box(), y, kValueOrSense);
            grid_->addWidget(row->low->slider(), y, kLowSlider);
            grid_->addWidget(row->low->box(), y, kLowBox);
            grid_->addWidget(row->high->slider(), y, kHighSlider);
            grid_->addWidget(row->high->box(), y, kHighBox);
            grid_->addWidget(row->sense, y, kValueOrSense);
            grid_->addWidget(row->source, y, kSource);
            rows_.push_back(std::move(row));
        }
        // Rows keep the places of their control slots, gaps included, all
        // of one height.
        const int rowHeight = rows_.empty() ? 0 : rows_.front()->source->sizeHint().height() + 6;
        for (int y = 1; y <= kRowsPerPage; ++y) grid_->setRowMinimumHeight(y, rowHeight);
        SetTabOrder();
    }

    // Tab goes along each row, row after row.
    void SetTabOrder() {
        QWidget* previous = nullptr;
        for (const auto& row : rows_) {
            for (QWidget* w : row->Widgets()) {
                if (w == row->name) continue;
                if (previous) setTabOrder(previous, w);
                previous = w;
            }
        }
    }

    // The record field each of a row's number sliders edits.
    void Wire(ControlRow& row) {
        const int i = row.slot;
        const auto bind = [this](NumberSlider& s, int32_t* field) {
            s.onMoved = [field](int v) {
                *field = v;
                Session().settingsChanged = true;
            };
            s.onBoxRead = [field](NumberEdit e) {
                *field = e.value;
                if (e.changed) Session().settingsChanged = true;
            };
        };
        ModuleRecord& r = Record();
        bind(*row.value, &r.Control[i]);
        bind(*row.low, &r.RangeLo[i]);
        bind(*row.high, &r.RangeHi[i]);
        connect(row.sense, &QSpinBox::valueChanged, row.sense, [&r, i](int v) {
            r.Sense[i] = v;
            Session().settingsChanged = true;
        });
        connect(row.source, &QComboBox::activated, row.source, [this, &r, i](int check) {
            r.Check[i] = check;
            Session().settingsChanged = true;
            ShowControlPage();
        });
    }

    void DestroyControlRows() {
        for (const auto& row : rows_) {
            for (QWidget* w : row->Widgets()) delete w;
        }
        rows_.clear();
    }

    // Shows the rows of the record's page with the widgets their sources
    // call for, loads every row's values and updates the pager.
    void ShowControlPage() {
        ModuleRecord& r = Record();
        for (const auto& row : rows_) {
            const int i = row->slot;
            const bool shown = OnShownPage(r, i);
            const RowWidgets want = WidgetsForCheck(r.Check[i]);
            row->name->setVisible(shown);
            row->source->setVisible(shown);
            for (QWidget* w : std::initializer_list<QWidget*>{row->value->slider(), row->value->box()})
                w->setVisible(shown && want.value);
            for (QWidget* w : std::initializer_list<QWidget*>{row->low->slider(), row->low->box(), row->high->slider(),
                                                              row->high->box()})
                w->setVisible(shown && want.range);
            row->sense->setVisible(shown && want.sense);
            for (NumberSlider* s : {row->value.get(), row->low.get(), row->high.get()}) s->SetRange(r.Min[i], r.Max[i]);
            row->value->SetValue(r.Control[i]);
            row->low->SetValue(r.RangeLo[i]);
            row->high->SetValue(r.RangeHi[i]);
            const QSignalBlocker quietSense(row->sense);
            row->sense->setValue(r.Sense[i]);
            const QSignalBlocker quietSource(row->source);
            row->source->setCurrentIndex(r.Check[i] < row->source->count() ? r.Check[i] : -1);
        }
        const Pager pager = ControlPager(r);
        pager_->setVisible(pager.shown && !rows_.empty());
        pagerText_->setText(QString("Page %1 of %2").arg(ShownPage(r) + 1).arg(pager.pages));
        prev_->setEnabled(ShownPage(r) > 0);
        next_->setEnabled(ShownPage(r) + 1 < pager.pages);
        if (file_) file_->setText(QString::fromLocal8Bit(r.Path));
    }

    void Turn(int delta) {
        if (TurnPage(Record(), delta)) ShowControlPage();
    }

    const SheetPage page_;
    QGroupBox* settings_;
    QGridLayout* grid_;
    QLabel* empty_;
    QWidget* pager_;
    QLabel* pagerText_;
    QToolButton *prev_, *next_;
    QPushButton *reset_, *testModule_;
    QLabel* sourceHeading_;
    QWidget* fileFields_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLineEdit* formats_ = nullptr;
    std::vector<std::unique_ptr<ControlRow>> rows_;
};

}  // namespace

SheetPageWidget* MakeModulePage(const SheetPage& page) { return new ModulePage(page); }

}  // namespace ztx
