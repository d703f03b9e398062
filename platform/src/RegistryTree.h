// The registry's keys in memory and their text form in the registry file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Registry.h"
#include "platform/SysUtils.h"

// Where each name of a list is, the case of ASCII letters ignored, so that a lookup costs the
// same however long the list. The list keeps its own order; the index follows it lazily: it
// takes in what was appended since the last lookup, and is reset when anything else changes
// the positions.
class TRegNameIndex {
public:
    // The position of the name among the `count` names that `nameAt(i)` gives, -1 when none
    // has it. Short lists are searched one by one.
    template <class NameAt>
    int Find(std::string_view name, size_t count, NameAt nameAt) const;
    void Reset() const;  // the index is a cache of its list

private:
    struct TSlot {
        uint32_t hash = 0;
        uint32_t position = 0;  // + 1; 0: a free slot
    };
    static constexpr size_t Direct = 8;
    static uint32_t Hash(std::string_view name);
    void Place(uint32_t hash, size_t position) const;
    mutable std::vector<TSlot> slots_;
    mutable size_t indexed_ = 0;  // the first positions the slots hold
};

// A key: its values and sub-keys in the order they were made, which is the order of listings
// and of the file. Both lists are changed by appending, by replacing an item with one of the
// same name, or through RemoveSubKey, RemoveValue and Clear, which keep their indexes right.
struct TRegKeyNode {
    std::string Name;
    std::vector<std::unique_ptr<TRegKeyNode>> SubKeys;
    std::vector<TRegValue> Values;

    TRegKeyNode* FindSubKey(std::string_view name) const;
    TRegKeyNode& AddSubKey(std::string_view name);  // the existing one when there is one
    bool RemoveSubKey(std::string_view name);
    int FindValue(std::string_view name) const;  // -1 when missing
    void RemoveValue(size_t index);
    void Clear();

private:
    int SubKeyPosition(std::string_view name) const;
    TRegNameIndex subKeyIndex_, valueIndex_;
};

template <class NameAt>
int TRegNameIndex::Find(std::string_view name, size_t count, NameAt nameAt) const {
    if (count < Direct || count > INT32_MAX) {
        for (size_t i = 0; i < count; ++i)
            if (SameText(nameAt(i), name)) return int(i);
        return -1;
    }
    if (indexed_ > count) Reset();
    if (count * 2 > slots_.size()) {
        size_t size = 16;
        while (size < count * 2) size *= 2;
        std::vector<TSlot> old = std::exchange(slots_, std::vector<TSlot>(size));
        for (const TSlot& slot : old)
            if (slot.position != 0) Place(slot.hash, slot.position - 1);
    }
    for (; indexed_ < count; ++indexed_) Place(Hash(nameAt(indexed_)), indexed_);
    const uint32_t hash = Hash(name);
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const TSlot& slot = slots_[at];
        if (slot.position == 0) return -1;
        if (slot.hash == hash && SameText(nameAt(slot.position - 1), name))
            return int(slot.position - 1);
    }
}

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
