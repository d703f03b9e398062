// The program's entry: the single-instance guard, the application object and the main window.
#include <QGuiApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

#include "JustOne.h"
#include "platform/FolderPicker.h"
#include "platform/qt/Application.h"

int main(int argc, char** argv) {
    // A second copy ends before it creates any window or runs any start-up step.
    TXJustOne guard;
    guard.Loaded();
    if (guard.Terminated()) return 0;

    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Lorvane needs a graphical display (no DISPLAY or WAYLAND_DISPLAY is set).\n");
        return 2;
    }
    LorvaneApplication app(argc, argv);
    SetApplicationTitle("Lorvane");
    SetFolderPicker(&DesktopFolderPicker());
    QGuiApplication::setApplicationDisplayName("Lorvane");
    QMainWindow window;
    window.setWindowTitle("Lorvane");
    window.resize(800, 560);
    window.show();
    return app.exec();
}
