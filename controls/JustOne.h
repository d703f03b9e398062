// The single-instance guard: a second copy of the program ends before it shows anything.
#pragma once

#include <string>

#include "platform/Classes.h"

enum class TInstanceLock {
    ilAcquired,       // this process holds the lock now
    ilHeldElsewhere,  // another live process holds it
    ilUnavailable,    // the lock file cannot be opened or locked at all
};

// An exclusive lock on a file (flock), released by the kernel when the process ends however
// it ends, so a crashed copy never blocks the next one.
class TInstanceLockFile {
public:
    TInstanceLockFile() = default;
    ~TInstanceLockFile() { Release(); }
    TInstanceLockFile(const TInstanceLockFile&) = delete;
    TInstanceLockFile& operator=(const TInstanceLockFile&) = delete;

    TInstanceLock Acquire(const std::string& nativePath);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The program file's name without its folder.
std::string ProgramFileName();

// A lock held for the life of the process. Take it first thing in main, before any window
// or start-up step:
//     TXJustOne guard;
//     guard.Loaded();
//     if (guard.Terminated()) return 0;
class TXJustOne : public TComponent {
public:
    explicit TXJustOne(TComponent* owner = nullptr) : TComponent(owner) {}

    bool Terminate = true;
    TNotifyEvent AlreadyExist;
    // The lock's name (default: the program file's name) and folder (default: the user's
    // runtime folder, else the configuration folder).
    std::string LockName;
    std::string LockFolder;

    // Takes the guard. When another copy holds it, AlreadyExist fires and, with Terminate,
    // Terminated() turns true. A guard that cannot be created at all lets the program run.
    void Loaded();
    // This instance holds the guard.
    bool Owned() const { return lock_.Held(); }
    // Another copy runs and this one must end now.
    bool Terminated() const { return terminated_; }
    std::string LockPath() const;

private:
    TInstanceLockFile lock_;
    bool terminated_ = false;
};
