// Drop effects of drag and drop, as an int: several may be allowed at once.
#pragma once

inline constexpr int DROPEFFECT_NONE = 0;
inline constexpr int DROPEFFECT_COPY = 1;
inline constexpr int DROPEFFECT_MOVE = 2;
inline constexpr int DROPEFFECT_LINK = 4;
inline constexpr int DROPEFFECT_SCROLL = int(0x80000000u);
