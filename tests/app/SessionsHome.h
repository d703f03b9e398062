// A temporary home folder that the browser-session stand-in reads instead of $HOME, for one
// test: browsers' profiles are laid out in it by copying the session files under tests/data.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"

class SessionsHome {
public:
    SessionsHome() { setenv("LORVANE_SESSIONS_HOME", dir_.Path().c_str(), 1); }
    ~SessionsHome() { unsetenv("LORVANE_SESSIONS_HOME"); }
    SessionsHome(const SessionsHome&) = delete;
    SessionsHome& operator=(const SessionsHome&) = delete;

    const std::filesystem::path& Path() const { return dir_.Path(); }

    static std::string Fixture(const std::string& name) {
        return std::string(LORVANE_TEST_DATA) + "/app/sessions/" + name;
    }
    // Writes a file below the home folder, creating its folders.
    std::filesystem::path Write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path path = dir_.Path() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // A Firefox profile "p" under the current location, holding `session` as its recovery file.
    std::filesystem::path AddFirefox(const std::string& session) const {
        Write(".config/mozilla/firefox/profiles.ini",
              "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
              "Path=p.default\nDefault=1\n");
        return Write(".config/mozilla/firefox/p.default/sessionstore-backups/recovery.jsonlz4",
                     session);
    }
    // A Chromium profile "Default" holding `session` as its newest session file.
    std::filesystem::path AddChromium(const std::string& session) const {
        return Write(".config/chromium/Default/Sessions/Session_13441124014384122", session);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    TempDir dir_;
};
