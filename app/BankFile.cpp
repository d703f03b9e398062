// The bank file: record lines and value encodings, the lenient reader and the safe writer.
#include "BankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "AppSeams.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "Settings.h"
#include "StStrL.h"
#include "StStrS.h"
#include "pelHexStr.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

constexpr std::string_view CRLF = "\r\n";
constexpr std::string_view HeaderPrefix = "#----F#";
constexpr std::string_view HeaderVersion = "2.0";
constexpr std::string_view PasswordPrefix = "#----P#";
constexpr std::string_view MarkerPrefix = "#00000#";
constexpr std::string_view LocalMarker = "NormalBankFile";
constexpr std::string_view WorkgroupMarkerText = "WorkgroupBankF";
// Columns 1-7 of a record line: "#", five digits, "#".
constexpr size_t PrefixLength = 7;
// The value starts after the two-letter tag and "=", in column 11.
constexpr size_t ValueColumn = 10;
// Loads report their progress every this many records.
constexpr int ProgressEvery = 15;

enum class Tag { None, Na, Ux, Fx, No, C1, C2, C3, De, Ra, Id, Pw, Em, Cn, Da, La, Ac };

Tag TagOf(std::string_view line) {
    if (line.size() < ValueColumn || line[9] != '=') return Tag::None;
    const char a = line[7], b = line[8];
    switch (a) {
        case 'N':
            return b == 'a' ? Tag::Na : b == 'o' ? Tag::No : Tag::None;
        case 'U':
            return b == 'x' ? Tag::Ux : Tag::None;
        case 'F':
            return b == 'x' ? Tag::Fx : Tag::None;
        case 'C':
            return b == '1'   ? Tag::C1
                   : b == '2' ? Tag::C2
                   : b == '3' ? Tag::C3
                   : b == 'n' ? Tag::Cn
                              : Tag::None;
        case 'D':
            return b == 'e' ? Tag::De : b == 'a' ? Tag::Da : Tag::None;
        case 'R':
            return b == 'a' ? Tag::Ra : Tag::None;
        case 'I':
            return b == 'd' ? Tag::Id : Tag::None;
        case 'P':
            return b == 'w' ? Tag::Pw : Tag::None;
        case 'E':
            return b == 'm' ? Tag::Em : Tag::None;
        case 'L':
            return b == 'a' ? Tag::La : Tag::None;
        case 'A':
            return b == 'c' ? Tag::Ac : Tag::None;
        default:
            return Tag::None;
    }
}

// Lines end at CR, LF or CR LF; NUL and 0x1A are ordinary bytes (the workgroup marker holds
// 0x1A). The lines are views into the bytes, which must outlive them.
class TLineCursor {
public:
    explicit TLineCursor(std::string_view bytes) : p_(bytes.data()), end_(p_ + bytes.size()) {}

    bool AtEnd() const { return p_ >= end_; }
    // The next line without taking it; empty at the end.
    std::string_view Peek() const {
        const char* e = p_;
        while (e < end_ && *e != '\r' && *e != '\n') ++e;
        return std::string_view(p_, size_t(e - p_));
    }
    bool Next(std::string_view& line) {
        if (p_ >= end_) return false;
        const char* start = p_;
        while (p_ < end_ && *p_ != '\r' && *p_ != '\n') ++p_;
        line = std::string_view(start, size_t(p_ - start));
        if (p_ < end_ && *p_ == '\r' && p_ + 1 < end_ && p_[1] == '\n') ++p_;
        if (p_ < end_) ++p_;
        return true;
    }

private:
    const char* p_;
    const char* end_;
};

// How many records the bytes hold at most: the changes of record number at line starts.
size_t CountRecords(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    // Files with lone CR line ends are counted at CR.
    const char breakChar =
        std::memchr(p, '\n', bytes.size()) || !std::memchr(p, '\r', bytes.size()) ? '\n' : '\r';
    size_t count = 0;
    std::string_view previous;
    while (p < end) {
        if (end - p >= 7 && *p == '#') {
            const std::string_view prefix(p, 7);
            if (prefix != previous) {
                ++count;
                previous = prefix;
            }
        }
        const void* next = std::memchr(p, breakChar, size_t(end - p));
        if (!next) break;
        p = static_cast<const char*>(next) + 1;
    }
    return count;
}

// Hexadecimal text decoded and unscrambled with `key` in one pass (HexStrToStr, then the
// keyed scrambling), at most `limit` bytes kept; false on a character that is no digit.
bool DecodeScrambled(std::string_view hex, std::string_view key, size_t limit, std::string& out) {
    static constexpr auto Digit = [] {
        std::array<int8_t, 256> table{};
        table.fill(-1);
        for (int k = 0; k < 10; ++k) table[size_t('0' + k)] = int8_t(k);
        for (int k = 0; k < 6; ++k) {
            table[size_t('A' + k)] = int8_t(10 + k);
            table[size_t('a' + k)] = int8_t(10 + k);
        }
        return table;
    }();
    const size_t n = hex.size() / 2;
    out.resize(std::min(n, limit));
    const auto* in = reinterpret_cast<const unsigned char*>(hex.data());
    size_t k = key.size();
    for (size_t i = 0; i < n; ++i) {
        const int high = Digit[in[2 * i]], low = Digit[in[2 * i + 1]];
        if ((high | low) < 0) return false;
        if (i >= limit || key.empty()) {
            if (i < limit) out[i] = char(high << 4 | low);
            continue;
        }
        if (k == 0) k = key.size();
        const auto c = static_cast<unsigned char>(high << 4 | low);
        const auto keyByte = static_cast<unsigned char>(key[k - 1]);
        out[i] = char(c != keyByte ? c ^ keyByte : c);
        --k;
    }
    return true;
}

