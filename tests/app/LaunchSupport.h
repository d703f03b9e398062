// What the launching tests share: a launcher that records what would be started, and a pump
// of the event loop until something has happened.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "BankFixture.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"

// Records what would be started and where a later failure would go; fails on request.
struct RecordingLauncher {
    std::vector<Strings> started;
    std::vector<std::string> opened;
    TStartFailed failLater;
    bool fail = false;
    void Install() {
        Seams().StartProgram = [this](const Strings& command, const TStartFailed& failed) {
            if (fail) throw Exception("cannot start");
            started.push_back(command);
            failLater = failed;
        };
        Seams().OpenDocument = [this](const std::string& target, const TStartFailed& failed) {
            if (fail) throw Exception("cannot open");
            opened.push_back(target);
            failLater = failed;
        };
    }
};

inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    return ProcessMessagesUntil(
        milliseconds, [](void* p) { return (*static_cast<const std::function<bool()>*>(p))(); },
        const_cast<std::function<bool()>*>(&done));
}
