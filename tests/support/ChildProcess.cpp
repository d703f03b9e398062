#include "ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

std::string ChildOutput(const std::function<std::string()>& job) {
    int out[2];
    if (::pipe(out) != 0) return " (the child failed)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const std::string said = job();
        for (size_t done = 0; done < said.size();) {
            const ssize_t n = ::write(out[1], said.data() + done, said.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::_exit(0);
    }
    ::close(out[1]);
    std::string said;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) said.append(buffer, size_t(n));
    ::close(out[0]);
    int status = -1;
    if (child > 0) ::waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) said += " (the child failed)";
    return said;
}
