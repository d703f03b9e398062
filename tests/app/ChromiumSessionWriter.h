// Chromium session files written command by command, for the tests and benchmarks of their
// reader.
#pragma once

#include <cstdint>
#include <string>

inline std::string LE32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

struct SessionWriter {
    std::string Bytes = std::string("SNSS", 4) + LE32(3);
    void Command(uint8_t id, const std::string& payload) {
        const size_t size = payload.size() + 1;
        Bytes += {char(size), char(size >> 8), char(id)};
        Bytes += payload;
    }
    void Ints(uint8_t id, int32_t a, int32_t b) {
        Command(id, LE32(uint32_t(a)) + LE32(uint32_t(b)));
    }
    static std::string Padded(std::string s) { return s.append((4 - s.size() % 4) % 4, '\0'); }
    void Navigation(int32_t tab, int32_t index, const std::string& url,
                    const std::u16string& title) {
        std::string units;
        for (char16_t c : title) units += {char(c), char(c >> 8)};
        const std::string pickle = LE32(uint32_t(tab)) + LE32(uint32_t(index)) +
                                   LE32(uint32_t(url.size())) + Padded(url) +
                                   LE32(uint32_t(title.size())) + Padded(units) + LE32(0);
        Command(6, LE32(uint32_t(pickle.size())) + pickle);
    }
};
