// The launcher over the desktop: detached processes and the desktop's URL handlers.
#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "AppSeams.h"
#include "DesktopEntry.h"
#include "StartedPrograms.h"
#include "UrlEncoding.h"
#include "platform/Exceptions.h"
#include "platform/qt/Application.h"

void StartDesktopProgram(const std::vector<std::string>& command, const TStartFailed& failed) {
    StartProgramWatched(command, failed);
}

void OpenDesktopDocument(const std::string& target, const TStartFailed& failed) {
    if (OpenWithDesktopOpener(target, failed)) return;
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(DesktopUrl(target)));
    if (!url.isValid()) throw Exception("The address is not valid.");
    if (!QDesktopServices::openUrl(url)) throw Exception("No program to open it was found.");
}

namespace {

QString Ask(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(5000) || process.exitCode() != 0) {
        process.kill();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

}  // namespace

std::string FindDesktopBrowser() {
    QString entry = Ask("xdg-settings", {"get", "default-web-browser"});
    if (entry.isEmpty()) entry = Ask("xdg-mime", {"query", "default", "x-scheme-handler/http"});
    if (entry.isEmpty() || entry.contains('/')) return std::string();
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry,
                                                QStandardPaths::LocateFile);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::string();
    return DesktopEntryCommand(FromQString(QString::fromUtf8(file.read(1 << 20))),
                               FromQString(path));
}

void InstallDesktopLauncher() {
    Seams().StartProgram = StartDesktopProgram;
    Seams().OpenDocument = OpenDesktopDocument;
    Seams().FindDefaultBrowser = FindDesktopBrowser;
}
