// The bank file's reader: lenient about damaged lines, which it reports and bypasses.
#include <algorithm>
#include <cstring>
#include <vector>

#include "BankCodec.h"
#include "ResStrings.h"
#include "StStrS.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

using namespace bankfile;

namespace {

// Loads report their progress every this many records.
constexpr int ProgressEvery = 15;

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
    TBankReader(TBankState& bank, const std::string& fileName, const TBankLoad& how,
                TBankFileUser& user)
        : fileName_(fileName),
          import_(how.Import),
          workgroup_(how.Workgroup),
          allowWorkgroup_(how.AllowWorkgroup),
          bank_(bank),
          user_(user) {}

    bool Run(int& count);

private:
    bool ReadHead(TLineCursor& lines);
    bool AskPassword();
    bool ReadRecords(TLineCursor& lines);
    // False when the record was incomplete and the user chose to stop.
    bool CheckRecord(int index);
    // The first bad line is reported at once, the others together when the file is read.
    void BadLine(size_t number);
    void ReportMoreBadLines();
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
    TBankFileUser& user_;
    bool protected_ = false;
    std::string filePassword_;
    int records_ = 0;
    int highBefore_ = -1;
    bool renamedBefore_ = false;
    TNameIndex names_;
    // Decoding buffers, reused from line to line.
    std::string decoded_, password_, blanked_;
    bool fileHasNul_ = false;
    bool badLineShown_ = false;
    std::vector<size_t> moreBadLines_;
};

bool TBankReader::Run(int& count) {
    count = 0;
    std::string bytes;
    try {
        bytes = ReadFileBytes(fileName_);
    } catch (const Exception& e) {
        user_.ShowError("Error loading " + fileName_ + "\r" + e.Message);
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
    const bool read = ReadRecords(lines);
    ReportMoreBadLines();
    if (!read) {
        Abandon();
        return false;
    }
    // The open bank's password, which later commands check, is only that of a bank opened
    // whole; an import or a merge keeps it.
    // Kept as it is asked for: trimmed.
    if (protected_ && !import_) bank_.FilePassword = Trim(filePassword_);
    user_.ShowProgress(std::string());
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
                user_.ShowError("Error loading " + fileName_ + "\rIts password line is damaged.");
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
            if (!user_.IsAdministrator() && !allowWorkgroup_) {
                user_.ShowError(
                    "Only a Lorvane Administrator can\ropen or import a Workgroup Bank");
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
        if (!user_.AskPassword(typed)) return false;
        if (SameText(Trim(typed), expected)) return true;
        user_.ShowError("Password failed!\rPlease try again");
    }
}

bool TBankReader::ReadRecords(TLineCursor& lines) {
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
            user_.KeepResponsive();
            if (records_ > 0 && !CheckRecord(bank_.EntryHigh)) return false;
            bank_.Entries.emplace_back();
            ++bank_.EntryHigh;
            ++records_;
            prefix = linePrefix;
            if (records_ % ProgressEvery == 0)
                user_.ShowProgress("\tLoading # " + IntToStr(records_));
        }
        ApplyField(bank_.Entries.back(), tag, value);
    }
    return records_ == 0 || CheckRecord(bank_.EntryHigh);
}

bool TBankReader::CheckRecord(int index) {
    const TEntry& entry = bank_.Entries[size_t(index)];
    if (!entry.Name.empty() && (!entry.URL.empty() || !entry.EMail.empty())) return true;
    const std::string text = IncompleteRecordText(entry, index + 1);
    return text.empty() || user_.AskYesNo(text);
}

void TBankReader::BadLine(size_t number) {
    if (badLineShown_) {
        moreBadLines_.push_back(number);
        return;
    }
    badLineShown_ = true;
    user_.ShowInformation("Record No " + IntToStr(int64_t(number)) + " in\r" + fileName_ +
                          "\ris bad and will be bypassed.");
}

void TBankReader::ReportMoreBadLines() {
    if (moreBadLines_.empty()) return;
    // The numbers as far as they fit in a message box.
    constexpr size_t MaxListed = 400;
    std::string numbers;
    for (const size_t number : moreBadLines_) {
        const std::string text = IntToStr(int64_t(number));
        if (numbers.size() + text.size() + 2 > MaxListed) {
            numbers += ", ...";
            break;
        }
        numbers += (numbers.empty() ? "" : ", ") + text;
    }
    user_.ShowInformation(IntToStr(int64_t(moreBadLines_.size())) +
                          " more records were bad and were bypassed:\r" + numbers);
    moreBadLines_.clear();
}

std::string TBankReader::ImportName(std::string name) {
    const size_t at = HasWorkgroupMarker(name) ? 1 : 0;
    return names_.UniqueName(std::move(name), at, bank_.DuplicatesRenamed);
}

bool TBankReader::DecodeValue(Tag tag, std::string_view text, std::string_view& value) {
    value = text;
    if (tag == Tag::None) return true;
    if (protected_) {
        if (!HexToUnscrambled(text, BankKey(), std::string::npos, decoded_)) return false;
        value = decoded_;
    }
    if (tag == Tag::Pw) {
        // The password's own encoding, under a protected bank's layer.
        if (!HexToUnscrambled(value, BankKey(), MaxShortStr, password_)) return false;
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
            // Trimmed, then cut to the field, then trimmed again: a value cut after a blank
            // reloads as it was shown.
            entry.Rating = Trim(Trim(value).substr(0, FixedStr<3>::Capacity));
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
            if (!protected_ && HexToUnscrambled(value, BankKey(), std::string::npos, decoded_)) {
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

bool ReadBankFile(TBankState& bank, const std::string& FileName, const TBankLoad& how,
                  TBankFileUser& user, int& Count) {
    return TBankReader(bank, FileName, how, user).Run(Count);
}
