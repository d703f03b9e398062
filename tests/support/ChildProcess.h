// A piece of a test run in a forked child process: for limits and users that must not reach
// the test program itself, and for jobs that are killed on their way.
#pragma once

#include <functional>
#include <string>

// Runs `job` in a child process and returns the text it answered, followed by " (the child
// failed)" when the child did not end normally (killed, or no pipe or process could be made).
std::string ChildOutput(const std::function<std::string()>& job);
