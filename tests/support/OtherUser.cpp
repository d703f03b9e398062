// Parts of tests run as an unprivileged user.
#include "OtherUser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

}  // namespace

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

bool BecomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(NoGroup) == 0 && ::setuid(Nobody) == 0 &&
           ::geteuid() == Nobody;
}

bool AsAnotherUser(const std::function<bool()>& part) {
    if (!RunningAsRoot()) return false;
    const pid_t child = ::fork();
    if (child == 0) {
        bool done = false;
        try {
            done = BecomeNobody() && part();
        } catch (...) {
        }
        ::_exit(done ? 0 : 1);
    }
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool AsUnprivilegedUser(const std::function<bool()>& part) {
    return RunningAsRoot() ? AsAnotherUser(part) : part();
}
