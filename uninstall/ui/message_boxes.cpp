#include "uninstall/ui/message_boxes.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "uninstall/uninstall.h"

namespace ztx {

bool MessageBoxesAvailable() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

void RunWithMessageBoxes(int argc, char** argv) {
    QApplication app(argc, argv);
    UninstallDialogs dialogs{
        .askYesNo =
            [](const std::string& text, const std::string& caption) {
                return QMessageBox::question(nullptr, QString::fromStdString(caption), QString::fromStdString(text),
                                             QMessageBox::Yes | QMessageBox::No,
                                             QMessageBox::Yes) == QMessageBox::Yes;
            },
        .inform =
            [](const std::string& text, const std::string& caption) {
                QMessageBox::information(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
            },
    };
    RunUninstall(dialogs);
}

}  // namespace ztx
