// The bank writer's exact bytes over a large, varied generated bank: every field kind, empty
// and over-long values, workgroup markers, line breaks of every kind, bytes above 0x7F, NULs and
// the key's own bytes; plain and protected banks, each save scope and every record option.
// Each output is compared with a plain formatter built from the value encodings and with a
// digest of the bytes the writer wrote when these cases were made, so a faster writer must
// write the very same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "BankFile.h"
#include "BankFixture.h"
#include "ResStrings.h"
#include "Settings.h"
#include "TempDir.h"
#include "platform/SysUtils.h"

namespace {

// FNV-1a, 64 bits, as sixteen hexadecimal digits.
std::string Digest(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// Generated values. Only the engine's own output is used (its sequence is fixed by the
// language), never a distribution (whose results differ between libraries). No expression
// draws twice where the order is the compiler's (a call's arguments, an operator's operands).
class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    uint32_t Below(uint32_t n) { return uint32_t(rng_() % n); }
    bool Percent(uint32_t p) { return Below(100) < p; }

    // Text of up to maxLen bytes drawn from letters, blanks, punctuation the format uses
    // ("#", "=", "~"), bytes above 0x7F, the key's bytes and, when asked, line breaks and NULs.
    std::string Text(uint32_t maxLen, bool breaks = false) {
        std::string out(Below(maxLen + 1), ' ');
        for (char& c : out) {
            const uint32_t kind = Below(100);
            if (kind < 55)
                c = char('a' + Below(26));
            else if (kind < 62)
                c = ' ';
            else if (kind < 67)
                c = "#=~~.,;:/\\\"'"[Below(12)];
            else if (kind < 82)
                c = char(0x80 + Below(128));
            else if (kind < 90)
                c = ResKeyText[Below(uint32_t(ResKeyText.size()))];
            else if (kind < 96)
                c = char('0' + Below(10));
            else if (breaks)
                c = "\r\n\r\0"[Below(4)];
            else
                c = char(Below(32));
        }
        return out;
    }
    // Notes made of lines joined by every kind of break, sometimes at either end.
    std::string Notes(uint32_t maxLines) {
        static const char* const Breaks[] = {"\r\n", "\r", "\n", "\r\r\n", "\n\r", "~~"};
        std::string out;
        const uint32_t lines = Below(maxLines + 1);
        if (Percent(10)) out += Breaks[Below(6)];
        for (uint32_t i = 0; i < lines; ++i) {
            if (i > 0) out += Breaks[Below(6)];
            out += Text(120);
        }
        if (Percent(10)) out += Breaks[Below(6)];
        return out;
    }
    double Date() {
        static const double Fixed[] = {NoDate,
                                       0.0,
                                       -1.5,
                                       1e-5,
                                       0.0001,
                                       0.5,
                                       1.0,
                                       36526.5,
                                       37000.25,
                                       40123.123456789,
                                       45000.999999999996,
                                       2958465.9999,
                                       0.30000000000000004,
                                       1.0 / 3,
                                       123456789012345.0,
                                       999999999999999.9,
                                       1e15,
                                       2e300,
                                       1e-300,
                                       std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN()};
        const uint32_t kind = Below(100);
        if (kind < 20) return Fixed[Below(sizeof Fixed / sizeof Fixed[0])];
        const double day = double(30000 + Below(20000));
        if (kind < 50) return day + double(Below(4)) / 4;
        if (kind < 60) return day;
        // Full random fractions: every digit of the fifteen counts.
        return day + double(rng_() >> 5) / double(1u << 27);
    }
    int32_t Count() {
        static const int32_t Fixed[] = {0,
                                        -1,
                                        1,
                                        9,
                                        10,
                                        99999,
                                        100000,
                                        std::numeric_limits<int32_t>::max(),
                                        std::numeric_limits<int32_t>::min()};
        return Percent(30) ? Fixed[Below(9)] : int32_t(Below(100000));
    }
    // Sometimes empty, sometimes marked as the workgroup's, sometimes only the marker.
    std::string Marked(uint32_t maxLen, uint32_t emptyPercent) {
        if (Percent(emptyPercent)) return "";
        const uint32_t kind = Below(100);
        if (kind < 3) return Mark;
        if (kind < 20) return Mark + Text(maxLen);
        return Text(maxLen);
    }

private:
    std::mt19937 rng_;
};

std::vector<TEntry> GeneratedEntries(int count) {
    Generator g(20261207);
    std::vector<TEntry> entries(static_cast<size_t>(count));
    for (TEntry& e : entries) {
        e.Name = g.Marked(60, 2);
        if (g.Percent(3)) e.Name += "\r\n" + g.Text(10);
        const uint32_t url = g.Below(100);
        e.URL = url < 5 ? "" : url < 8 ? "None" : "https://" + g.Text(80, url < 12);
        if (g.Percent(10)) e.Favorite = g.Percent(70) ? Mark : g.Text(1);
        e.Category1 = g.Marked(30, 10);
        if (!e.Category1.empty() || g.Percent(5)) e.Category2 = g.Marked(30, 30);
        if (!e.Category2.empty() || g.Percent(5)) e.Category3 = g.Marked(30, 50);
        if (g.Percent(80)) {
            const bool breaks = g.Percent(10);
            const uint32_t maxLen = g.Percent(10) ? 600 : 80;
            e.Description = g.Text(maxLen, breaks);
        }
        if (g.Percent(50)) e.Rating = g.Text(4);
        if (g.Percent(40)) e.UserID = g.Text(30);
        if (g.Percent(40)) e.Password = g.Text(18);
        if (g.Percent(40)) e.EMail = g.Text(30, g.Percent(5)) + "@example.org";
        if (g.Percent(40)) e.Notes = g.Notes(g.Percent(10) ? 40 : 4);
        if (g.Percent(20)) e.ConfNotes = g.Notes(3);
        e.ChangeDate = g.Date();
        e.LastAccess = g.Date();
        e.AccessCount = g.Count();
    }
    return entries;
}

// ---------------------------------------------------------------------------------------------
// The plain formatter: one line at a time from the value encodings.

std::string ReferenceRecord(const TEntry& e, int number, const TRecordOptions& o) {
    std::string digits = std::to_string(number % 100000);
    const std::string prefix = "#" + std::string(5 - digits.size(), '0') + digits + "#";
    std::string out;
    auto line = [&](const char* tag, const std::string& text) {
        out += prefix + tag + "=" + text + "\r\n";
    };
    auto strip = [&](const std::string& v) {
        return std::string(o.StripMarker ? StripWorkgroupMarker(v) : std::string_view(v));
    };
    auto value = [&](const std::string& v) {
        return o.Protected ? EncodeProtectedValue(v) : ValueToLine(v);
    };
    auto date = [&](double d) {
        switch (o.DateRule) {
            case TRecordOptions::drAfterNoDate:
                return d > NoDate;
            case TRecordOptions::drKnownDate:
                return d > 0 && d != NoDate;
            case TRecordOptions::drPositive:
                return d > 0;
        }
        return false;
    };
    line("Na", value(strip(e.Name)));
    line("Ux", value(e.URL));
    if (!e.Favorite.empty()) line("Fx", value(e.Favorite));
    if (!e.Notes.empty()) {
        const std::string notes = NotesToLine(e.Notes);
        line("No", o.Protected ? EncodeProtectedValue(notes) : notes);
    }
    if (!strip(e.Category1).empty()) line("C1", value(strip(e.Category1)));
    if (!strip(e.Category2).empty()) line("C2", value(strip(e.Category2)));
    if (!strip(e.Category3).empty()) line("C3", value(strip(e.Category3)));
    if (!o.AllFields) return out;
    if (!e.Description.empty()) line("De", value(e.Description));
    if (!e.Rating.empty()) line("Ra", value(e.Rating));
    if (!e.UserID.empty()) line("Id", value(e.UserID));
    if (!e.Password.empty()) {
        const std::string password = EncodePasswordValue(e.Password);
        line("Pw", o.Protected ? EncodeProtectedValue(password) : password);
    }
    if (!e.EMail.empty()) line("Em", value(e.EMail));
    if (!e.ConfNotes.empty()) line("Cn", EncodeProtectedValue(e.ConfNotes));
    if (date(e.ChangeDate)) line("Da", value(FloatToStr(e.ChangeDate)));
    if (date(e.LastAccess)) line("La", value(FloatToStr(e.LastAccess)));
    if (e.AccessCount > 0) line("Ac", value(IntToStr(e.AccessCount)));
    return out;
}

// Where two outputs first differ, with some bytes of each around it.
std::string FirstDifference(const std::string& got, const std::string& want) {
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    const size_t from = at > 40 ? at - 40 : 0;
    return "first difference at byte " + std::to_string(at) + "\n got: " + got.substr(from, 100) +
           "\nwant: " + want.substr(from, 100);
}

class BankSaveBytes : public BankFixture {
protected:
    BankSaveBytes() : entries(GeneratedEntries(EntryCount)) {
        Settings().ConfirmSaves = false;
        Settings().BankPassword = "  Pass\xE9 word ";
        for (const TEntry& e : entries) Add(e);
    }

