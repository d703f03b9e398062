// The registry's keys in memory and their text form in the registry file.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

struct TRegKeyNode {
    std::string Name;
    std::vector<std::unique_ptr<TRegKeyNode>> SubKeys;
    std::vector<TRegValue> Values;

    TRegKeyNode* FindSubKey(std::string_view name) const;
    TRegKeyNode& AddSubKey(std::string_view name);  // the existing one when there is one
    bool RemoveSubKey(std::string_view name);
    int FindValue(std::string_view name) const;  // -1 when missing
};

struct TRegTree {
    std::array<TRegKeyNode, 4> Roots;  // in TRegRoot order

    TRegKeyNode& Root(TRegRoot root) { return Roots[size_t(root)]; }
    void Clear();
};

// How deep keys may nest below a root. Keys are freed and written recursively, so a file
// nesting deeper is taken for damaged rather than allowed to exhaust the stack.
inline constexpr size_t MaxRegKeyDepth = 512;

// The non-empty names of a "\"-separated path.
std::vector<std::string_view> SplitRegPath(std::string_view path);

// The file text: a signature line, then one "[ROOT\key\...]" section per key followed by
// its values, one a line:
//   "name"=sz:"text"   "name"=expand:"text"   "name"=dword:0000000a
//   "name"=hex:0a,ff,00   "name"=hex(7):...   and @= for the unnamed value.
// Quoted texts escape \\, \", CR as \r, LF as \n, and other bytes below 0x20, 0x7F and bytes
// from 0x80 as \xHH, so every byte survives; key names escape %, [, ], \ and the same bytes
// as %HH. A key name never holds "\": read from a file as %5C, it separates keys.
std::string WriteRegistryText(const TRegTree& tree);
// False, with `tree` left empty, when the text is not a complete registry file.
bool ReadRegistryText(std::string_view text, TRegTree& tree);
