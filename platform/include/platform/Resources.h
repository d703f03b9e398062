// Named byte blobs compiled into the program: message tables, cursors, bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct ResourceBlob {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    explicit operator bool() const { return Data != nullptr; }
};

// Registers a blob under a name (names compare ignoring ASCII case); a later one replaces it.
void RegisterResource(std::string_view name, const uint8_t* data, size_t size);
void UnregisterResource(std::string_view name);
ResourceBlob FindResourceBlob(std::string_view name);
