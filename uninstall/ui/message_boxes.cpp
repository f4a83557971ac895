#include "uninstall/ui/message_boxes.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "uninstall/uninstall.h"

namespace ztx {

bool RunWithMessageBoxes(int argc, char** argv) {
    // The probe stays connected until Qt has its own connection: a server
    // with no client left resets, and would turn Qt away meanwhile.
    xcb_connection_t* probe = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(probe)) {
        xcb_disconnect(probe);
        return false;
    }
    QApplication app(argc, argv);
    xcb_disconnect(probe);
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
