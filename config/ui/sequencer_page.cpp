// "Sequencer": the saved displays that may be sequenced ("Available"), the
// sequence being built ("Selected", with seconds and clear flag per row),
// ordered play, the test run and the quick preview of the display last
// picked. The list becomes the sequence when the page is left or OK is
// pressed (config/display_pages.h).
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/config_session.h"
#include "config/display_pages.h"
#include "config/ui/pages.h"
#include "config/ui/preview_area.h"
#include "engine/engine_state.h"
#include "modules/framework/module_table.h"
#include "settings/global_options.h"

namespace ztx {

namespace {

enum Column { kNameColumn, kSecondsColumn, kClearColumn };

class SequencerPage : public SheetPageWidget {
public:
    SequencerPage() {
        available_ = new QListWidget(this);
        available_->setObjectName(ControlId(1019));
        selected_ = new QTreeWidget(this);
        selected_->setObjectName(ControlId(1018));
        selected_->setHeaderLabels({"Display Name", "Sec", "Clr"});
        selected_->setRootIsDecorated(false);
        selected_->header()->setStretchLastSection(false);
        selected_->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
        selected_->setColumnWidth(kSecondsColumn, 40);
        selected_->setColumnWidth(kClearColumn, 36);

        add_ = NumberedButton("-->", 1020, this);
        remove_ = NumberedButton("<--", 1021, this);
        auto* addAll = NumberedButton("All -->", 3, this);
        auto* removeAll = NumberedButton("<-- All", 4, this);
        up_ = NumberedButton("&Up", 1340, this);
        down_ = NumberedButton("&Down", 1341, this);

        picked_ = new QLineEdit(this);
        picked_->setObjectName(ControlId(1024));
        picked_->setReadOnly(true);
        seconds_ = new QLineEdit("16", this);
        seconds_->setObjectName(ControlId(1027));
        seconds_->setFixedWidth(seconds_->fontMetrics().horizontalAdvance("000000") + 12);
        auto* secondsLabel = new QLabel("&Seconds:", this);
        secondsLabel->setBuddy(seconds_);
        clear_ = new QCheckBox("&Clear first", this);
        clear_->setObjectName(ControlId(1036));
        clear_->setChecked(true);
        inOrder_ = new QCheckBox("Play in &order", this);
        inOrder_->setObjectName(ControlId(1029));

        preview_ = new PreviewArea(this);
        preview_->setFixedSize(240, 180);
        preview_->displayToShow = [this] { return picked_->text().toStdString(); };
        allowPreview_ = new QCheckBox("Allow &Quick Preview", this);
        allowPreview_->setObjectName(ControlId(1323));
        auto* test = NumberedButton("&Test Sequencer Settings", 1085, this);

        auto* middle = new QVBoxLayout;
        middle->addStretch(1);
        for (QPushButton* b : {add_, remove_, addAll, removeAll}) middle->addWidget(b);
        middle->addStretch(1);
        auto* left = new QVBoxLayout;
        left->addWidget(new QLabel("Available:", this));
        left->addWidget(available_, 1);
        auto* upDown = new QHBoxLayout;
        upDown->addStretch(1);
        upDown->addWidget(up_);
        upDown->addWidget(down_);
        auto* right = new QVBoxLayout;
        right->addWidget(new QLabel("Selected:", this));
        right->addWidget(selected_, 1);
        right->addLayout(upDown);
        auto* lists = new QHBoxLayout;
        lists->addLayout(left, 1);
        lists->addLayout(middle);
        lists->addLayout(right, 1);

        auto* fields = new QGridLayout;
        fields->addWidget(new QLabel("Display:", this), 0, 0);
        fields->addWidget(picked_, 0, 1, 1, 2);
        fields->addWidget(secondsLabel, 1, 0);
        fields->addWidget(seconds_, 1, 1);
        fields->addWidget(clear_, 2, 0, 1, 3);
        fields->addWidget(inOrder_, 3, 0, 1, 3);
        fields->setColumnStretch(2, 1);
        fields->setRowStretch(4, 1);
        auto* previewColumn = new QVBoxLayout;
        previewColumn->addWidget(preview_);
        previewColumn->addWidget(allowPreview_);
        auto* lower = new QHBoxLayout;
        lower->addLayout(fields, 1);
        lower->addLayout(previewColumn);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(test);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpEditDisplays));

        auto* outer = new QVBoxLayout(this);
        outer->addLayout(lists, 1);
        outer->addLayout(lower);
        outer->addLayout(buttons);

