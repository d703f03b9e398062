// The bank file's writer: record lines made straight into one buffer, and the safe save.
#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "BankCodec.h"
#include "ResStrings.h"
#include "StStrS.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

using namespace bankfile;

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

// The long scrambling with the key, written as hexadecimal text in one pass (pelHexStr.h).
inline char* ScrambledTo(char* to, std::string_view value) {
    size_t phase = 0;
    return ScrambleToHex(to, value, BankKey(), phase);
}

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
                p = NotesTo(p, e.Notes,
                            [phase = size_t(0)](char* to, std::string_view piece) mutable {
                                return ScrambleToHex(to, piece, BankKey(), phase);
                            });
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
// were. Passwords in a bank are merely obfuscated: a new private bank is the owner's alone. A
// new workgroup bank is read by every member of the workgroup, so it gets the mode the user's
// umask gives any new file.
TSafeWriteOptions BankWriteOptions(const std::string& fileName, const TBankSaveSettings& settings,
                                   bool asWorkgroup) {
    TSafeWriteOptions options;
    options.Mode = asWorkgroup ? 0666 : 0600;
    options.BackupName = BankBackupName(fileName);
    options.BeforeReplace = settings.BeforeReplace;
    return options;
}

// The password of a save that asks for it; false, after "File not Saved!", when it was
// cancelled or typed differently the second time.
bool AskSavePassword(TBankSaveSettings& settings, TBankFileUser& user) {
    std::string typed;
    if (!user.AskPassword(typed)) {
        user.ShowInformation("File not Saved!");
        return false;
    }
    // A new password is typed twice: a slip must not lock the owner out of the bank.
    if (Trim(typed) != Trim(settings.Password)) {
        std::string again;
        if (!user.AskPassword(again)) {
            user.ShowInformation("File not Saved!");
            return false;
        }
        if (Trim(again) != Trim(typed)) {
            user.ShowError("The PassWord entries are not the same.\rPlease try again.");
            user.ShowInformation("File not Saved!");
            return false;
        }
    }
    settings.Password = Trim(typed);
    return true;
}

}  // namespace

bool WriteBankFile(TBankState& bank, const std::string& FileName, TBankSaveSettings& settings,
                   TBankFileUser& user) {
    if (settings.Protected && settings.AskPasswordEachSave && !AskSavePassword(settings, user))
        return false;

    const TSaveScope scope = bank.SaveScope;
    const bool asWorkgroup = scope.AsWorkgroup;
    TRecordOptions options;
    options.Protected = settings.Protected;
    try {
        TSafeFileWriter file(FileName, BankWriteOptions(FileName, settings, asWorkgroup));
        // One buffer, reused: the records are written straight into it and go to the file a
        // piece at a time as it fills.
        constexpr size_t Piece = size_t(1) << 20;
        std::string bytes(Piece + Piece / 4, '\0');
        std::string header;
        header.append(HeaderPrefix).append(HeaderVersion).append(CRLF);
        if (options.Protected) {
            // Blanks around the configured password must not lock the bank's owner out.
            const std::string password = Trim(settings.Password);
            header.append(PasswordPrefix).append(EncodePasswordValue(password)).append(CRLF);
        }
        header.append(MarkerPrefix).append(ScrambledBankMarker(asWorkgroup)).append(CRLF);
        if (bytes.size() < header.size()) bytes.resize(header.size());
        size_t used = header.copy(bytes.data(), header.size());
        int number = 0;
        for (int i = 0; i <= bank.EntryHigh; ++i) {
            user.KeepResponsive();
            const TEntry& entry = bank.Entries[size_t(i)];
            if (!scope.Writes(entry)) continue;
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
        user.ShowError("Error saving " + FileName + "\r" + e.Message);
        return false;
    }

    bank.BankFolder = ExtractFilePath(FileName);
    // Only what was written in its own kind counts as saved; without a workgroup in use the
    // marked entries are the local bank's own.
    if (scope.SavesOwnKind()) (asWorkgroup ? bank.WorkgroupModified : bank.BankModified) = false;
    if (!asWorkgroup && scope.What == TSaveScope::swAll && !settings.WorkgroupInUse)
        bank.WorkgroupModified = false;
    if (asWorkgroup) bank.WorkgroupFileTime = FileStamp(FileName);
    if (settings.ConfirmSaves)
        user.ShowInformation(FileName + "\rhas been saved as a\r" +
                             (asWorkgroup ? "Workgroup Bank" : "Local Bank"));
    return true;
}
