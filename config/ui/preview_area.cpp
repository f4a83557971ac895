#include "config/ui/preview_area.h"

#include <QApplication>
#include <QPainter>
#include <QProcessEnvironment>

#include <signal.h>
#include <sys/prctl.h>

#include "config/config_session.h"
#include "settings/global_options.h"

namespace ztx {

namespace {

constexpr int kPauseMs = 250;
constexpr int kCloseWaitMs = 1000;

}  // namespace

PreviewArea::PreviewArea(QWidget* parent) : QWidget(parent) {
    setObjectName("ctl1329");
    // The child draws into this window: it must be a real X window.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        Stop();
        Start();
    });
}

PreviewArea::~PreviewArea() { Stop(); }

void PreviewArea::RestartTimer() {
    if (Options.preview) timer_.start(kPauseMs);
}

bool PreviewArea::Running() const { return child_ && child_->state() != QProcess::NotRunning; }

void PreviewArea::Start() {
    SaveGlobalOptions();  // the child reads the options as they are now
    child_ = new QProcess(this);
    child_->setProgram(QString::fromStdString(Session().program));
    child_->setArguments({"/P", QString::number(winId())});
    // A named display reaches this child alone, so "Active" never changes
    // under other instances.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const std::string display = displayToShow ? displayToShow() : std::string();
    if (display.empty()) {
        env.remove("ZENTRIX_DISPLAY");
    } else {
        env.insert("ZENTRIX_DISPLAY", QString::fromStdString(display));
    }
    child_->setProcessEnvironment(env);
    child_->setProcessChannelMode(QProcess::ForwardedChannels);
    child_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    child_->start();
}

void PreviewArea::Stop() {
    timer_.stop();
    if (!child_) return;
    if (child_->state() != QProcess::NotRunning) {
        child_->terminate();
        if (!child_->waitForFinished(kCloseWaitMs)) {
            QApplication::beep();
            child_->kill();
            child_->waitForFinished(kCloseWaitMs);
        }
    }
    delete child_;
    child_ = nullptr;
    update();
}

void PreviewArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

}  // namespace ztx
