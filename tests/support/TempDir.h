// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    // With `othersEnter`, a folder that another user may enter (mode 0755): under /tmp, not in
    // the run's own temporary folder, which is its user's alone.
    explicit TempDir(bool othersEnter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A file name inside the folder, as a plain string with "/" delimiters.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
