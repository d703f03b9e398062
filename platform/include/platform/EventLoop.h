// Processing pending events on the user-interface thread from inside long operations.
#pragma once

#include <cstdint>

// Processes the events that are pending now. With excludeUserInput, keyboard and mouse input
// stays queued, so a long operation cannot be re-entered by the user. Without an event loop
// (over Qt, before the application object exists) it does nothing. The headless backend
// always has its own event queue.
void ProcessMessages(bool excludeUserInput = true);

// Processes events as they arrive, sleeping between them, until `milliseconds` have passed
// or `done()` turns true; returns done()'s last answer. What is due when the time is up runs
// once more before it returns. Without an event loop it sleeps in small steps and still checks
// done(). The headless backend walks its virtual clock through the span instead of sleeping
// (platform/headless/Headless.h); only descriptors and posts from other threads get real time.
bool ProcessMessagesUntil(int milliseconds, bool (*done)(void*), void* context);

// True when the program's event loop exists (the program, or a test that created one).
bool HasEventLoop();

// Milliseconds on the clock that user-interface timing reads (hold-offs, repeat delays,
// progress throttles); only differences mean anything. Over Qt it is monotonic real time;
// headless it is the virtual clock that timers run on, which tests advance.
int64_t TickCount();