    // Saves with the given scope and checks the bytes against the plain formatter; returns
    // the bytes.
    std::string SaveAndCompare(bool isProtected, bool local, bool workgroup, bool all,
                               bool asWorkgroup) {
        Settings().PWordFile = isProtected;
        Bank().SaveScope.What = all         ? TSaveScope::swAll
                                : workgroup ? TSaveScope::swWorkgroup
                                            : TSaveScope::swLocal;
        Bank().SaveScope.AsWorkgroup = asWorkgroup;
        const std::string file = dir.File("bank.bnk");
        EXPECT_TRUE(SaveBankFile(file));
        const std::string got = ReadAll(file);

        std::string want = "#----F#2.0\r\n";
        if (isProtected)
            want += "#----P#" + EncodePasswordValue(Trim(Settings().BankPassword)) + "\r\n";
        want += "#00000#" + ScrambledBankMarker(asWorkgroup) + "\r\n";
        TRecordOptions options;
        options.Protected = isProtected;
        int number = 0;
        for (const TEntry& e : entries)
            if (all || (e.IsWorkgroup() ? workgroup : local))
                want += ReferenceRecord(e, ++number, options);
        EXPECT_TRUE(got == want) << FirstDifference(got, want);
        return got;
    }

    static constexpr int EntryCount = 4000;
    std::vector<TEntry> entries;
    TempDir dir;
};

}  // namespace

