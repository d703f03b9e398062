// Clipboard formats by number and name, and the MIME types that carry them on the desktop.
// Numbers 1 to 16 are the standard formats with fixed names; a registered name gets a number
// from 0xC000 up, the same number every time (names compare without regard to case).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using TClipFormat = uint16_t;

inline constexpr TClipFormat StandardFormatText = 1;
inline constexpr TClipFormat StandardFormatUnicodeText = 13;
inline constexpr TClipFormat FirstRegisteredClipFormat = 0xC000;

// The name of a standard format (1 "Plain text" ... 16 "Locale descriptor"), else "".
std::string StandardClipboardFormatName(TClipFormat format);
// The number of a name: a standard format's number for its table name, else the number
// registered for it (registering it now when it has none). 0 for an empty name or when the
// numbers are exhausted.
TClipFormat RegisterClipboardFormatName(std::string_view name);
// The name of a standard or registered format, "" when the number is neither.
std::string ClipboardFormatName(TClipFormat format);
// The MIME types that carry a format, the preferred one first; none for a format that is not
// exchanged with other programs. Plain and Unicode text share one UTF-8 "text/plain".
std::vector<std::string> ClipboardFormatMimeTypes(TClipFormat format);
// The format a MIME type carries, 0 when none ("text/plain" gives Unicode text).
TClipFormat ClipboardFormatOfMimeType(std::string_view mimeType);
