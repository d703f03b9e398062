// The bank file's record layout and value encodings.
#include "BankCodec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "ResStrings.h"
#include "StStrL.h"
#include "StStrS.h"
#include "platform/SysUtils.h"

namespace bankfile {

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

// A value outside the years 1-9999 is no date the date routines can take apart: the first day
// (1 January of year 1) is in, the day after the last (1 January 10000) is out.
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
    if (value == 0 || value < FirstDay || value >= LastDay) return NoDate;
    return value;
}

namespace {

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

}  // namespace

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

const TScrambleKey& BankKey() {
    static const TScrambleKey key(ResKeyText);
    return key;
}

}  // namespace bankfile

using namespace bankfile;

// ---------------------------------------------------------------------------------------------
// Value encodings

std::string EncodePasswordValue(std::string_view password) {
    return StrToHexStr(ScrambleShortStr(password, ResKeyText));
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