// Record numbers have five columns. Past 99999 they wrap round: records are told apart by a
// change of number, never by its value, so the lines keep their layout and still load.
std::string RecordPrefix(int number) {
    return "#" + LeftPadCharLongStr(IntToStr(number % 100000), '0', 5) + "#";
}

bool WriteDate(TDateTime date, TRecordOptions::TDateRule rule) {
    switch (rule) {
        case TRecordOptions::drAfterNoDate:
            return date > NoDate;
        case TRecordOptions::drKnownDate:
            return date > 0 && date != NoDate;
        case TRecordOptions::drPositive:
            return date > 0;
    }
    return false;
}

// A value outside the years 1-9999 is no date the date routines can take apart.
TDateTime ReadDate(std::string_view text) {
    constexpr double FirstDay = -693593.0, LastDay = 2958466.0;
    double value = 0;
    // The form the writer uses (digits, a point, digits) is read directly; from_chars rounds
    // as the runtime's reader does. Every other form goes the general way.
    size_t digits = 0, points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else
            break;
    }
    if (digits > 0 && points <= 1 && digits + points == text.size()) {
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return NoDate;
    } else if (!TryStrToFloat(text, value)) {
        return NoDate;
    }
    if (value == 0 || value <= FirstDay || value >= LastDay) return NoDate;
    return value;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Value encodings

std::string EncodeProtectedValue(std::string_view value) {
    return StrToHexStr(ScrambleLongStr(value, ResKeyText));
}

std::string EncodePasswordValue(std::string_view password) {
    return StrToHexStr(ScrambleShortStr(password, ResKeyText));
}

std::string DecodeProtectedValue(std::string_view text) {
    return ScrambleLongStr(HexStrToStr(text), ResKeyText);
}

std::string DecodePasswordValue(std::string_view text) {
    return ScrambleShortStr(HexStrToStr(text), ResKeyText);
}

