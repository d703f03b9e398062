// Starting programs detached, and the watch over what became of them.
#include "StartedPrograms.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>

#include "UrlEncoding.h"
#include "platform/Codec.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SocketNotifier.h"
#include "platform/SysUtils.h"

namespace {

// The program a command's first word names: itself when it holds a "/", else the first
// executable file of that name in PATH; empty when there is none.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos) return std::string();
        dirs.remove_prefix(colon + 1);
    }
}

// What the child processes of a start report through their pipe.
struct StartReport {
    char Kind;  // 'E' exec failed (Value: errno), 'F' fork failed (errno), 'X' ended (status)
    int Value;
};

}  // namespace

void WriteStartReport(int fd, char kind, int value) {
    // Every byte goes down the pipe, the padding too: none is left as the stack had it.
    StartReport report;
    std::memset(&report, 0, sizeof report);
    report.Kind = kind;
    report.Value = value;
    ssize_t ignored = ::write(fd, &report, sizeof report);
    (void)ignored;
}

namespace {

// Reads what the watcher of one start reports, from the event loop, and when the watcher has
// left (which it does at once after a report) reaps it, frees itself and tells the outcome.
// Until then the program keeps it.
class TStartReader {
public:
    TStartReader(int descriptor, pid_t watcher, TStartReport report)
        : descriptor_(descriptor),
          watcher_(watcher),
          report_(std::move(report)),
          notifier_(descriptor, TSocketNotifierType::sntRead, [this](int) { Read(); }) {}

private:
    void Read() {
        StartReport report{};
        ssize_t n;
        do n = ::read(descriptor_, &report, sizeof report);
        while (n < 0 && errno == EINTR);
        if (n == ssize_t(sizeof report)) {
            if (outcome_.Error != 0) return;  // an exit after a failed exec says nothing more
            if (report.Kind == 'X') {
                outcome_.Ended = true;
                outcome_.Status = report.Value;
            } else {
                outcome_.Error = report.Value;
            }
            return;
        }
        // The watcher has left (its end of the pipe closed with it): it is reaped at once.
        int status = 0;
        while (::waitpid(watcher_, &status, 0) < 0 && errno == EINTR) {
        }
        ::close(descriptor_);
        const TStartReport tell = std::move(report_);
        const TStartOutcome outcome = outcome_;
        delete this;  // the notifier may be freed from inside its callback
        tell(outcome);
    }

    int descriptor_;
    pid_t watcher_;
    TStartReport report_;
    TStartOutcome outcome_;
    TSocketNotifier notifier_;
};

}  // namespace

int StartDetachedCommand(const std::vector<std::string>& nativeCommand,
                         std::chrono::milliseconds watch, TStartReport report) {
    const std::string program = nativeCommand.empty() || nativeCommand[0].empty()
                                    ? std::string()
                                    : FindProgram(nativeCommand[0]);
    if (program.empty()) return ENOENT;
    // Everything the children use is made before the fork: after it only calls that are safe
    // in a copy of a threaded process follow.
    std::vector<char*> argv;
    for (const std::string& word : nativeCommand) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const long long watchNs = std::max<long long>(0, watch.count()) * 1000000LL;
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        // The watcher starts the program and reports on it for the watch; when it leaves,
        // the program is nobody's child here and the system takes it over.
        ::close(fds[0]);
        ::signal(SIGCHLD, SIG_DFL);
        ::signal(SIGPIPE, SIG_IGN);
        const pid_t child = ::fork();
        if (child < 0) {
            WriteStartReport(fds[1], 'F', errno);
            ::_exit(0);
        }
        if (child == 0) {
            ::setsid();
            ::signal(SIGPIPE, SIG_DFL);
            if (nothing >= 0) ::dup2(nothing, 0);
            ::execv(program.c_str(), argv.data());
            WriteStartReport(fds[1], 'E', errno);
            ::_exit(127);
        }
        const timespec step{0, 5000000};
        for (long long waited = 0; waited <= watchNs; waited += step.tv_nsec) {
            int status = 0;
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child) {
                WriteStartReport(fds[1], 'X', status);
                break;
            }
            if (done < 0 && errno != EINTR) break;
            ::nanosleep(&step, nullptr);
        }
        ::_exit(0);
    }
    const int forkError = errno;
    ::close(fds[1]);
    if (nothing >= 0) ::close(nothing);
    if (watcher < 0) {
        ::close(fds[0]);
        return forkError;
    }
    new TStartReader(fds[0], watcher, std::move(report));
    return 0;
}

