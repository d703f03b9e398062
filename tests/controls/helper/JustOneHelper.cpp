// The "other copy" that the instance-guard tests start.
#include <unistd.h>
#include <cstdio>
#include <string>

#include "JustOne.h"

// Arguments: folder, lock name, "hold" (keep the guard until the input closes) or "try".
// Exit codes: 0 ran, 3 another copy runs, 4 the guard could not be created.
int main(int argc, char** argv) {
    if (argc < 4) return 2;
    TXJustOne guard;
    guard.LockFolder = argv[1];
    guard.LockName = argv[2];
    guard.Loaded();
    if (guard.Terminated()) return 3;
    if (!guard.Owned()) return 4;
    if (std::string(argv[3]) == "hold") {
        std::puts("held");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {
        }
    }
    return 0;
}
