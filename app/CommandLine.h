// Command lines as desktop entries write them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Command lines as desktop entries write them: words apart at blanks; double quotes group,
// and inside them a backslash takes the next character as it is.
std::vector<std::string> SplitCommandLine(std::string_view line);
std::string JoinCommandLine(const std::vector<std::string>& words);
