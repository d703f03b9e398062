// A temporary folder for one test, removed with everything in it afterwards.
#include "TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

TempDir::TempDir(bool othersEnter) {
    const std::filesystem::path parent =
        othersEnter ? std::filesystem::path("/tmp") : std::filesystem::temp_directory_path();
    std::string pattern = (parent / "lorvane.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
    if (othersEnter) std::filesystem::permissions(path_, std::filesystem::perms(0755));
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}