std::string NotesToLine(std::string_view notes) {
    std::string out;
    out.reserve(notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        const char c = notes[i];
        if (c == '\r' || c == '\n') {
            out += "~~";
            if (c == '\r' && i + 1 < notes.size() && notes[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string LineToNotes(std::string_view line) {
    return StringReplaceAll(line, "~~", "\r\n");
}

std::string ValueToLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string ScrambledBankMarker(bool workgroup) {
    return ScrambleShortStr(workgroup ? WorkgroupMarkerText : LocalMarker, ResKeyText);
}

// ---------------------------------------------------------------------------------------------
// Writing records

namespace {

// Eight bytes at a time: loads and stores of any alignment, and the bytes that are CR or LF.
constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;

inline uint64_t Load8(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}
inline void Store8(char* p, uint64_t word) {
    std::memcpy(p, &word, sizeof word);
}
// Non-zero when a byte of the word is zero.
inline uint64_t ZeroBytes(uint64_t word) {
    return (word - Ones) & ~word & Highs;
}
// Non-zero when a byte of the word is CR or LF.
inline uint64_t BreakBytes(uint64_t word) {
    return ZeroBytes(word ^ (Ones * '\r')) | ZeroBytes(word ^ (Ones * '\n'));
}

#if defined(__SSE2__)
inline __m128i Load16(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store16(char* p, __m128i bytes) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
}
// A bit for each of the sixteen bytes that is CR or LF.
inline unsigned BreakMask(__m128i bytes) {
    const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    return unsigned(_mm_movemask_epi8(breaks));
}
#endif

// The first CR or LF from `p` on; `end` when there is none.
inline const char* FindBreak(const char* p, const char* end) {
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16)
        if (const unsigned mask = BreakMask(Load16(p)); mask != 0) return p + __builtin_ctz(mask);
#endif
    for (; end - p >= 8; p += 8)
        if (BreakBytes(Load8(p)) != 0) break;
    for (; p < end; ++p)
        if (*p == '\r' || *p == '\n') return p;
    return end;
}

// Copies the bytes without a call for the short values records mostly hold; returns the end.
inline char* CopyTo(char* to, std::string_view text) {
    const char* from = text.data();
    const size_t n = text.size();
    if (n > 64) {
        std::memcpy(to, from, n);
#if defined(__SSE2__)
    } else if (n >= 16) {
        for (size_t i = 0; i + 16 < n; i += 16) Store16(to + i, Load16(from + i));
        Store16(to + n - 16, Load16(from + n - 16));
#endif
    } else if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) Store8(to + i, Load8(from + i));
        Store8(to + n - 8, Load8(from + n - 8));
    } else if (n >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
        const char first = from[0], middle = from[n / 2], last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
    return to + n;
}

// The value with CR and LF as blanks, so no value can split its record (ValueToLine); copied
// and checked in one pass.
inline char* OneLineTo(char* to, std::string_view value) {
    const char* from = value.data();
    const size_t n = value.size();
    if (n < 8) {
        for (size_t i = 0; i < n; ++i) {
            const char c = from[i];
            to[i] = c == '\r' || c == '\n' ? ' ' : c;
        }
        return to + n;
    }
    uint64_t breaks = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        for (size_t i = 0; i + 16 < n; i += 16) {
            const __m128i bytes = Load16(from + i);
            breaks |= BreakMask(bytes);
            Store16(to + i, bytes);
        }
        const __m128i last = Load16(from + n - 16);
        breaks |= BreakMask(last);
        Store16(to + n - 16, last);
    } else
#endif
    {
        for (size_t i = 0; i + 8 < n; i += 8) {
            const uint64_t word = Load8(from + i);
            breaks |= BreakBytes(word);
            Store8(to + i, word);
        }
        const uint64_t last = Load8(from + n - 8);
        breaks |= BreakBytes(last);
        Store8(to + n - 8, last);
    }
    if (breaks != 0)
        for (char* c = to; c < to + n; ++c)
            if (*c == '\r' || *c == '\n') *c = ' ';
    return to + n;
}

// Notes on one line: each line break (CR LF, CR or LF) as "~~" (NotesToLine), the pieces
// handed to `put(to, piece)`, which writes them and returns the end.
template <class Put>
inline char* NotesTo(char* to, std::string_view notes, Put&& put) {
    const char* p = notes.data();
    const char* end = p + notes.size();
    for (;;) {
        const char* lineBreak = FindBreak(p, end);
        if (lineBreak != p) to = put(to, std::string_view(p, size_t(lineBreak - p)));
        if (lineBreak == end) return to;
        to = put(to, "~~");
        p = lineBreak + (*lineBreak == '\r' && lineBreak + 1 < end && lineBreak[1] == '\n' ? 2 : 1);
    }
}

// The long scrambling with the key, written as hexadecimal text (EncodeProtectedValue): byte i
// of a value is combined with the key's bytes from the last one back, round and round, and a
// byte equal to its key byte stays as it is (so no byte becomes zero). A scrambler keeps its
// place in the key, so a value can be scrambled in pieces.
class TScrambler {
public:
    char* operator()(char* to, std::string_view value) {
        const auto* from = reinterpret_cast<const unsigned char*>(value.data());
        const size_t n = value.size();
        size_t i = 0;
#if defined(__SSE2__)
        // Sixteen bytes a step: combined with their key bytes, split into digits, made text
        // and interleaved high digit first.
        const __m128i low4 = _mm_set1_epi8(0x0F), nine = _mm_set1_epi8(9);
        const __m128i zeroDigit = _mm_set1_epi8('0'), letterGap = _mm_set1_epi8('A' - '0' - 10);
        auto text = [&](__m128i digits) {
            const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(digits, nine), letterGap);
            return _mm_add_epi8(_mm_add_epi8(digits, zeroDigit), letters);
        };
        for (; i + 16 <= n; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            const __m128i key =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(KeyRun.data() + phase_));
            __m128i x = _mm_xor_si128(bytes, key);
            x = _mm_or_si128(x, _mm_and_si128(_mm_cmpeq_epi8(x, _mm_setzero_si128()), key));
            const __m128i high = text(_mm_and_si128(_mm_srli_epi16(x, 4), low4));
            const __m128i low = text(_mm_and_si128(x, low4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i), _mm_unpacklo_epi8(high, low));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i + 16),
                             _mm_unpackhi_epi8(high, low));
            phase_ = (phase_ + 16) % KeyLength;
        }
#endif
        for (; i < n; ++i) {
            const unsigned char keyByte = KeyRun[phase_];
            const auto x = static_cast<unsigned char>(from[i] ^ keyByte);
            std::memcpy(to + 2 * i, Pairs[x != 0 ? x : keyByte].data(), 2);
            if (++phase_ == KeyLength) phase_ = 0;
        }
        return to + 2 * n;
    }

private:
    static constexpr size_t KeyLength = ResKeyText.size();
    // The key byte for a value's byte i is KeyRun[i % KeyLength]; sixteen more bytes let any
    // place load sixteen at once.
    static constexpr auto KeyRun = [] {
        std::array<unsigned char, KeyLength + 16> run{};
        for (size_t i = 0; i < run.size(); ++i)
            run[i] = static_cast<unsigned char>(ResKeyText[KeyLength - 1 - i % KeyLength]);
        return run;
    }();
    // Both digits of every byte.
    static constexpr auto Pairs = [] {
        constexpr char Digits[] = "0123456789ABCDEF";
        std::array<std::array<char, 2>, 256> table{};
        for (size_t b = 0; b < 256; ++b) table[b] = {Digits[b >> 4], Digits[b & 15]};
        return table;
    }();
    static_assert(KeyLength > 0);

    size_t phase_ = 0;
};

inline char* ScrambledTo(char* to, std::string_view value) {
    return TScrambler()(to, value);
}

// Two decimal digits of every number below 100.
constexpr auto DigitPairs = [] {
    std::array<std::array<char, 2>, 100> table{};
    for (size_t i = 0; i < 100; ++i) table[i] = {char('0' + i / 10), char('0' + i % 10)};
    return table;
}();

// Four digits of a number below 10000.
inline void Digits4(char* to, uint32_t n) {
    std::memcpy(to, DigitPairs[n / 100].data(), 2);
    std::memcpy(to + 2, DigitPairs[n % 100].data(), 2);
}

