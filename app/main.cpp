// The program's entry: the application object and the main window.
#include <QMainWindow>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/Application.h"

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Lorvane needs a graphical display (no DISPLAY or WAYLAND_DISPLAY is set).\n");
        return 2;
    }
    LorvaneApplication app(argc, argv);
    SetApplicationTitle("Lorvane");
    QGuiApplication::setApplicationDisplayName("Lorvane");
    QMainWindow window;
    window.setWindowTitle("Lorvane");
    window.resize(800, 560);
    window.show();
    return app.exec();
}
