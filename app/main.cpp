// The program's entry: the single-instance guard, the application object, the windows and the
// start-up step.
#include <cstdio>
#include <cstdlib>

#include "JustOne.h"
#include "MainForm.h"
#include "ResStrings.h"
#include "StartUp.h"
#include "platform/FolderPicker.h"
#include "platform/qt/Application.h"

int main(int argc, char** argv) {
    // A second copy ends before it creates any window or runs any start-up step.
    TXJustOne guard;
    guard.Loaded();
    if (guard.Terminated()) return 0;

    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "Lorvane needs a graphical display (no DISPLAY or WAYLAND_DISPLAY is set).\n");
        return 2;
    }
    LorvaneApplication app(argc, argv);
    SetApplicationTitle(std::string(ResAppTitle));
    SetFolderPicker(&DesktopFolderPicker());

    int result = 0;
    {
        TMainForm mainForm;
        // The dialogs the program keeps from its start.
        mainForm.AdminSaveForm();
        mainForm.PasswordDlg();
        mainForm.show();
        CallGuarded([] { StartUp(); });
        result = app.exec();
    }
    return result;
}