// FloatToStr's text (15 significant digits, no exponent for the values dates take), made on
// the stack. The shortest text that reads back as the value is the 15-digit one whenever it
// has at most 15 digits: every such decimal survives the trip through a double. Other values
// go the general way.
// FloatToStr's text of a value from 1 up to 10^15 by exact integer arithmetic: the value
// m * 2^e times 10^f, rounded half to even to 15 significant digits, then written with a point
// and without trailing zeros. False for other values and when rounding adds a digit.
bool FixedText15(double value, char (&buf)[64], std::string_view& text) {
    if (!(value >= 1.0 && value < 1e15)) return false;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint64_t mantissa = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
    const int exponent = int((bits >> 52) & 0x7FF) - 1075;  // value = mantissa * 2^exponent
    static constexpr uint64_t Pow10[15] = {
        1,           10,           100,           1000,           10000,
        100000,      1000000,      10000000,      100000000,      1000000000,
        10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000};
    const uint64_t whole = uint64_t(value);
    int intDigits = 1;
    while (intDigits < 15 && whole >= Pow10[intDigits]) ++intDigits;
    const int fracDigits = 15 - intDigits;
    static constexpr uint64_t Pow5[15] = {1,       5,        25,        125,        625,
                                          3125,    15625,    78125,     390625,     1953125,
                                          9765625, 48828125, 244140625, 1220703125, 6103515625};
    using U128 = unsigned __int128;
    const U128 scaled = U128(mantissa) * Pow5[fracDigits];  // times 2^(fracDigits + exponent)
    const int shift = fracDigits + exponent;
    U128 n;
    if (shift >= 0) {
        if (shift > 40) return false;
        n = scaled << shift;
    } else {
        const int drop = -shift;
        if (drop > 120) return false;
        n = scaled >> drop;
        const U128 rest = scaled & ((U128(1) << drop) - 1), half = U128(1) << (drop - 1);
        if (rest > half || (rest == half && (n & 1))) ++n;
    }
    constexpr uint64_t Limit = 1000000000000000;  // 10^15
    if (n >= Limit) return false;
    // The fifteen digits, two at a time: seven above 10^8 and eight below.
    char digits[32] = {};
    const auto high = uint32_t(uint64_t(n) / 100000000), low = uint32_t(uint64_t(n) % 100000000);
    digits[0] = char('0' + high / 1000000);
    std::memcpy(digits + 1, DigitPairs[high / 10000 % 100].data(), 2);
    Digits4(digits + 3, high % 10000);
    Digits4(digits + 7, low / 10000);
    Digits4(digits + 11, low % 10000);
    int last = 14;
    while (last >= intDigits && digits[last] == '0') --last;
    // The whole part, then the point and the fraction (copied in fixed sizes, cut to length).
    std::memcpy(buf, digits, 16);
    if (last < intDigits) {
        text = std::string_view(buf, size_t(intDigits));
    } else {
        buf[intDigits] = '.';
        std::memcpy(buf + intDigits + 1, digits + intDigits, 16);
        text = std::string_view(buf, size_t(last + 2));
    }
    return true;
}

std::string_view FloatText(double value, char (&buf)[64], std::string& other) {
    std::string_view fixed;
    if (FixedText15(value, buf, fixed)) return fixed;
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    const std::string_view text(buf, size_t(res.ptr - buf));
    if (res.ec == std::errc() && value >= 1e-4 && value < 1e15 &&
        text.find('e') == std::string_view::npos) {
        const size_t first = text.find_first_not_of("0.");
        size_t digits = 0;
        for (size_t i = first; i < text.size(); ++i) digits += text[i] != '.';
        if (digits <= 15) return text;
    }
    // FloatToStr's own first step, kept when it needs none of its exponent rewriting.
    const auto general =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    const std::string_view generalText(buf, size_t(general.ptr - buf));
    if (general.ec == std::errc() && std::isfinite(value) &&
        generalText.find('e') == std::string_view::npos)
        return generalText;
    other = FloatToStr(value);
    return other;
}

// One entry's record made ready: the values that need converting first (the password's
// encoding, the dates, the count), and the room its lines take at most. The lines are then
// written straight into the caller's buffer.
class TRecordLines {
public:
    TRecordLines(const TEntry& entry, int number, const TRecordOptions& options)
        : entry_(entry), options_(options) {
        // "#nnnnn#" and a spare byte, stored at the start of every line as one word.
        char prefix[8] = {};
        if (number >= 0) {
            int n = number % 100000;
            prefix[0] = prefix[6] = '#';
            for (int i = 5; i >= 1; --i, n /= 10) prefix[i] = char('0' + n % 10);
        } else {
            RecordPrefix(number).copy(prefix, PrefixLength);
        }
        std::memcpy(&prefix_, prefix, sizeof prefix_);
        const bool strip = options.StripMarker;
        name_ = strip ? StripWorkgroupMarker(entry.Name) : entry.Name;
        c1_ = strip ? StripWorkgroupMarker(entry.Category1) : entry.Category1;
        c2_ = strip ? StripWorkgroupMarker(entry.Category2) : entry.Category2;
        c3_ = strip ? StripWorkgroupMarker(entry.Category3) : entry.Category3;
        // The password carries its own encoding (EncodePasswordValue: for a value this short
        // the same scrambling), and a protected bank adds its layer on top.
        static_assert(FixedStr<15>::Capacity < MaxShortStr && ResKeyText.size() < MaxShortStr);
        if (options.AllFields)
            password_ = std::string_view(
                passwordBuf_, size_t(ScrambledTo(passwordBuf_, entry.Password) - passwordBuf_));
        if (options.AllFields && WriteDate(entry.ChangeDate, options.DateRule))
            da_ = FloatText(entry.ChangeDate, daBuf_, daOther_);
        if (options.AllFields && WriteDate(entry.LastAccess, options.DateRule))
            la_ = FloatText(entry.LastAccess, laBuf_, laOther_);
        if (options.AllFields && entry.AccessCount > 0)
            ac_ = std::string_view(
                acBuf_,
                size_t(std::to_chars(acBuf_, acBuf_ + sizeof acBuf_, entry.AccessCount).ptr -
                       acBuf_));
        // Every line's number, tag, "=" and line end; the values (twice their length when
        // scrambled, notes' breaks twice as long); confidential notes always scrambled.
        constexpr size_t Line = PrefixLength + 5;
        const size_t text = name_.size() + entry.URL.size() + entry.Favorite.size() + c1_.size() +
                            c2_.size() + c3_.size() + entry.Description.size() +
                            entry.Rating.size() + entry.UserID.size() + entry.EMail.size() +
                            da_.size() + la_.size() + ac_.size() + password_.size() +
                            2 * entry.Notes.size();
        room_ = 16 * Line + (options.Protected ? 2 : 1) * text + 2 * entry.ConfNotes.size();
    }
    TRecordLines(const TRecordLines&) = delete;
    TRecordLines& operator=(const TRecordLines&) = delete;

