#include "config/ui/config_sheet.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "config/config_session.h"
#include "config/sheet_pages.h"
#include "config/ui/pages.h"
#include "platform/process.h"
#include "settings/global_options.h"
#include "soundlink/sound_link.h"

namespace ztx {

QString ControlId(int id) { return QStringLiteral("ctl%1").arg(id); }

QPushButton* NumberedButton(const QString& text, int id, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(ControlId(id));
    b->setAutoDefault(false);
    return b;
}

QPushButton* HelpButton(QWidget* page, int topic) {
    auto* b = new QPushButton(QObject::tr("&Help"), page);
    b->setObjectName("help");
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, page, [page, topic] { OpenHelp(page, topic); });
    return b;
}

void BeepUnless(bool started) {
    if (!started) QApplication::beep();
}

void OpenHelp(QWidget* parent, int topic) {
    const std::string file = HelpFile(Session().program);
    if (file.empty()) {
        QMessageBox::information(parent, "Help",
                                 "The help pages are not installed. They belong in the folder \"system/help\" of "
                                 "the installation; run setup to install them.");
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
    url.setFragment(QString::fromStdString(HelpAnchor(topic)));
    if (!QDesktopServices::openUrl(url))
        QMessageBox::information(parent, "Help",
                                 "No web browser could be started to show the help. The help page is " +
                                     url.toString());
}

ConfigSheet::ConfigSheet(int startPage, QWidget* parent) : QDialog(parent) {
    SoundLinkRecord* link = SoundLink();
    setWindowTitle(QString::fromStdString(
        SheetCaption(link ? int(link->companionMajor) : 0, link ? int(link->companionMinor) : 0)));
    setObjectName("configSheet");

    list_ = new QListWidget(this);
    list_->setObjectName("pageList");
    stack_ = new QStackedWidget(this);
    for (int i = 0; i < kSheetPageCount; ++i) {
        const SheetPage& page = SheetPageAt(i);
        SheetPageWidget* w = nullptr;
        switch (page.kind) {
            case PageKind::Module:
            case PageKind::SlideShow: w = MakeModulePage(page); break;
            case PageKind::Main: w = MakeMainPage(); break;
            case PageKind::Auxiliary: w = MakeAuxiliaryPage(); break;
            case PageKind::Sound: w = MakeSoundPage(); break;
            case PageKind::EditDisplays: w = MakeEditPage(); break;
            case PageKind::Sequencer: w = MakeSequencerPage(); break;
            case PageKind::Palette: w = MakePalettePage(); break;
            case PageKind::CustomPalette: w = MakeCustomPalettePage(); break;
            case PageKind::VideoMode: w = MakeVideoModePage(); break;
        }
        w->setObjectName(QStringLiteral("page%1").arg(i));
        pages_.push_back(w);
        stack_->addWidget(w);
        list_->addItem(page.title);
    }
    visited_.assign(pages_.size(), false);
    list_->setFixedWidth(list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 24);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("sheetButtons");
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConfigSheet::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(list_);
    body->addWidget(stack_, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addWidget(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, &ConfigSheet::PageChosen);
    ShowPage(startPage);
    // One size for every page, room for all 30 titles and ten control rows;
    // within a 1024x768 screen with the window's frame.
    resize(900, 650);
}

ConfigSheet::~ConfigSheet() = default;

int ConfigSheet::CurrentPage() const { return current_; }

void ConfigSheet::ShowPage(int index) {
    if (list_->currentRow() != index) {
        list_->setCurrentRow(index);  // PageChosen follows
    } else if (current_ != index) {
        PageChosen(index);
    }
}

void ConfigSheet::PageChosen(int index) {
    if (index < 0 || index == current_) return;
    if (current_ >= 0) pages_[current_]->Left();
    current_ = index;
    visited_[index] = true;
    stack_->setCurrentIndex(index);
    pages_[index]->Activated();
}

void ConfigSheet::DisplaysChanged() {
    for (SheetPageWidget* p : pages_) p->DisplaysChanged();
}

bool ConfigSheet::StartTestProgram(const std::string& commandLine) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return false;
    auto* child = new QProcess(this);
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args;
    for (size_t i = 1; i < words.size(); ++i) args << QString::fromStdString(words[i]);
    child->start(QString::fromStdString(words[0]), args);
    if (!child->waitForStarted()) {
        delete child;
        return false;
    }
    connect(child, &QProcess::finished, this, [this, child] {
        child->deleteLater();
        if (EndTestDisplay()) DisplaysChanged();
    });
    return true;
}

void ConfigSheet::accept() {
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (visited_[i]) pages_[i]->Ok();
    }
    SaveGlobalOptions();
    std::string why;
    if (!KeepEdits(&why)) {
        QMessageBox::warning(this, "Zentrix",
                             QString("Your changes could not be kept as the display \"%1\": %2")
                                 .arg(kScratchDisplay, QString::fromStdString(why)));
        return;
    }
    QDialog::accept();
}

void ConfigSheet::reject() {
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (visited_[i]) pages_[i]->CancelAsked();
    }
    QDialog::reject();
}

bool ConfigSheet::event(QEvent* e) {
    // Back from a full-screen test: undo it, as every page does when its
    // window is activated.
    if (e->type() == QEvent::WindowActivate && EndTestDisplay()) DisplaysChanged();
    return QDialog::event(e);
}

}  // namespace ztx
