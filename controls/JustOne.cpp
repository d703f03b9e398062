// The single-instance guard over a flock-held lock file.
#include "JustOne.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/FileUtils.h"

TInstanceLock TInstanceLockFile::Acquire(const std::string& nativePath) {
    Release();
    int fd = ::open(nativePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return TInstanceLock::ilUnavailable;
    // The lock belongs to this open file: a second open, even in this process, is refused.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        if (err == EINTR) continue;
        ::close(fd);
        return err == EWOULDBLOCK ? TInstanceLock::ilHeldElsewhere : TInstanceLock::ilUnavailable;
    }
    fd_ = fd;
    return TInstanceLock::ilAcquired;
}

void TInstanceLockFile::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string ProgramFileName() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "lorvane";
    std::string path(buf, size_t(n));
    return path.substr(path.rfind('/') + 1);
}

std::string TXJustOne::LockPath() const {
    std::string folder = LockFolder;
    if (folder.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        struct stat st {};
        if (runtime && *runtime == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
            folder = runtime;
        } else {
            folder = ToNativePath(UserConfigFolder());
            ForceDirectories(UserConfigFolder());
        }
    }
    if (folder.back() != '/') folder += '/';
    return folder + (LockName.empty() ? ProgramFileName() : LockName) + ".lock";
}

void TXJustOne::Loaded() {
    terminated_ = false;
    if (lock_.Acquire(LockPath()) != TInstanceLock::ilHeldElsewhere) return;
    if (AlreadyExist) AlreadyExist(this);
    if (Terminate) terminated_ = true;
}