    size_t Room() const { return room_; }

    // Writes the lines at `to`, which has Room() bytes; returns their end.
    char* WriteTo(char* to) const {
        return options_.Protected ? Lines<true>(to) : Lines<false>(to);
    }

private:
    // The lines of a plain or a protected record.
    template <bool prot>
    char* Lines(char* to) const {
        const TEntry& e = entry_;
        char* p = to;
        auto head = [&](char a, char b) {
            Store8(p, prefix_);
            p[PrefixLength] = a;
            p[PrefixLength + 1] = b;
            p[PrefixLength + 2] = '=';
            p += PrefixLength + 3;
        };
        auto end = [&] {
            p[0] = '\r';
            p[1] = '\n';
            p += 2;
        };
        // Values that are written as they stand in a plain bank.
        auto plain = [&](char a, char b, std::string_view value) {
            head(a, b);
            if constexpr (prot)
                p = ScrambledTo(p, value);
            else
                p = OneLineTo(p, value);
            end();
        };

        plain('N', 'a', name_);
        plain('U', 'x', e.URL);
        if (!e.Favorite.empty()) plain('F', 'x', e.Favorite);
        if (!e.Notes.empty()) {
            head('N', 'o');
            if constexpr (prot)
                p = NotesTo(p, e.Notes, TScrambler());
            else
                p = NotesTo(p, e.Notes, CopyTo);
            end();
        }
        if (!c1_.empty()) plain('C', '1', c1_);
        if (!c2_.empty()) plain('C', '2', c2_);
        if (!c3_.empty()) plain('C', '3', c3_);
        if (!options_.AllFields) return p;
        if (!e.Description.empty()) plain('D', 'e', e.Description);
        if (!e.Rating.empty()) plain('R', 'a', e.Rating);
        if (!e.UserID.empty()) plain('I', 'd', e.UserID);
        if (!password_.empty()) {
            head('P', 'w');
            if constexpr (prot)
                p = ScrambledTo(p, password_);
            else
                p = CopyTo(p, password_);
            end();
        }
        if (!e.EMail.empty()) plain('E', 'm', e.EMail);
        // Confidential notes are encoded once in both kinds of bank.
        if (!e.ConfNotes.empty()) {
            head('C', 'n');
            p = ScrambledTo(p, e.ConfNotes);
            end();
        }
        if (!da_.empty()) plain('D', 'a', da_);
        if (!la_.empty()) plain('L', 'a', la_);
        if (!ac_.empty()) plain('A', 'c', ac_);
        return p;
    }

    const TEntry& entry_;
    const TRecordOptions& options_;
    uint64_t prefix_ = 0;
    std::string_view name_, c1_, c2_, c3_, password_, da_, la_, ac_;
    char passwordBuf_[2 * FixedStr<15>::Capacity];
    char daBuf_[64], laBuf_[64], acBuf_[16];
    std::string daOther_, laOther_;
    size_t room_ = 0;
};

}  // namespace

void WriteEntryRecord(std::string& out, const TEntry& entry, int number,
                      const TRecordOptions& options) {
    const TRecordLines record(entry, number, options);
    const size_t at = out.size();
    out.resize(at + record.Room());
    out.resize(size_t(record.WriteTo(out.data() + at) - out.data()));
}

