// The memo's value helpers: start states, upper-case tables, separators, tab columns.
#include "MarkMemoTypes.h"

#include <array>
#include <chrono>
#include <cstring>

uint8_t AdvanceStaticStyle(uint8_t style, std::string_view text) {
    for (unsigned char c : text) style ^= FormatCodeBit(c);
    return style;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

double MonotonicMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool TAttributeRec::SameState(const TAttributeRec& o) const {
    return Style == o.Style && Level == o.Level && BackColor == o.BackColor &&
           TextColor == o.TextColor && Context == o.Context && Cursor == o.Cursor &&
           KeyRemain == o.KeyRemain && KeyLength == o.KeyLength &&
           std::memcmp(KeyStack, o.KeyStack, sizeof KeyStack) == 0;
}

TStartState FreshStartState() {
    return std::make_shared<const TAttributeRec>();
}

TStartState NewStartState(const TAttributeRec& from) {
    auto state = std::make_shared<TAttributeRec>(from);
    state->Offset = 0;
    return state;
}

namespace {

constexpr std::array<unsigned char, 256> MakeAnsiUpper() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[size_t(c)] = (unsigned char)c;
    for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = (unsigned char)(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) t[size_t(c)] = (unsigned char)(c - 32);
    t[0x9A] = 0x8A;
    t[0x9C] = 0x8C;
    t[0x9E] = 0x8E;
    t[0xFF] = 0x9F;
    return t;
}
constexpr std::array<unsigned char, 256> kAnsiUpper = MakeAnsiUpper();

TUserUpperCase userUpperCase = nullptr;

}  // namespace

void SetUserUpperCase(TUserUpperCase proc) {
    userUpperCase = proc;
}

void UpperCaseInPlace(std::string& text, TpmUpperCase kind) {
    if (kind == pmuUserDefined && userUpperCase) {
        userUpperCase(text);
        return;
    }
    if (kind == pmuAnsi) {
        for (char& c : text) c = char(kAnsiUpper[(unsigned char)c]);
        return;
    }
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
}

TSeparatorSet DefaultSeparators() {
    TSeparatorSet set;
    for (unsigned char c : std::string_view("\t $%&,./:;<=>")) set.set(c);
    return set;
}

namespace {

// Walks columns to `column`; returns the index reached and the columns counted up to it.
int WalkColumns(std::string_view text, int column, int tabSize, bool skipCodes, int& counted) {
    if (tabSize < 1) tabSize = 1;
    int col = 0;
    size_t i = 0;
    for (; i < text.size() && col < column; ++i) {
        auto c = (unsigned char)text[i];
        int next = col;
        if (c == fcTab)
            next = (col / tabSize + 1) * tabSize;
        else if (!(skipCodes && IsFormatCode(c)))
            next = col + 1;
        if (next > column) break;  // a tab that would pass the column
        col = next;
    }
    counted = col;
    return int(i);
}

}  // namespace

int ColumnToIndex(std::string_view text, int column, int tabSize, bool skipCodes, int* reached) {
    int counted = 0;
    int index = WalkColumns(text, column, tabSize, skipCodes, counted);
    if (reached) *reached = counted;
    return index;
}

int ColumnRemainder(std::string_view text, int column, int tabSize, bool skipCodes) {
    int counted = 0;
    WalkColumns(text, column, tabSize, skipCodes, counted);
    return column - counted;
}
