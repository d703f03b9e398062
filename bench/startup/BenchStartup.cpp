// The program's start-up and its whole runs of a save and an import, measured from outside by
// bench/startup/startup.sh, bench/readme-table.sh and bench/app/import-vs-buku.sh, one run per
// process:
//   bench_startup make FILE COUNT [protected]
//                                  writes a bank of COUNT generated entries to FILE
//   bench_startup load FILE        loads that bank as the program opens one, nothing else
//   bench_startup window           starts as the program does (the bank it finds, the main
//                                  window) and stops once the window has painted with the bank
//   bench_startup save FILE [protected]
//                                  opens that bank as the program does, then saves it over
//                                  itself (the previous file kept as the backup), as a user's
//                                  save after an edit
//   bench_startup import BOOKMARKS FILE
//                                  starts a new bank, imports the bookmark file BOOKMARKS into it
//                                  and saves the bank as FILE (a new file), as a user would; prints
//                                  the entries imported (bench/app/import-vs-buku.sh times the
//                                  whole process)
//   bench_startup savefloor FILE [whole]
//                                  reads the file, then writes its bytes to a new file beside it
//                                  (a megabyte at a time, each started on its way to the disk;
//                                  or whole), syncs it, renames it over FILE, syncs the folder
// "load" and "window" print the wall clock (nanoseconds) at the point they stop and leave at once
// without freeing anything, so the script's figure for each is from exec to that point. "save"
// and "savefloor" print the milliseconds of the save alone (bench/readme-table.sh runs them).
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFile.h"
#include "BankModel.h"
#include "GeneratedBank.h"
#include "ImportReaders.h"
#include "JustOne.h"
#include "MainForm.h"
#include "ResStrings.h"
#include "Settings.h"
#include "StartUp.h"
#include "platform/FileUtils.h"
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

// A protected bank's password, given wherever the program would ask for it.
void GivePassword() {
    Settings().BankPassword = "Secret";
    Seams().AskPassword = [](std::string& typed) {
        typed = "Secret";
        return true;
    };
}

int Make(const std::string& file, int count, bool isProtected) {
    Settings().ConfirmSaves = false;
    Settings().PWordFile = isProtected;
    GivePassword();
    for (const TEntry& e : Generate(count)) Bank().AppendEntry(e);
    Bank().SaveScope = {TSaveScope::swAll, false};
    return SaveBankFile(file) ? 0 : 1;
}

void PrintMilliseconds(std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.2f\n", took.count());
}

int Save(const std::string& file, bool isProtected) {
    Settings().ConfirmSaves = false;
    Settings().PWordFile = isProtected;
    GivePassword();
    if (!OpenBank(file) || Bank().EntryHigh < 0) return 1;
    Bank().SaveScope = {TSaveScope::swAll, false};
    const auto start = std::chrono::steady_clock::now();
    if (!SaveBankFile(file)) return 1;
    PrintMilliseconds(start);
    return 0;
}

int Import(const std::string& bookmarks, const std::string& file) {
    Settings().ConfirmSaves = false;
    if (!NewBankCommand()) return 1;
    const int count = ImportBookmarkFile(Bank(), bookmarks);
    Bank().SaveScope = {TSaveScope::swAll, false};
    if (count <= 0 || !SaveBankFile(file)) return 1;
    std::printf("%d\n", count);
    return 0;
}

// The same bytes replacing the same file with plain calls: the floor the disk sets for a save.
// In pieces, each started on its way to the disk once written, as the bank's save writes; or
// whole, then synced.
int SaveFloor(const std::string& file, bool whole) {
    const std::string bytes = ReadFileBytes(file);
    const std::string temp = file + ".floor";
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 1;
    const size_t piece = whole ? bytes.size() : size_t(1) << 20;
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, std::min(piece, bytes.size() - done));
        if (n <= 0) return 1;
        if (!whole) ::sync_file_range(fd, off_t(done), n, SYNC_FILE_RANGE_WRITE);
        done += size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), file.c_str()) != 0) return 1;
    const std::string path = ExtractFilePath(file);
    const int folder =
        ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0) return 1;
    ::close(folder);
    PrintMilliseconds(start);
    return 0;
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
    if (mode == "make" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "protected")))
        return Make(argv[2], std::stoi(argv[3]), argc == 5);
    if (mode == "load" && argc == 3) {
        if (!OpenBank(argv[2]) || Bank().EntryHigh < 0) return 1;
        StopHere();
    }
    if (mode == "window") return Window(argc, argv);
    const std::string option = argc == 4 ? argv[3] : "";
    if (mode == "save" && (argc == 3 || option == "protected"))
        return Save(argv[2], option == "protected");
    if (mode == "import" && argc == 4) return Import(argv[2], argv[3]);
    if (mode == "savefloor" && (argc == 3 || option == "whole"))
        return SaveFloor(argv[2], option == "whole");
    std::fprintf(stderr,
                 "usage: bench_startup make FILE COUNT [protected] | load FILE | window | "
                 "save FILE [protected] | import BOOKMARKS FILE | savefloor FILE [whole]\n");
    return 2;
}