void WriteBankRecord(std::string& out, int Index, int& Number, const TRecordOptions& options) {
    ++Number;
    WriteEntryRecord(out, Bank().Entry(Index), Number, options);
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

// A NUL read in a value is a blank: it could not survive a protected save (scrambling would
// turn it into a key byte), and what is shown is what is saved.
void BlankNuls(std::string& value) {
    std::replace(value.begin(), value.end(), '\0', ' ');
}

// The question for a record that lacks its name or both its URL and mail address; empty when
// the record is complete. `number` counts entries of the bank from 1.
std::string IncompleteRecordText(const TEntry& entry, int number) {
    const std::string n = IntToStr(number);
    std::string text;
    if (entry.Name.empty()) {
        text = "Missing Name at Entry " + n + "\r";
        if (entry.URL.empty() && entry.EMail.empty())
            text += "Missing URL and/or EMail";
        else if (entry.URL.empty())
            text += "EMail = " + entry.EMail;
        else
            text += "URL = " + entry.URL;
    } else if (entry.URL.empty() && entry.EMail.empty()) {
        text = "Name = " + entry.Name + "\rMissing URL and/or EMail at Entry " + n;
    } else {
        return text;
    }
    return text + "\rDo you want to continue?\r(If you say No, any updates will be lost!)";
}

class TBankReader {
public:
    TBankReader(const std::string& fileName, bool import, bool workgroup, bool allowWorkgroup)
        : fileName_(fileName),
          import_(import),
          workgroup_(workgroup),
          allowWorkgroup_(allowWorkgroup),
          bank_(Bank()) {}

    bool Run(int& count);

private:
    bool ReadHead(TLineCursor& lines);
    bool AskPassword();
    bool ReadRecords(TLineCursor& lines);
    // False when the record was incomplete and the user chose to stop.
    bool CheckRecord(int index);
    void BadLine(size_t number);
    // The value of a record line as the entry takes it; false when it cannot be decoded. The
    // view is into the line or into one of the reader's buffers, valid until the next line.
    bool DecodeValue(Tag tag, std::string_view text, std::string_view& value);
    void ApplyField(TEntry& entry, Tag tag, std::string_view value);
    std::string ImportName(std::string name);
    void Abandon();

    const std::string& fileName_;
    const bool import_;
    bool workgroup_;
    const bool allowWorkgroup_;
    TBankState& bank_;
    bool protected_ = false;
    std::string filePassword_;
    int records_ = 0;
    int highBefore_ = -1;
    bool renamedBefore_ = false;
    TNameIndex names_;
    // Decoding buffers, reused from line to line.
    std::string decoded_, password_, blanked_;
    bool fileHasNul_ = false;
};

bool TBankReader::Run(int& count) {
    count = 0;
    TBusyScope busy;
    std::string bytes;
    try {
        bytes = ReadFileBytes(fileName_);
    } catch (const Exception&) {
        MessageDlg("Error loading " + fileName_, TMsgDlgType::mtError, mbOK);
        return false;
    }
    bank_.BankFolder = ExtractFilePath(fileName_);
    fileHasNul_ = std::memchr(bytes.data(), '\0', bytes.size()) != nullptr;
    TLineCursor lines(bytes);
    if (!ReadHead(lines)) return false;

    highBefore_ = bank_.EntryHigh;
    renamedBefore_ = bank_.DuplicatesRenamed;
    if (import_) names_ = TNameIndex(bank_);
    bank_.Entries.resize(size_t(bank_.EntryHigh + 1));
    bank_.Entries.reserve(bank_.Entries.size() + CountRecords(bytes));
    if (!ReadRecords(lines)) {
        Abandon();
        return false;
    }
    // The open bank's password, which later commands check, is only that of a bank opened
    // whole; an import or a merge keeps it.
    if (protected_ && !import_) bank_.FilePassword = filePassword_;
    SetStatusTextSeam(std::string());
    RebuildTreeSeam();
    count = records_;
    return true;
}

bool TBankReader::ReadHead(TLineCursor& lines) {
    std::string_view line;
    auto startsWith = [&](std::string_view prefix) {
        return !lines.AtEnd() && lines.Peek().substr(0, prefix.size()) == prefix;
    };
    if (startsWith(HeaderPrefix) && lines.Peek().substr(7, 3) == HeaderVersion) {
        lines.Next(line);
        if (startsWith(PasswordPrefix)) {
            lines.Next(line);
            protected_ = true;
            try {
                filePassword_ = DecodePasswordValue(line.substr(PrefixLength));
            } catch (const EConvertError&) {
                // A password nobody can type: the file cannot be opened.
                MessageDlg("Error loading " + fileName_, TMsgDlgType::mtError, mbOK);
                return false;
            }
            if (!AskPassword()) return false;
        }
    }
    if (startsWith(MarkerPrefix)) {
        lines.Next(line);
        const std::string_view marker = line.substr(PrefixLength, 14);
        if (ScrambleShortStr(marker, ResKeyText) == WorkgroupMarkerText) {
            workgroup_ = true;
            ValidateUserSeam();
            if (!bank_.IsAdministrator && !allowWorkgroup_) {
                MessageDlg("Only a Lorvane Administrator can\ropen or import a Workgroup Bank",
                           TMsgDlgType::mtError, mbOK);
                return false;
            }
        }
    }
    return true;
}

bool TBankReader::AskPassword() {
    const std::string expected = Trim(filePassword_);
    while (true) {
        std::string typed;
        if (!AskPasswordSeam(typed)) return false;
        if (SameText(Trim(typed), expected)) return true;
        MessageDlg("Password failed!\rPlease try again", TMsgDlgType::mtError, mbOK);
    }
}

bool TBankReader::ReadRecords(TLineCursor& lines) {
    TEventPump pump;
    std::string_view prefix;  // of the record being read; empty before the first
    std::string_view line;
    for (size_t number = 1; lines.Next(line); ++number) {
        if (line.size() < PrefixLength || line[0] != '#' || line[6] != '#') {
            BadLine(number);
            continue;
        }
        const std::string_view linePrefix = line.substr(0, PrefixLength);
        // A field line cannot belong to a record of the bank from before this load.
        if (prefix.empty() && linePrefix == MarkerPrefix) {
            BadLine(number);
            continue;
        }
        const Tag tag = TagOf(line);
        std::string_view value;
        // An unreadable value is skipped before it can start a record.
        if (!DecodeValue(tag, line.size() > ValueColumn ? line.substr(ValueColumn) : "", value)) {
            BadLine(number);
            continue;
        }
        if (linePrefix != prefix) {
            pump.Tick();
            if (records_ > 0 && !CheckRecord(bank_.EntryHigh)) return false;
            bank_.Entries.emplace_back();
            ++bank_.EntryHigh;
            ++records_;
            prefix = linePrefix;
            if (records_ % ProgressEvery == 0)
                SetStatusTextSeam("\tLoading # " + IntToStr(records_));
        }
        ApplyField(bank_.Entries.back(), tag, value);
    }
    return records_ == 0 || CheckRecord(bank_.EntryHigh);
}

bool TBankReader::CheckRecord(int index) {
    const TEntry& entry = bank_.Entries[size_t(index)];
    if (!entry.Name.empty() && (!entry.URL.empty() || !entry.EMail.empty())) return true;
    const std::string text = IncompleteRecordText(entry, index + 1);
    return text.empty() || MessageDlg(text, TMsgDlgType::mtConfirmation, mbYesNo) == mrYes;
}

void TBankReader::BadLine(size_t number) {
    MessageDlg("Record No " + IntToStr(int64_t(number)) + " in\r" + fileName_ +
                   "\ris bad and will be bypassed.",
               TMsgDlgType::mtInformation, mbOK);
}

std::string TBankReader::ImportName(std::string name) {
    const size_t at = HasWorkgroupMarker(name) ? 1 : 0;
    return names_.UniqueName(std::move(name), at, bank_.DuplicatesRenamed);
}

bool TBankReader::DecodeValue(Tag tag, std::string_view text, std::string_view& value) {
    value = text;
    if (tag == Tag::None) return true;
    if (protected_) {
        if (!DecodeScrambled(text, ResKeyText, std::string::npos, decoded_)) return false;
        value = decoded_;
    }
    if (tag == Tag::Pw) {
        // The password's own encoding, under a protected bank's layer.
        if (!DecodeScrambled(value, ResKeyText, MaxShortStr, password_)) return false;
        value = password_;
    }
    // A NUL could not survive a protected save (scrambling would turn it into a key byte):
    // it reads as a blank, so what is shown is what is saved. Decoding never makes one (no
    // key byte is zero), so only a file that holds one needs looking at.
    if (fileHasNul_ && std::memchr(value.data(), '\0', value.size())) {
        blanked_.assign(value);
        BlankNuls(blanked_);
        value = blanked_;
    }
    return true;
}

void TBankReader::ApplyField(TEntry& entry, Tag tag, std::string_view value) {
    // Strings made at their size hold no spare capacity.
    auto marked = [&](std::string_view text) {
        std::string out(text.size() + 1, WorkgroupMarker);
        text.copy(out.data() + 1, text.size());
        return out;
    };
    auto category = [&](std::string& field) {
        field = workgroup_ && !value.empty() ? marked(value) : std::string(value);
    };
    switch (tag) {
        case Tag::Na: {
            std::string name = workgroup_ ? marked(value) : std::string(value);
            entry.Name = import_ ? ImportName(std::move(name)) : std::move(name);
            break;
        }
        case Tag::Ux:
            entry.URL = std::string(value);
            break;
        case Tag::Fx:
            entry.Favorite = value;
            break;
        case Tag::No:
            // "~~" stands for a line break: the same length, so changed in place.
            entry.Notes = std::string(value);
            for (size_t at = 0; (at = entry.Notes.find("~~", at)) != std::string::npos; at += 2) {
                entry.Notes[at] = '\r';
                entry.Notes[at + 1] = '\n';
            }
            break;
        case Tag::C1:
            category(entry.Category1);
            break;
        case Tag::C2:
            category(entry.Category2);
            break;
        case Tag::C3:
            category(entry.Category3);
            break;
        case Tag::De:
            entry.Description = std::string(value);
            break;
        case Tag::Ra:
            // Cut to the field first, then trimmed, so the value reloads as it was shown.
            entry.Rating = Trim(value.substr(0, FixedStr<3>::Capacity));
            break;
        case Tag::Id:
            entry.UserID = value;
            break;
        case Tag::Pw:
            entry.Password = value;
            break;
        case Tag::Em:
            entry.EMail = std::string(value);
            break;
        case Tag::Cn:
            // Written encoded in a plain bank; a value that is not hexadecimal was written by hand.
            if (!protected_ && DecodeScrambled(value, ResKeyText, std::string::npos, decoded_)) {
                BlankNuls(decoded_);
                entry.ConfNotes = std::string(decoded_);
            } else {
                entry.ConfNotes = std::string(value);
            }
            break;
        case Tag::Da:
            entry.ChangeDate = ReadDate(value);
            break;
        case Tag::La:
            entry.LastAccess = ReadDate(value);
            break;
        case Tag::Ac: {
            int32_t count = 0;
            entry.AccessCount = TryStrToInt(value, count) ? count : 0;
            break;
        }
        case Tag::None:
            break;
    }
}

void TBankReader::Abandon() {
    bank_.TruncateEntries(highBefore_);
    bank_.DuplicatesRenamed = renamedBefore_;
}

}  // namespace

