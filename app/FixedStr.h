// A string of fixed byte capacity: assignments longer than the capacity are cut to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The bytes live in the object itself (capacity + 1 bytes and a length), so a bank entry's
// short fields cost no separate allocation.
template <std::size_t N>
class FixedStr {
    static_assert(N < 256, "the length is kept in one byte");

public:
    static constexpr std::size_t Capacity = N;

    FixedStr() = default;
    FixedStr(std::string_view text) { assign(text); }
    FixedStr(const std::string& text) : FixedStr(std::string_view(text)) {}
    FixedStr(const char* text) : FixedStr(std::string_view(text)) {}

    FixedStr& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    FixedStr& operator=(const std::string& text) { return *this = std::string_view(text); }
    FixedStr& operator=(const char* text) { return *this = std::string_view(text); }

    std::string str() const { return std::string(data_, size_); }
    const char* c_str() const { return data_; }
    operator std::string() const { return str(); }
    operator std::string_view() const { return std::string_view(data_, size_); }

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    char operator[](std::size_t i) const { return data_[i]; }
    void clear() { assign(std::string_view()); }

    friend bool operator==(const FixedStr& a, const FixedStr& b) {
        return std::string_view(a) == std::string_view(b);
    }
    friend bool operator==(const FixedStr& a, std::string_view b) {
        return std::string_view(a) == b;
    }
    friend bool operator==(const FixedStr& a, const std::string& b) {
        return std::string_view(a) == b;
    }
    friend bool operator==(const FixedStr& a, const char* b) { return std::string_view(a) == b; }

private:
    void assign(std::string_view text) {
        const std::size_t n = text.size() < N ? text.size() : N;
        std::char_traits<char>::move(data_, text.data(), n);  // the text may be our own
        data_[n] = '\0';
        size_ = static_cast<unsigned char>(n);
    }

    char data_[N + 1] = {};
    unsigned char size_ = 0;
};
