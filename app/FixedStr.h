// A string of fixed byte capacity: assignments longer than the capacity are cut to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t N>
class FixedStr {
public:
    static constexpr std::size_t Capacity = N;

    FixedStr() = default;
    FixedStr(std::string_view text) : text_(text.substr(0, N)) {}
    FixedStr(const std::string& text) : FixedStr(std::string_view(text)) {}
    FixedStr(const char* text) : FixedStr(std::string_view(text)) {}

    FixedStr& operator=(std::string_view text) {
        text_.assign(text.substr(0, N));
        return *this;
    }
    FixedStr& operator=(const std::string& text) { return *this = std::string_view(text); }
    FixedStr& operator=(const char* text) { return *this = std::string_view(text); }

    const std::string& str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    operator const std::string&() const { return text_; }
    operator std::string_view() const { return text_; }

    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }
    char operator[](std::size_t i) const { return text_[i]; }
    void clear() { text_.clear(); }

    friend bool operator==(const FixedStr&, const FixedStr&) = default;
    friend bool operator==(const FixedStr& a, std::string_view b) { return a.text_ == b; }
    friend bool operator==(const FixedStr& a, const std::string& b) { return a.text_ == b; }
    friend bool operator==(const FixedStr& a, const char* b) { return a.text_ == b; }

private:
    std::string text_;
};