bool LoadBankFile(const std::string& FileName, bool Import, bool Workgroup, bool AllowWorkgroup,
                  int& Count) {
    return TBankReader(FileName, Import, Workgroup, AllowWorkgroup).Run(Count);
}

// ---------------------------------------------------------------------------------------------
// Writing

std::function<void(const std::string&)>& BankSaveHook() {
    return ProgramState().BankSaveHook;
}

std::string BankBackupName(const std::string& FileName) {
    return PathForceExtension(FileName, "bak");
}

int64_t FileStamp(const std::string& FileName) {
    struct stat st {};
    if (::stat(ToNativePath(FileName).c_str(), &st) != 0) return 0;
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

namespace {

// The new bank replaces the old by one rename; the previous bank stays as the backup (a second
// name for it, made before the replace). Any failure leaves the bank and its backup as they
// were. Passwords in a bank are merely obfuscated: a new bank is the owner's alone.
TSafeWriteOptions BankWriteOptions(const std::string& fileName) {
    TSafeWriteOptions options;
    options.Mode = 0600;
    options.BackupName = BankBackupName(fileName);
    options.BeforeReplace = BankSaveHook();
    return options;
}

bool SavesEntry(const TBankState& bank, const TEntry& entry) {
    if (bank.SaveAll) return true;
    return entry.IsWorkgroup() ? bank.SaveWorkgroup : bank.SaveLocal;
}

}  // namespace

bool SaveBankFile(const std::string& FileName) {
    TBankState& bank = Bank();
    TSettings& settings = Settings();
    if (settings.PWordFile && settings.PWEachSave) {
        std::string typed;
        if (!AskPasswordSeam(typed)) {
            MessageDlg("File not Saved!", TMsgDlgType::mtInformation, mbOK);
            return false;
        }
        // A new password is typed twice: a slip must not lock the owner out of the bank.
        if (Trim(typed) != Trim(settings.BankPassword)) {
            std::string again;
            if (!AskPasswordSeam(again)) {
                MessageDlg("File not Saved!", TMsgDlgType::mtInformation, mbOK);
                return false;
            }
            if (Trim(again) != Trim(typed)) {
                MessageDlg("The PassWord entries are not the same.\rPlease try again.",
                           TMsgDlgType::mtError, mbOK);
                MessageDlg("File not Saved!", TMsgDlgType::mtInformation, mbOK);
                return false;
            }
        }
        settings.BankPassword = Trim(typed);
    }

    TBusyScope busy;
    TEventPump pump;
    const bool asWorkgroup = bank.AsWorkgroup;
    TRecordOptions options;
    options.Protected = settings.PWordFile;
    try {
        TSafeFileWriter file(FileName, BankWriteOptions(FileName));
        // One buffer, reused: the records are written straight into it and go to the file a
        // piece at a time as it fills.
        constexpr size_t Piece = size_t(1) << 20;
        std::string bytes(Piece + Piece / 4, '\0');
        std::string header;
        header.append(HeaderPrefix).append(HeaderVersion).append(CRLF);
        if (options.Protected) {
            // Blanks around the configured password must not lock the bank's owner out.
            const std::string password = Trim(settings.BankPassword);
            header.append(PasswordPrefix).append(EncodePasswordValue(password)).append(CRLF);
        }
        header.append(MarkerPrefix).append(ScrambledBankMarker(asWorkgroup)).append(CRLF);
        if (bytes.size() < header.size()) bytes.resize(header.size());
        size_t used = header.copy(bytes.data(), header.size());
        int number = 0;
        for (int i = 0; i <= bank.EntryHigh; ++i) {
            pump.Tick();
            const TEntry& entry = bank.Entries[size_t(i)];
            if (!SavesEntry(bank, entry)) continue;
            const TRecordLines record(entry, ++number, options);
            if (bytes.size() - used < record.Room()) {
                if (used > 0) file.Write(std::string_view(bytes.data(), used));
                used = 0;
                if (bytes.size() < record.Room()) bytes.resize(record.Room());
            }
            used = size_t(record.WriteTo(bytes.data() + used) - bytes.data());
            if (used >= Piece) {
                file.Write(std::string_view(bytes.data(), used));
                used = 0;
            }
        }
        file.Write(std::string_view(bytes.data(), used));
        file.Commit();
    } catch (const Exception& e) {
        MessageDlg("Error saving " + FileName + "\r" + e.Message, TMsgDlgType::mtError, mbOK);
        return false;
    }

    bank.BankFolder = ExtractFilePath(FileName);
    // Only what was written in its own kind counts as saved.
    if (!asWorkgroup && (bank.SaveLocal || bank.SaveAll)) bank.BankModified = false;
    if (asWorkgroup && (bank.SaveWorkgroup || bank.SaveAll)) bank.WorkgroupModified = false;
    if (asWorkgroup) bank.WorkgroupFileTime = FileStamp(FileName);
    if (settings.ConfirmSaves)
        MessageDlg(
            FileName + "\rhas been saved as a\r" + (asWorkgroup ? "Workgroup Bank" : "Local Bank"),
            TMsgDlgType::mtInformation, mbOK);
    if (!bank.BankModified && !bank.WorkgroupModified) EnableSaveSeam(false);
    return true;
}
