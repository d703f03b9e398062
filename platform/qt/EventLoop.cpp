// The event-processing helpers over Qt's event dispatcher.
#include "platform/EventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>

bool HasEventLoop() {
    return QCoreApplication::instance() != nullptr;
}

void ProcessMessages(bool excludeUserInput) {
    if (!HasEventLoop()) return;
    QCoreApplication::processEvents(excludeUserInput ? QEventLoop::ExcludeUserInputEvents
                                                     : QEventLoop::AllEvents);
}

bool ProcessMessagesUntil(int milliseconds, bool (*done)(void*), void* context) {
    QElapsedTimer timer;
    timer.start();
    while (!(done && done(context))) {
        qint64 left = milliseconds - timer.elapsed();
        if (left <= 0) break;
        if (HasEventLoop()) {
            // Sleeps in the dispatcher until an event arrives or the slice ends. (The overload
            // with a time limit drops WaitForMoreEvents and would spin; the timer wakes it.)
            QTimer wake;
            wake.setSingleShot(true);
            wake.start(int(std::min<qint64>(left, 50)));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else {
            QThread::msleep(unsigned(std::min<qint64>(left, 10)));
        }
    }
    if (done && done(context)) return true;
    // Whatever fell due during the last wait still runs: work is never dropped at the deadline.
    if (HasEventLoop()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return done && done(context);
}

int64_t TickCount() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