std::string StartFailureCause(const std::string& program, const TStartOutcome& outcome) {
    if (outcome.Error == ENOENT) return "The program \"" + program + "\" was not found.";
    if (outcome.Error != 0)
        return "Cannot start \"" + program + "\": " + Utf8ToAnsi(std::strerror(outcome.Error));
    if (!outcome.Ended) return std::string();
    if (WIFEXITED(outcome.Status) && WEXITSTATUS(outcome.Status) != 0)
        return "\"" + program + "\" ended at once with exit code " +
               IntToStr(WEXITSTATUS(outcome.Status)) + ".";
    if (WIFSIGNALED(outcome.Status))
        return "\"" + program + "\" ended at once on signal " + IntToStr(WTERMSIG(outcome.Status)) +
               ".";
    return std::string();
}

std::string OpenerFailureCause(const TStartOutcome& outcome) {
    if (outcome.Error != 0)
        return "Cannot start the desktop's opener: " + Utf8ToAnsi(std::strerror(outcome.Error));
    if (!outcome.Ended || (WIFEXITED(outcome.Status) && WEXITSTATUS(outcome.Status) == 0))
        return std::string();
    if (!WIFEXITED(outcome.Status))
        return "The desktop's opener ended on signal " + IntToStr(WTERMSIG(outcome.Status)) + ".";
    // The opener's documented exit codes.
    switch (WEXITSTATUS(outcome.Status)) {
        case 1:
            return "The desktop's opener did not understand the address.";
        case 2:
            return "The file does not exist.";
        case 3:
            return "No program to open it was found.";
        case 4:
            return "The program that opens it failed.";
        default:
            return "The desktop's opener ended with exit code " +
                   IntToStr(WEXITSTATUS(outcome.Status)) + ".";
    }
}

TStartWatch::TStartWatch(std::chrono::milliseconds watch, TCause cause, TStartFailed failed)
    : start_(TickCount()), watch_(watch), cause_(std::move(cause)), failed_(std::move(failed)) {}

void TStartWatch::Report(const TStartOutcome& outcome) {
    if (failedOnce_ || TickCount() - start_ > watch_.count()) return;
    const std::string cause = cause_(outcome);
    if (cause.empty()) return;
    failedOnce_ = true;
    if (failed_) failed_(cause);
}

namespace {

// Starts a native command watched: immediate failures raise with `cause`'s text, later ones
// reach `failed`.
void StartWatched(const std::vector<std::string>& nativeCommand, std::chrono::milliseconds watch,
                  const TStartWatch::TCause& cause, const TStartFailed& failed) {
    auto watching = std::make_shared<TStartWatch>(watch, cause, failed);
    TStartOutcome outcome;
    outcome.Error = StartDetachedCommand(
        nativeCommand, watch,
        [watching](const TStartOutcome& reported) { watching->Report(reported); });
    if (outcome.Error != 0) throw Exception(cause(outcome));
}

}  // namespace

void StartProgramWatched(const std::vector<std::string>& command, const TStartFailed& failed,
                         std::chrono::milliseconds watch) {
    std::vector<std::string> native;
    for (const std::string& word : command) native.push_back(ToNativePath(word));
    const std::string program = command.empty() ? std::string() : command[0];
    StartWatched(
        native, watch,
        [program](const TStartOutcome& outcome) { return StartFailureCause(program, outcome); },
        failed);
}

bool OpenWithDesktopOpener(const std::string& target, const TStartFailed& failed,
                           std::chrono::milliseconds watch) {
    const std::string opener = FindProgram("xdg-open");
    if (opener.empty()) return false;
    StartWatched({opener, DesktopUrl(target)}, watch, OpenerFailureCause, failed);
    return true;
}
