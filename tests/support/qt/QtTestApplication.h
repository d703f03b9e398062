// The application object of the Qt tests that make their own: made on first need, shared by the
// whole test program, and a way to let its events run. The program names itself with
// LORVANE_TEST_PROGRAM.
#pragma once

#include <QCoreApplication>

#include "platform/EventLoop.h"
#include "platform/qt/Application.h"

inline void NeedApplication() {
    static int argc = 1;
    static char name[] = LORVANE_TEST_PROGRAM;
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new LorvaneApplication(argc, argv);
}

inline void Pump(int ms = 0) {
    ProcessMessagesUntil(ms, nullptr, nullptr);
}

// Lets events run until `done` answers true or a generous limit passes; the limit only stops a
// broken run. Returns done's last answer.
template <class F>
bool PumpUntil(F done, int ms = 10000) {
    return ProcessMessagesUntil(
        ms, [](void* f) { return bool((*static_cast<F*>(f))()); }, &done);
}