TEST_F(BankSaveBytes, TheGeneratedBankCoversEveryCase) {
    int workgroup = 0, breaks = 0, high = 0, emptyCategory = 0, truncated = 0;
    for (const TEntry& e : entries) {
        workgroup += e.IsWorkgroup();
        breaks += e.Notes.find_first_of("\r\n") != std::string::npos;
        high += e.Description.find_first_of("\xE9\xFC\xFF") != std::string::npos;
        emptyCategory += e.Category1.empty() || e.Category1 == Mark;
        truncated += e.Password.size() == 15;
    }
    EXPECT_GT(workgroup, 300);
    EXPECT_GT(breaks, 500);
    EXPECT_GT(high, 100);
    EXPECT_GT(emptyCategory, 300);
    EXPECT_GT(truncated, 100);
}

TEST_F(BankSaveBytes, EveryScopeOfBothKindsIsWrittenByteForByte) {
    struct Case {
        bool isProtected, local, workgroup, all, asWorkgroup;
        const char* digest;
    };
    const Case cases[] = {
        {false, true, true, true, false, "e17d81bf690d8dc7"},
        {true, true, true, true, false, "629f7993f113380b"},
        {false, true, false, false, false, "b32fdfebbe350f53"},
        {true, false, true, false, true, "df3241b91e6bdb29"},
        {false, false, true, false, true, "a3029fef225ecfe2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.isProtected << c.local << c.workgroup << c.all << c.asWorkgroup);
        const std::string bytes =
            SaveAndCompare(c.isProtected, c.local, c.workgroup, c.all, c.asWorkgroup);
        EXPECT_TRUE(!c.all || bytes.size() > size_t(1) << 20);  // written in pieces
        EXPECT_EQ(Digest(bytes), c.digest);
    }
}

TEST_F(BankSaveBytes, EveryRecordOptionIsWrittenByteForByte) {
    // Every combination of the options, with numbers that wrap past five digits.
    std::string all;
    for (int bits = 0; bits < 24; ++bits) {
        TRecordOptions o;
        o.AllFields = (bits & 1) != 0;
        o.Protected = (bits & 2) != 0;
        o.StripMarker = (bits & 4) != 0;
        o.DateRule = TRecordOptions::TDateRule(bits / 8);
        std::string got, want;
        for (size_t i = 0; i < entries.size(); i += 7) {
            const int number = int(i) * 37 + bits;
            WriteEntryRecord(got, entries[i], number, o);
            want += ReferenceRecord(entries[i], number, o);
        }
        EXPECT_TRUE(got == want) << bits << ": " << FirstDifference(got, want);
        all += got;
    }
    EXPECT_EQ(Digest(all), "234fdd3a6e9bf681");
}
