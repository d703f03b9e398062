// The application's message table: texts that several units share.
#pragma once

#include <string_view>

// The key of the keyed scrambling for bank files, scrambled settings and the workgroup user file.
inline constexpr std::string_view ResKeyText = "Marrow Glasswork, Ltd";
// The application title, used in captions.
inline constexpr std::string_view ResAppTitle = "Lorvane";
// Dates in the tree, the information panel and the exports.
inline constexpr std::string_view ResDatePicture = "mmm dd, yy";
