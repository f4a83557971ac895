#include "uninstall/ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "shell/ui/x_display_probe.h"
#include "uninstall/uninstall.h"

namespace ztx {

bool RunWithMessageBoxes(int argc, char** argv) {
    // Without a reachable display the questions are asked on the terminal.
    XDisplayProbe probe;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !probe.Reachable("zentrix-uninstall")) return false;
    QApplication app(argc, argv);
    probe.Release();
    UninstallDialogs dialogs{
        .askYesNo =
            [](const std::string& text, const std::string& caption) {
                return QMessageBox::question(nullptr, QString::fromStdString(caption), QString::fromStdString(text),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
            },
        .inform =
            [](const std::string& text, const std::string& caption) {
                QMessageBox::information(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
            },
    };
    RunUninstall(dialogs);
    return true;
}

}  // namespace ztx
