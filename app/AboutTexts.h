// The about box's texts.
#pragma once

#include <cstdint>
#include <string>

// The about box's version lines from the version record's numbers: "Version: 1.0" from the
// product version's major part, "Build: 1.0.0.0" from the file version, cut before its last
// "." when the build is shown with three levels.
std::string AboutVersionText(uint32_t productVersionMS);
std::string AboutBuildText(uint32_t fileVersionMS, uint32_t fileVersionLS, bool threeLevels);
// The maker's addresses behind the about box's two links.
inline constexpr const char* MakerMailLink = "MailTo:support@pelltech.example";
inline constexpr const char* MakerWebSite = "https://www.pelltech.example/";
