// Starting programs detached, and the watch over what became of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AppSeams.h"

// What became of a program started detached.
struct TStartOutcome {
    int Error = 0;       // the system's error number when it could not be started
    bool Ended = false;  // it ended while it was watched
    int Status = 0;      // then its wait status
};
// Hears once, from the event loop, what became of a started program while it was watched: that
// it could not be started (Error), that it ended (Ended, Status), or neither (it still ran when
// the watch ended). Told when the watch is over and has let go of everything it used.
using TStartReport = std::function<void(const TStartOutcome& outcome)>;
// Starts a command (native words; a first word without "/" is looked up in PATH) detached
// from this process, in a session of its own and with no input, and returns at once; what the
// program does within `watch` reaches `report`. The system's error number when it cannot be
// started at once (ENOENT: no such program), else 0.
int StartDetachedCommand(const std::vector<std::string>& nativeCommand,
                         std::chrono::milliseconds watch, TStartReport report);
// What a watcher writes down its pipe for one report: a kind ('E' exec failed, 'F' fork
// failed, 'X' ended) and a value (the error number or the wait status), every byte set.
void WriteStartReport(int fd, char kind, int value);
// How long a started program is watched for an immediate failure.
inline constexpr std::chrono::milliseconds StartWatch{400};

// Why a started program failed, from its report; empty when it did not (it ended well).
std::string StartFailureCause(const std::string& program, const TStartOutcome& outcome);
// Why the desktop's opener failed, from its report, as its exit codes tell; empty when not.
std::string OpenerFailureCause(const TStartOutcome& outcome);

// The watch over one start, from the moment it is made: a report of a failure that arrives
// within `watch` on the user-interface clock (TickCount) reaches `failed` with its cause;
// later reports, a clean end and every report after the first failure say nothing.
class TStartWatch {
public:
    using TCause = std::function<std::string(const TStartOutcome& outcome)>;
    TStartWatch(std::chrono::milliseconds watch, TCause cause, TStartFailed failed);
    void Report(const TStartOutcome& outcome);

private:
    int64_t start_;
    std::chrono::milliseconds watch_;
    TCause cause_;
    TStartFailed failed_;
    bool failedOnce_ = false;
};

// Starts a command (Windows-1252 words) as StartDetachedCommand does; raises with the cause
// when it cannot be started, and tells `failed` when it ends within `watch` with an error.
void StartProgramWatched(const std::vector<std::string>& command, const TStartFailed& failed,
                         std::chrono::milliseconds watch = StartWatch);
// Opens a target with the desktop's opener program ("xdg-open" in PATH), watched as
// above: a failure the opener reports (no program for it, a missing file, ...) reaches
// `failed`. False, having done nothing, when there is no opener program.
bool OpenWithDesktopOpener(const std::string& target, const TStartFailed& failed,
                           std::chrono::milliseconds watch = StartWatch);
