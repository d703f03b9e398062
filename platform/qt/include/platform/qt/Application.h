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

// Runs `action`; an exception it raises is shown as the boundary shows one. For callbacks that
// Qt may call where no application boundary stands (tests run a plain application object).
template <class F>
void CallGuarded(F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        LorvaneApplication::ShowException(&e);
    } catch (...) {
        LorvaneApplication::ShowException(nullptr);
    }
}

// Windows-1252 bytes to and from QString, for widgets.
QString ToQString(const std::string& ansi);
std::string FromQString(const QString& text);

// The program's title, used as the message boxes' caption.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
