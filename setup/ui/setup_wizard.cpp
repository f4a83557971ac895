#include "setup/ui/setup_wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWizard>
#include <QWizardPage>
#include <cstdio>
#include <cstdlib>

#include "engine/process_state.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "setup/setup.h"
#include "shell/run_modes.h"
#include "shell/ui/x_display_probe.h"
#include "soundlink/sound_link.h"

namespace ztx {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

template <typename W>
W* Numbered(W* widget, int number) {
    widget->setObjectName(QString("ctl%1").arg(number));
    return widget;
}

// A paragraph of the page, wrapped to the page's width.
QLabel* Text(const char* text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// The hourglass for as long as the installation runs.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The state every page shares.
struct Wizard {
    PackageFolder package;
    SetupStart start;
    bool installed = false;
};

// A directory edit with "Browse": pages 0 and 2.
struct DirectoryRow {
    QLineEdit* edit;
    QPushButton* browse;
};

DirectoryRow AddDirectoryRow(QWizardPage* page, QVBoxLayout* layout, const std::string& dir, int editNumber,
                             int browseNumber) {
    auto* row = new QHBoxLayout;
    DirectoryRow r{.edit = Numbered(new QLineEdit(Q(dir)), editNumber),
                   .browse = Numbered(new QPushButton(QObject::tr("Browse...")), browseNumber)};
    row->addWidget(r.edit, 1);
    row->addWidget(r.browse);
    layout->addLayout(row);
    QObject::connect(r.browse, &QPushButton::clicked, page, [page, edit = r.edit] {
        QString chosen = QFileDialog::getExistingDirectory(page, "Select Destination Directory", edit->text());
        if (!chosen.isEmpty()) edit->setText(chosen);
    });
    return r;
}

// Leaving a directory page: the folder must exist (it is created) and be
// usable, else "Invalid directory name!" and the user stays.
bool AcceptDirectory(QWidget* page, QLineEdit* edit, std::string& target) {
    std::string dir = edit->text().trimmed().toStdString();
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!PrepareDirectory(dir)) {
        QMessageBox::critical(page, Q(dir), kInvalidDirectoryText);
        return false;
    }
    target = dir;
    return true;
}

class DirectoryPage : public QWizardPage {
public:
    explicit DirectoryPage(Wizard& w) : w_(w) {
        setTitle("The Zentrical Screen Saver -- Directory");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text("Setup will install the Zentrical Screen Saver in this folder:"));
        row_ = AddDirectoryRow(this, layout, w.start.choices.installDir, 1100, 1101);
        layout->addStretch();
    }
    bool validatePage() override { return AcceptDirectory(this, row_.edit, w_.start.choices.installDir); }

private:
    Wizard& w_;
    DirectoryRow row_{};
};

class OptionsPage : public QWizardPage {
public:
    explicit OptionsPage(Wizard& w) : w_(w) {
        setTitle("The Zentrical Screen Saver -- Install Options");
        auto* layout = new QVBoxLayout(this);
        SetupChoices& c = w.start.choices;
        auto box = [&](const char* text, int number, bool checked, bool enabled = true) {
            auto* b = Numbered(new QCheckBox(text), number);
            b->setChecked(checked);
            b->setEnabled(enabled);
            layout->addWidget(b);
            return b;
        };
        launcher_ = box("Add saver launcher to your task bar", 1058, c.addLauncher, w.start.launcherInPackage);
        config_ = box("Add configuration utility to Desktop", 1059, c.configOnDesktop);
        presets_ = box("Load Preset Displays", 1061, c.loadPresets, w.start.presetsAvailable);
        saved_ = box("Add Saved Settings to Desktop", 1060, c.savedOnDesktop);
        saver_ = box("Set as your default screen saver", 1057, c.makeDefaultSaver);
        colours_ = box("Default to 256 color display mode", 1069, c.default256Colours);
        layout->addStretch();
    }
    bool validatePage() override {
        SetupChoices& c = w_.start.choices;
        c.addLauncher = launcher_->isChecked();
        c.configOnDesktop = config_->isChecked();
        c.loadPresets = presets_->isChecked();
        c.savedOnDesktop = saved_->isChecked();
        c.makeDefaultSaver = saver_->isChecked();
        c.default256Colours = colours_->isChecked();
        return true;
    }

private:
    Wizard& w_;
    QCheckBox *launcher_, *config_, *presets_, *saved_, *saver_, *colours_;
};

class CompanionPage : public QWizardPage {
public:
    explicit CompanionPage(Wizard& w) : w_(w) {
        setTitle("Tonewell Pro -- Install Options");
        auto* layout = new QVBoxLayout(this);
        const SetupChoices& c = w.start.choices;
        const bool present = w.start.companionInPackage;
        install_ = Numbered(new QCheckBox("Install Tonewell Pro"), 1062);
        // The player choices mean nothing on this platform: shown, never offered.
        auto* cd = Numbered(new QCheckBox("Set as default CD Player"), 1345);
        auto* media = Numbered(new QCheckBox("Set as default media player (MP3, WAV)"), 1346);
        install_->setChecked(c.installCompanion);
        cd->setChecked(c.companionDefaultCd && present);
        media->setChecked(c.companionDefaultMedia && present);
        install_->setEnabled(present);
        cd->setEnabled(false);
        media->setEnabled(false);
        for (QCheckBox* b : {install_, cd, media}) layout->addWidget(b);
        layout->addWidget(Text("Install the sound analyser in this folder:"));
        row_ = AddDirectoryRow(this, layout, c.companionDir, 1353, 1352);
        row_.edit->setEnabled(present);
        row_.browse->setEnabled(present);
        layout->addStretch();
    }
    bool validatePage() override {
        w_.start.choices.installCompanion = install_->isChecked();
        return !w_.start.companionInPackage || AcceptDirectory(this, row_.edit, w_.start.choices.companionDir);
    }

private:
    Wizard& w_;
    QCheckBox* install_;
    DirectoryRow row_{};
};

