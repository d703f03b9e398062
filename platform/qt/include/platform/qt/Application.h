// The program's application object: message boxes for the message service and the one
// boundary where exceptions escaping event handlers are shown, never crossing Qt's loop.
#pragma once

#include <QApplication>
#include <QString>
#include <string>

class LorvaneApplication : public QApplication {
public:
    LorvaneApplication(int& argc, char** argv);
    ~LorvaneApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an exception that reached the boundary: an error box with a stop icon and OK;
    // the silent abort shows nothing.
    static void ShowException(const std::exception* error);
};

// Windows-1252 bytes to and from QString, for widgets.
QString ToQString(const std::string& ansi);
std::string FromQString(const QString& text);

// The program's title, used as the message boxes' caption.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
