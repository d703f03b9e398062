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

#include "AppSeams.h"
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

// True when the bytes hold a CR or LF; eight bytes a step.
bool HasLineBreak(std::string_view value) {
    constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
    constexpr uint64_t CRs = Ones * '\r', LFs = Ones * '\n';
    auto hasZero = [](uint64_t x) { return ((x - Ones) & ~x & Highs) != 0; };
    size_t i = 0;
    for (; i + 8 <= value.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, value.data() + i, 8);
        if (hasZero(word ^ CRs) || hasZero(word ^ LFs)) return true;
    }
    for (; i < value.size(); ++i)
        if (value[i] == '\r' || value[i] == '\n') return true;
    return false;
}

// Writes one record's lines through a cursor into room made in advance (no checks per byte).
class TRecordWriter {
public:
    TRecordWriter(std::string& out, size_t room) : out_(out), at_(out.size()) {
        out_.resize(at_ + room);
        p_ = out_.data() + at_;
    }
    ~TRecordWriter() { out_.resize(size_t(p_ - out_.data())); }

    void Head(const char (&head)[PrefixLength + 3]) {
        std::memcpy(p_, head, sizeof head);
        p_ += sizeof head;
    }
    void End() {
        p_[0] = '\r';
        p_[1] = '\n';
        p_ += 2;
    }
    void Raw(std::string_view text) {
        std::memcpy(p_, text.data(), text.size());
        p_ += text.size();
    }
    // CR and LF become blanks, so no value can split its record (ValueToLine).
    void OneLine(std::string_view value) {
        char* from = p_;
        Raw(value);
        if (HasLineBreak(value))
            for (char* c = from; c < p_; ++c)
                if (*c == '\r' || *c == '\n') *c = ' ';
    }
    // Line breaks (CR LF, CR or LF) as "~~" (NotesToLine).
    void Notes(std::string_view notes) {
        if (!HasLineBreak(notes)) return Raw(notes);
        for (size_t i = 0; i < notes.size(); ++i) {
            const char c = notes[i];
            if (c == '\r' || c == '\n') {
                *p_++ = '~';
                *p_++ = '~';
                if (c == '\r' && i + 1 < notes.size() && notes[i + 1] == '\n') ++i;
            } else {
                *p_++ = c;
            }
        }
    }
    // The value scrambled with the key and written as hexadecimal text (EncodeProtectedValue).
    void Protected(std::string_view value) { p_ = Scrambled(value, p_); }

    // The value scrambled with the key as hexadecimal text at `to`; returns its end.
    static char* Scrambled(std::string_view value, char* to) {
        // Both digits of every byte, stored at once.
        static constexpr auto Pairs = [] {
            constexpr char Digits[] = "0123456789ABCDEF";
            std::array<std::array<char, 2>, 256> table{};
            for (size_t b = 0; b < 256; ++b) table[b] = {Digits[b >> 4], Digits[b & 15]};
            return table;
        }();
        const std::string_view key = ResKeyText;
        size_t k = key.size();
        for (const char ch : value) {
            if (k == 0) k = key.size();
            const auto keyByte = static_cast<unsigned char>(key[--k]);
            // A byte equal to the key byte stays as it is, so no byte becomes zero.
            const auto x = static_cast<unsigned char>(static_cast<unsigned char>(ch) ^ keyByte);
            std::memcpy(to, Pairs[x != 0 ? x : keyByte].data(), 2);
            to += 2;
        }
        return to;
    }

private:
    std::string& out_;
    size_t at_;
    char* p_;
};

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
    int intDigits = 1;
    for (uint64_t whole = uint64_t(value); whole >= 10; whole /= 10) ++intDigits;
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
    char digits[15];
    uint64_t rest = uint64_t(n);
    for (int i = 14; i >= 0; --i, rest /= 10) digits[i] = char('0' + rest % 10);
    int last = 14;
    while (last >= intDigits && digits[last] == '0') --last;
    char* p = buf;
    for (int i = 0; i < intDigits; ++i) *p++ = digits[i];
    if (last >= intDigits) {
        *p++ = '.';
        for (int i = intDigits; i <= last; ++i) *p++ = digits[i];
    }
    text = std::string_view(buf, size_t(p - buf));
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

}  // namespace

