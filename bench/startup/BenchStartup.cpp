// The program's start-up, measured from outside by bench/startup/startup.sh, one run per process:
//   bench_startup make FILE COUNT  writes a bank of COUNT generated entries to FILE
//   bench_startup load FILE        loads that bank as the program opens one, nothing else
//   bench_startup window           starts as the program does (the bank it finds, the main
//                                  window) and stops once the window has painted with the bank
// "load" and "window" print the wall clock (nanoseconds) at the point they stop and leave at once
// without freeing anything, so the script's figure for each is from exec to that point.
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFile.h"
#include "BankModel.h"
#include "GeneratedBank.h"
#include "JustOne.h"
#include "MainForm.h"
#include "ResStrings.h"
#include "Settings.h"
#include "StartUp.h"
#include "platform/FolderPicker.h"
#include "platform/qt/Application.h"

namespace {

[[noreturn]] void StopHere() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    _exit(0);
}

// The first paint after the bank is in: once it has been handled (the whole window is painted
// in one pass), the run stops.
class TFirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] { StopHere(); });
        }
        return false;
    }

private:
    bool seen_ = false;
};

int Make(const std::string& file, int count) {
    Settings().ConfirmSaves = false;
    for (const TEntry& e : Generate(count)) Bank().AppendEntry(e);
    Bank().SaveScope = {TSaveScope::swAll, false};
    return SaveBankFile(file) ? 0 : 1;
}

// As main() does, with the watch for the first paint after the start-up steps.
int Window(int argc, char** argv) {
    TXJustOne guard;
    guard.Loaded();
    if (guard.Terminated()) return 1;
    LorvaneApplication app(argc, argv);
    SetApplicationTitle(std::string(ResAppTitle));
    SetFolderPicker(&DesktopFolderPicker());
    TMainForm mainForm;
    mainForm.AdminSaveForm();
    mainForm.PasswordDlg();
    mainForm.show();
    CallGuarded([] { StartUp(); });
    if (Bank().EntryHigh < 0) {
        std::fprintf(stderr, "no bank was opened\n");
        return 1;
    }
    TFirstPaint watch;
    app.installEventFilter(&watch);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 4) return Make(argv[2], std::stoi(argv[3]));
    if (mode == "load" && argc == 3) {
        if (!OpenBank(argv[2]) || Bank().EntryHigh < 0) return 1;
        StopHere();
    }
    if (mode == "window") return Window(argc, argv);
    std::fprintf(stderr, "usage: bench_startup make FILE COUNT | load FILE | window\n");
    return 2;
}
