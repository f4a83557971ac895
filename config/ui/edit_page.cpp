// "Edit Displays": which modules take part in the current display, whether
// the screen is cleared first, the plug-in library, and saving, deleting,
// exporting, importing and trying out displays, with the sync indicator.
// The rules live in config/display_pages.h; this page shows them.
#include <QApplication>
#include <QCheckBox>
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
#include <QStyle>
#include <QVBoxLayout>

#include <array>
#include <cstring>

#include "config/config_session.h"
#include "config/display_pages.h"
#include "config/ui/pages.h"
#include "modules/framework/module_table.h"
#include "plugins/plugin_host.h"
#include "settings/display_names.h"
#include "settings/global_options.h"
#include "settings/settings_key.h"

namespace ztx {

namespace {

class EditPage : public SheetPageWidget {
public:
    EditPage() {
        names_ = new QComboBox(this);
        names_->setObjectName(ControlId(1078));
        names_->setEditable(true);
        names_->setInsertPolicy(QComboBox::NoInsert);
        names_->lineEdit()->setMaxLength(kMaxDisplayName);
        auto* namesLabel = new QLabel("Display &name:", this);
        namesLabel->setBuddy(names_);

        auto* modules = new QGroupBox("Modules in this display", this);
        auto* grid = new QGridLayout(modules);
        constexpr int kColumns = 4;
        for (const ModuleBox& m : ModuleBoxes()) {
            auto* box = new QCheckBox(m.label, modules);
            box->setObjectName(ControlId(m.id));
            boxes_[m.slot] = box;
            grid->addWidget(box, m.slot / kColumns, m.slot % kColumns);
            connect(box, &QCheckBox::clicked, this, [this] { BoxClicked(); });
        }
        clear_ = new QCheckBox("&Clear the screen before running this display", this);
        clear_->setObjectName(ControlId(1036));
        connect(clear_, &QCheckBox::clicked, this, [this] { BoxClicked(); });

        plugins_ = new QComboBox(this);
        plugins_->setObjectName(ControlId(1079));
        pluginLabel_ = new QLabel("Plug-In &library:", this);
        pluginLabel_->setBuddy(plugins_);
        about_ = NumberedButton("&About Plug-In", 1087, this);

        sync_ = new QLabel(this);
        sync_->setObjectName(ControlId(1334));
        syncIcon_ = new QLabel(this);
        syncIcon_->setObjectName(ControlId(1332));
        noSyncIcon_ = new QLabel(this);
        noSyncIcon_->setObjectName(ControlId(1333));
        syncIcon_->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
        noSyncIcon_->setPixmap(style()->standardIcon(QStyle::SP_MediaVolumeMuted).pixmap(16, 16));

        save_ = NumberedButton("&Save", 1080, this);
        auto* remove = NumberedButton("&Delete", 1077, this);
        auto* exportButton = NumberedButton("Save &to ZTX...", 1047, this);
        auto* importButton = NumberedButton("&Load ZTX...", 1054, this);
        auto* preview = NumberedButton("&Preview", 1085, this);

        auto* nameRow = new QHBoxLayout;
        nameRow->addWidget(namesLabel);
        nameRow->addWidget(names_, 1);
        nameRow->addWidget(save_);
        nameRow->addWidget(remove);
        auto* pluginRow = new QHBoxLayout;
        pluginRow->addWidget(pluginLabel_);
        pluginRow->addWidget(plugins_, 1);
        pluginRow->addWidget(about_);
        auto* syncRow = new QHBoxLayout;
        syncRow->addWidget(syncIcon_);
        syncRow->addWidget(noSyncIcon_);
        syncRow->addWidget(sync_);
        syncRow->addStretch(1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(exportButton);
        buttons->addWidget(importButton);
        buttons->addWidget(preview);
        buttons->addStretch(1);
        buttons->addWidget(HelpButton(this, kHelpEditDisplays));

        auto* outer = new QVBoxLayout(this);
        outer->addLayout(nameRow);
        outer->addWidget(modules);
        outer->addWidget(clear_);
        outer->addLayout(pluginRow);
        outer->addLayout(syncRow);
        outer->addStretch(1);
        outer->addLayout(buttons);

        connect(names_, &QComboBox::activated, this, [this](int index) {
            ChooseDisplay(names_->itemText(index).toStdString());
            ShowModuleBoxes();
        });
        connect(plugins_, &QComboBox::activated, this, [this](int index) { PluginChosen(index); });
        connect(about_, &QPushButton::clicked, this, [] {
            ModuleRecord& r = ModuleTable[kSlotPlugIn];
            if (r.DoAbout) r.DoAbout(&r);
        });
        connect(save_, &QPushButton::clicked, this, [this] { Save(); });
        connect(remove, &QPushButton::clicked, this, [this] { Delete(); });
        connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
        connect(importButton, &QPushButton::clicked, this, [this] { Import(); });
        connect(preview, &QPushButton::clicked, this, [this] {
            ReadBoxes();
            BeepUnless(TestDisplay());
        });

        FillDisplays();
        FillPlugins();
        ShowModuleBoxes();
        if (!ModuleActive[kSlotPlugIn] && plugins_->isEnabled() && plugins_->currentIndex() >= 0)
            LoadPlugin(plugins_->currentText().toStdString().c_str());
    }

    void Activated() override { ShowModuleBoxes(); }
    void Left() override { ReadBoxes(); }
    void Ok() override { ReadBoxes(); }
    void DisplaysChanged() override {
        FillDisplays();
        ShowModuleBoxes();
    }

private:
    void FillDisplays() {
        const QSignalBlocker quiet(names_);
        names_->clear();
        for (const std::string& name : ListDisplays()) names_->addItem(QString::fromStdString(name));
        SelectActive();
    }

    void SelectActive() {
        const QSignalBlocker quiet(names_);
        const int at = names_->findText(QString::fromStdString(ReadSettingText("Active", kMaxDisplayName)),
                                        Qt::MatchExactly | Qt::MatchCaseSensitive);
        names_->setCurrentIndex(at);
        if (at < 0) names_->setEditText("");
    }

    void FillPlugins() {
        const std::vector<std::string> names = ListPlugins();
        for (const std::string& n : names) plugins_->addItem(QString::fromStdString(n));
        const bool any = !names.empty();
        for (QWidget* w : std::initializer_list<QWidget*>{plugins_, pluginLabel_, boxes_[kSlotPlugIn], about_})
            w->setEnabled(any);
    }

    // ShowModuleBoxes: the boxes from the active flags, "Active" selected,
    // the plug-in list on the slot's library and the sync indicator.
    void ShowModuleBoxes() {
        const ModuleBoxState state = CurrentModuleBoxes();
        for (int slot = 0; slot < kModuleSlots; ++slot) boxes_[slot]->setChecked(state.active[slot]);
        clear_->setChecked(state.clearFirst);
        SelectActive();
        if (plugins_->count() > 0) {
            const ModuleRecord& r = ModuleTable[kSlotPlugIn];
            const int at = ModuleActive[kSlotPlugIn] && r.PluginPath[0]
                               ? plugins_->findText(QString::fromLocal8Bit(r.PluginPath), Qt::MatchExactly)
                               : 0;
            plugins_->setCurrentIndex(at < 0 ? 0 : at);
        }
        ShowSync();
        save_->setEnabled(Session().settingsChanged);
    }

    void ReadBoxes() {
        ModuleBoxState state;
        for (int slot = 0; slot < kModuleSlots; ++slot) state.active[slot] = boxes_[slot]->isChecked();
        state.clearFirst = clear_->isChecked();
        ReadModuleBoxes(state);
    }

    void ShowSync() {
        const bool sync = DisplayInSync();
        sync_->setText(sync ? "Sync" : "No Sync");
        syncIcon_->setVisible(sync);
        noSyncIcon_->setVisible(!sync);
    }

    void Changed() {
        Session().settingsChanged = true;
        save_->setEnabled(true);
    }

    void BoxClicked() {
        Changed();
        ReadBoxes();
        ShowSync();
    }

    void PluginChosen(int index) {
        const std::string name = plugins_->itemText(index).toStdString();
        std::string message;
        if (!LoadPlugin(name.c_str(), false, &message) && !message.empty())
            QMessageBox::critical(this, kInvalidPluginTitle, QString::fromStdString(message));
        ModuleRecord& r = ModuleTable[kSlotPlugIn];
        const std::string path = name.substr(0, sizeof r.PluginPath - 1);
        std::memcpy(r.PluginPath, path.c_str(), path.size() + 1);
        Changed();
    }

    bool AskOverwrite(const std::string& name) {
        return QMessageBox::question(
                   this, "Replace Existing Settings?",
                   QString("Are you sure you want to overwrite the existing settings for %1?")
                       .arg(QString::fromStdString(name)),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    }

    // Refreshes every page's lists after the saved displays changed.
    void TellSheet() {
        if (auto* sheet = dynamic_cast<ConfigSheet*>(window())) {
            sheet->DisplaysChanged();
        } else {
            DisplaysChanged();
        }
    }

    void Save() {
        ReadBoxes();
        const SaveOutcome out = SaveEditedDisplay(names_->currentText().toStdString(),
                                                  [this](const std::string& n) { return AskOverwrite(n); });
        if (out.result == SaveOutcome::Result::Failed)
            QMessageBox::warning(this, "Save", QString::fromStdString("The display could not be saved: " + out.error));
        if (out.result != SaveOutcome::Result::Saved) return;
        TellSheet();
    }

    void Delete() {
        const QString selected = names_->currentIndex() >= 0 ? names_->itemText(names_->currentIndex()) : "";
        DeleteEditedDisplay(names_->currentText().toStdString(), selected.toStdString());
        TellSheet();
    }

    void Export() {
        ReadBoxes();
        const std::string name = SaveNameFor(names_->currentText().toStdString());
        const QString target = QFileDialog::getSaveFileName(
            this, "Save to ZTX", QString::fromStdString(ExportFileName(name)), "Displays (*.ZTX *.ztx)");
        if (target.isEmpty()) return;
        std::string error;
        if (!ExportEditedDisplay(name, target.toStdString(), &error))
            QMessageBox::warning(this, "Save to ZTX",
                                 QString::fromStdString("The display could not be exported: " + error));
        TellSheet();
    }

    void Import() {
        const QStringList files = QFileDialog::getOpenFileNames(
            this, "Load ZTX", QString::fromStdString(SavedDisplayDir()), "Displays (*.ZTX *.ztx)");
        if (files.isEmpty()) return;
        std::vector<std::string> paths, errors;
        for (const QString& f : files) paths.push_back(f.toStdString());
        const std::string chosen =
            ImportDisplays(paths, [this](const std::string& n) { return AskOverwrite(n); }, &errors);
        if (!errors.empty()) {
            QString text = "These files were not loaded:";
            for (const std::string& e : errors) text += "\n" + QString::fromStdString(e);
            QMessageBox::warning(this, "Load ZTX", text);
        }
        if (!chosen.empty()) TellSheet();
    }

    QComboBox* names_;
    std::array<QCheckBox*, kModuleSlots> boxes_{};
    QCheckBox* clear_;
    QComboBox* plugins_;
    QLabel* pluginLabel_;
    QPushButton* about_;
    QLabel *sync_, *syncIcon_, *noSyncIcon_;
    QPushButton* save_;
};

}  // namespace

SheetPageWidget* MakeEditPage() { return new EditPage; }

}  // namespace ztx