void WriteEntryRecord(std::string& out, const TEntry& entry, int number,
                      const TRecordOptions& options) {
    // "#nnnnn#" and the tag with its "=", written as one piece per line.
    char head[PrefixLength + 3];
    if (number >= 0) {
        int n = number % 100000;
        head[0] = head[6] = '#';
        for (int i = 5; i >= 1; --i, n /= 10) head[i] = char('0' + n % 10);
    } else {
        RecordPrefix(number).copy(head, PrefixLength);
    }
    head[PrefixLength + 2] = '=';
    auto strip = [&](std::string_view value) {
        return options.StripMarker ? StripWorkgroupMarker(value) : value;
    };
    const bool prot = options.Protected;
    const std::string_view name = strip(entry.Name), c1 = strip(entry.Category1),
                           c2 = strip(entry.Category2), c3 = strip(entry.Category3);
    // The password carries its own encoding (EncodePasswordValue: for a value this short the
    // same scrambling), and a protected bank adds its layer on top.
    static_assert(FixedStr<15>::Capacity < MaxShortStr && ResKeyText.size() < MaxShortStr);
    char passwordBuf[2 * FixedStr<15>::Capacity];
    const std::string_view password(
        passwordBuf,
        options.AllFields
            ? size_t(TRecordWriter::Scrambled(entry.Password, passwordBuf) - passwordBuf)
            : 0);
    char daBuf[64], laBuf[64];
    std::string daOther, laOther;
    const bool da = options.AllFields && WriteDate(entry.ChangeDate, options.DateRule);
    const bool la = options.AllFields && WriteDate(entry.LastAccess, options.DateRule);
    const std::string_view daText = da ? FloatText(entry.ChangeDate, daBuf, daOther) : "";
    const std::string_view laText = la ? FloatText(entry.LastAccess, laBuf, laOther) : "";
    char acBuf[16];
    const std::string_view acText(
        acBuf, size_t(std::to_chars(acBuf, acBuf + sizeof acBuf, entry.AccessCount).ptr - acBuf));

    // Room for every line: head, value (twice its length when scrambled, notes' breaks twice
    // as long) and line end.
    constexpr size_t Line = sizeof head + 2;
    const size_t text = name.size() + entry.URL.size() + entry.Favorite.size() + c1.size() +
                        c2.size() + c3.size() + entry.Description.size() + entry.Rating.size() +
                        entry.UserID.size() + entry.EMail.size() + daText.size() + laText.size() +
                        acText.size() + password.size() + 2 * entry.Notes.size();
    TRecordWriter w(out, 16 * Line + (prot ? 2 : 1) * text + 2 * entry.ConfNotes.size());
    auto start = [&](char a, char b) {
        head[PrefixLength] = a;
        head[PrefixLength + 1] = b;
        w.Head(head);
    };
    // Values that are written as they stand in a plain bank.
    auto plain = [&](char a, char b, std::string_view value) {
        start(a, b);
        if (prot)
            w.Protected(value);
        else
            w.OneLine(value);
        w.End();
    };

    plain('N', 'a', name);
    plain('U', 'x', entry.URL);
    if (!entry.Favorite.empty()) plain('F', 'x', entry.Favorite);
    if (!entry.Notes.empty()) {
        start('N', 'o');
        if (prot)
            w.Protected(NotesToLine(entry.Notes));
        else
            w.Notes(entry.Notes);
        w.End();
    }
    if (!c1.empty()) plain('C', '1', c1);
    if (!c2.empty()) plain('C', '2', c2);
    if (!c3.empty()) plain('C', '3', c3);
    if (!options.AllFields) return;
    if (!entry.Description.empty()) plain('D', 'e', entry.Description);
    if (!entry.Rating.empty()) plain('R', 'a', entry.Rating);
    if (!entry.UserID.empty()) plain('I', 'd', entry.UserID);
    if (!password.empty()) {
        start('P', 'w');
        if (prot)
            w.Protected(password);
        else
            w.Raw(password);
        w.End();
    }
    if (!entry.EMail.empty()) plain('E', 'm', entry.EMail);
    // Confidential notes are encoded once in both kinds of bank.
    if (!entry.ConfNotes.empty()) {
        start('C', 'n');
        w.Protected(entry.ConfNotes);
        w.End();
    }
    if (da) plain('D', 'a', daText);
    if (la) plain('L', 'a', laText);
    if (entry.AccessCount > 0) plain('A', 'c', acText);
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
    static std::function<void(const std::string&)> hook;
    return hook;
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
        // One buffer, reused: the records go to the file a piece at a time as it fills.
        constexpr size_t Piece = size_t(1) << 20;
        std::string bytes;
        bytes.reserve(Piece + Piece / 4);
        bytes.append(HeaderPrefix).append(HeaderVersion).append(CRLF);
        if (options.Protected) {
            // Blanks around the configured password must not lock the bank's owner out.
            const std::string password = Trim(settings.BankPassword);
            bytes.append(PasswordPrefix).append(EncodePasswordValue(password)).append(CRLF);
        }
        bytes.append(MarkerPrefix).append(ScrambledBankMarker(asWorkgroup)).append(CRLF);
        int number = 0;
        for (int i = 0; i <= bank.EntryHigh; ++i) {
            pump.Tick();
            const TEntry& entry = bank.Entries[size_t(i)];
            if (!SavesEntry(bank, entry)) continue;
            WriteEntryRecord(bytes, entry, ++number, options);
            if (bytes.size() >= Piece) {
                file.Write(bytes);
                bytes.clear();
            }
        }
        file.Write(bytes);
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