class ProgressPage : public QWizardPage {
public:
    explicit ProgressPage(Wizard& w) : w_(w) {
        setTitle("Installing...");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text("Press 'Install' to install the Zentrical Screen Saver."));
        install_ = Numbered(new QPushButton("Install"), 1349);
        text_ = Numbered(new QLabel, 1348);
        bar_ = new QProgressBar;
        bar_->setRange(0, 100);
        bar_->setValue(0);
        next_ = Numbered(new QLabel, 1351);
        layout->addWidget(install_, 0, Qt::AlignLeft);
        layout->addWidget(text_);
        layout->addWidget(bar_);
        layout->addWidget(next_);
        layout->addStretch();
        connect(install_, &QPushButton::clicked, this, [this] { Install(); });
    }
    bool isComplete() const override { return w_.installed; }
    // Space installs at once; Enter stays with the wizard's Next.
    void initializePage() override { install_->setFocus(); }

private:
    void Install() {
        wizard()->setOption(QWizard::NoCancelButton, true);
        install_->setEnabled(false);
        InstallResult result;
        {
            BusyCursor busy;
            SetupHost host{
                .progress =
                    [this](const std::string& text, int percent) {
                        text_->setText(Q(text));
                        bar_->setValue(percent);
                        wizard()->repaint();
                        QApplication::processEvents();
                    },
                .closeOldVersions =
                    [this] { QMessageBox::information(this, kCloseOldVersionsCaption, kCloseOldVersionsText); }};
            result = RunInstall(w_.package, w_.start.choices, host);
        }
        if (result != InstallResult::Done) {
            QMessageBox::critical(this, kInstallProblemCaption, kInstallProblemText);
            wizard()->setOption(QWizard::NoCancelButton, false);
            install_->setEnabled(true);
            return;
        }
        next_->setText("Press the 'Next' button (below) to proceed...");
        w_.installed = true;
        // Installed: no way back to change what was installed, only on.
        wizard()->setButtonLayout({QWizard::Stretch, QWizard::NextButton});
        Q_EMIT completeChanged();
        wizard()->button(QWizard::NextButton)->setFocus();
    }

    Wizard& w_;
    QPushButton* install_;
    QLabel* text_;
    QProgressBar* bar_;
    QLabel* next_;
};

// The desktop's own screen-saver settings, when XScreenSaver provides them.
std::string SaverSettingsProgram() {
    for (const char* name : {"xscreensaver-settings", "xscreensaver-demo"}) {
        for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
            std::string path = std::string(dir) + "/" + name;
            if (IsRegularFile(path)) return path;
        }
    }
    return std::string();
}

class ConfigurePage : public QWizardPage {
public:
    ConfigurePage() {
        setTitle("The Zentrical Screen Saver -- Configure");
        setFinalPage(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(
            Text("The Zentrical Screen Saver is installed. You can choose it as your screen "
                 "saver, compose your own displays, or read the help."));
        auto* configure = Numbered(new QPushButton("&Configure"), 1037);
        auto* launch = Numbered(new QPushButton("&Launch"), 1087);
        auto* help = Numbered(new QPushButton("&Help"), 1298);
        for (QPushButton* b : {configure, launch, help}) layout->addWidget(b, 0, Qt::AlignLeft);
        layout->addStretch();
        const std::string settings = SaverSettingsProgram();
        configure->setEnabled(!settings.empty());
        connect(configure, &QPushButton::clicked, this, [settings] { RunCommandLine("\"" + settings + "\""); });
        connect(launch, &QPushButton::clicked, this, [] { RunCommandLine(ConfigureCommand()); });
        connect(help, &QPushButton::clicked, this,
                [] { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(SystemDir() + "/help/index.html"))); });
    }
    void initializePage() override { wizard()->setButtonLayout({QWizard::Stretch, QWizard::FinishButton}); }
};

int RunSetupWizard(const CommandLine&, int argc, char** argv) {
    // Qt aborts without a display: say what to do instead.
    XDisplayProbe probe;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !probe.Reachable("zentrix-setup")) {
        std::fprintf(stderr,
                     "zentrix-setup: no X display to show the wizard on; \"zentrix-setup --unattended\" "
                     "installs with the default answers\n");
        return 1;
    }
    QApplication app(argc, argv);
    probe.Release();
    Wizard w;
    w.package = FindPackageFolder(OwnProgramPath());
    w.start = InitialSetup(w.package);
    QWizard wizard;
    wizard.setWindowTitle(
        QString("Setup for Zentrix v%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionBuild));
    wizard.setOption(QWizard::NoBackButtonOnStartPage);
    wizard.addPage(new DirectoryPage(w));
    wizard.addPage(new OptionsPage(w));
    wizard.addPage(new CompanionPage(w));
    wizard.addPage(new ProgressPage(w));
    wizard.addPage(new ConfigurePage);
    wizard.show();
    app.exec();
    return 0;
}

}  // namespace

void InstallSetupRunner() { Runners.setup = RunSetupWizard; }

}  // namespace ztx
