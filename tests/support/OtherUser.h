// Parts of tests that must run as an ordinary user. CI runs the tests as root, which reads and
// writes past every permission: there such a part runs in a forked child that has become the
// unprivileged user "nobody".
#pragma once

#include <functional>

// Whether the tests run as root, and so may become another user.
bool RunningAsRoot();
// Makes this process (a child forked for it) the user "nobody", without root's groups; true
// when it is that user now. Only as root.
bool BecomeNobody();
// Runs `part` in a forked child that has become "nobody", without root's groups; true when the
// child became that user and `part` returned true. Only as root. The child ends right after
// `part`: it reports through its result only, not through the test's assertions.
bool AsAnotherUser(const std::function<bool()>& part);
// Runs `part` as an unprivileged user: right here when the tests run as one, otherwise as
// AsAnotherUser does.
bool AsUnprivilegedUser(const std::function<bool()>& part);
