// zentrix-uninstall: removes a setup of Zentrix for the current user.
//   zentrix-uninstall                 asks with message boxes (on a terminal
//                                     without a display)
//   zentrix-uninstall --unattended    (or --yes) answers every question Yes
// The process always exits with 0, as designed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "uninstall/uninstall.h"
#ifdef ZTX_HAVE_GUI
#include "uninstall/ui/message_boxes.h"
#endif

namespace {

ztx::UninstallDialogs UnattendedDialogs() {
    return {.askYesNo =
                [](const std::string& text, const std::string&) {
                    std::printf("%s Yes\n", text.c_str());
                    return true;
                },
            .inform = [](const std::string& text, const std::string&) { std::printf("%s\n", text.c_str()); }};
}

// Questions on the terminal: an empty answer takes the default (Yes); the
// end of the input answers No, so nothing is removed unasked.
ztx::UninstallDialogs TerminalDialogs() {
    return {.askYesNo =
                [](const std::string& text, const std::string& caption) {
                    for (;;) {
                        std::printf("%s: %s [Y/n] ", caption.c_str(), text.c_str());
                        std::fflush(stdout);
                        std::string answer;
                        if (!std::getline(std::cin, answer)) {
                            std::printf("\n");
                            return false;
                        }
                        if (answer.empty() || answer == "y" || answer == "Y" || answer == "yes") return true;
                        if (answer == "n" || answer == "N" || answer == "no") return false;
                    }
                },
            .inform = [](const std::string& text,
                         const std::string& caption) { std::printf("%s: %s\n", caption.c_str(), text.c_str()); }};
}

}  // namespace

int main(int argc, char** argv) {
    bool unattended = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--unattended") == 0 || std::strcmp(argv[i], "--yes") == 0) {
            unattended = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: zentrix-uninstall [--unattended | --yes]\n"
                "Removes Zentrix as set up for you by zentrix-setup. --unattended (or --yes)\n"
                "answers every question Yes and shows no window.\n");
            return 0;
        }
    }
    if (unattended) {
        ztx::RunUninstall(UnattendedDialogs());
        return 0;
    }
#ifdef ZTX_HAVE_GUI
    if (ztx::RunWithMessageBoxes(argc, argv)) return 0;
#endif
    ztx::RunUninstall(TerminalDialogs());
    return 0;
}