        connect(available_, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row < 0) return;
            Pick(available_->item(row)->text());
            add_->setEnabled(true);
        });
        connect(available_, &QListWidget::itemDoubleClicked, this, [this] { Add(available_->currentRow()); });
        connect(selected_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
            if (!item) return;
            {
                const QSignalBlocker quiet(available_);
                available_->setCurrentRow(-1);
            }
            add_->setEnabled(false);
            Pick(item->text(kNameColumn));
            for (QPushButton* b : {remove_, up_, down_}) b->setEnabled(true);
        });
        connect(add_, &QPushButton::clicked, this, [this] { Add(available_->currentRow()); });
        connect(addAll, &QPushButton::clicked, this, [this] {
            for (int i = 0; i < available_->count(); ++i) Add(i);
        });
        connect(remove_, &QPushButton::clicked, this, [this] {
            delete selected_->currentItem();
            Changed();
        });
        connect(removeAll, &QPushButton::clicked, this, [this] {
            selected_->clear();
            Changed();
        });
        connect(up_, &QPushButton::clicked, this, [this] { Move(-1); });
        connect(down_, &QPushButton::clicked, this, [this] { Move(+1); });
        connect(inOrder_, &QCheckBox::clicked, this, [this] { Changed(); });
        connect(allowPreview_, &QCheckBox::toggled, this, [this](bool on) {
            Options.preview = on ? 1 : 0;
            if (on) {
                RestartPreview();
            } else {
                preview_->Stop();
            }
        });
        connect(test, &QPushButton::clicked, this, [this] {
            preview_->Stop();
            CopyList();
            BeepUnless(TestSlotOnly(kSlotSequencer));
        });
        FillAvailable();
    }

    // ShowSequence: the rows of the sequence, ordered play, the buttons that
    // need a selection off.
    void Activated() override {
        selected_->clear();
        for (const SequenceRow& row : SequenceRows()) AddRow(row);
        inOrder_->setChecked(Sequence.orderedPlay != 0);
        for (QPushButton* b : {remove_, up_, down_}) b->setEnabled(false);
        add_->setEnabled(available_->currentRow() >= 0);
        const QSignalBlocker quiet(allowPreview_);
        allowPreview_->setChecked(Options.preview != 0);
        picked_->clear();
    }
    void Left() override {
        preview_->Stop();
        CopyList();
    }
    void Ok() override {
        preview_->Stop();
        CopyList();
    }
    void CancelAsked() override { preview_->Stop(); }
    void DisplaysChanged() override { FillAvailable(); }

private:
    void FillAvailable() {
        const QSignalBlocker quiet(available_);
        available_->clear();
        for (const std::string& name : SequenceCandidates()) available_->addItem(QString::fromStdString(name));
    }

    void Pick(const QString& name) {
        picked_->setText(name);
        RestartPreview();
    }

    // The preview shows the display last picked; nothing before one is.
    void RestartPreview() {
        if (!picked_->text().isEmpty()) preview_->RestartTimer();
    }

    void AddRow(const SequenceRow& row) {
        auto* item = new QTreeWidgetItem(selected_);
        item->setText(kNameColumn, QString::fromStdString(row.name));
        item->setText(kSecondsColumn, QString::fromStdString(row.seconds));
        item->setText(kClearColumn, QString::fromStdString(row.clear));
        item->setTextAlignment(kSecondsColumn, Qt::AlignRight | Qt::AlignVCenter);
    }

    void Add(int availableRow) {
        if (availableRow < 0) return;
        AddRow(MakeSequenceRow(available_->item(availableRow)->text().toStdString(), seconds_->text().toStdString(),
                               clear_->isChecked()));
        Changed();
    }

    std::vector<SequenceRow> Rows() const {
        std::vector<SequenceRow> rows;
        for (int i = 0; i < selected_->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = selected_->topLevelItem(i);
            rows.push_back({.name = item->text(kNameColumn).toStdString(),
                            .seconds = item->text(kSecondsColumn).toStdString(),
                            .clear = item->text(kClearColumn).toStdString()});
        }
        return rows;
    }

    void Move(int delta) {
        std::vector<SequenceRow> rows = Rows();
        const int at = MoveSequenceRow(rows, selected_->indexOfTopLevelItem(selected_->currentItem()), delta);
        selected_->clear();
        for (const SequenceRow& row : rows) AddRow(row);
        selected_->setCurrentItem(selected_->topLevelItem(at));
        selected_->setFocus();
        Changed();
    }

    // CopySequenceFromList: an empty list keeps the sequence as it was.
    void CopyList() { CopySequenceFromRows(Rows(), inOrder_->isChecked()); }

    void Changed() { Session().settingsChanged = true; }

    QListWidget* available_;
    QTreeWidget* selected_;
    QPushButton *add_, *remove_, *up_, *down_;
    QLineEdit *picked_, *seconds_;
    QCheckBox *clear_, *inOrder_, *allowPreview_;
    PreviewArea* preview_;
};

}  // namespace

SheetPageWidget* MakeSequencerPage() { return new SequencerPage; }

}  // namespace ztx
