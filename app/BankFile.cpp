// The bank file: record lines and value encodings, the lenient reader and the safe writer.
#include "BankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
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
    case 'N': return b == 'a' ? Tag::Na : b == 'o' ? Tag::No : Tag::None;
    case 'U': return b == 'x' ? Tag::Ux : Tag::None;
    case 'F': return b == 'x' ? Tag::Fx : Tag::None;
    case 'C':
        return b == '1' ? Tag::C1 : b == '2' ? Tag::C2 : b == '3' ? Tag::C3
             : b == 'n' ? Tag::Cn : Tag::None;
    case 'D': return b == 'e' ? Tag::De : b == 'a' ? Tag::Da : Tag::None;
    case 'R': return b == 'a' ? Tag::Ra : Tag::None;
    case 'I': return b == 'd' ? Tag::Id : Tag::None;
    case 'P': return b == 'w' ? Tag::Pw : Tag::None;
    case 'E': return b == 'm' ? Tag::Em : Tag::None;
    case 'L': return b == 'a' ? Tag::La : Tag::None;
    case 'A': return b == 'c' ? Tag::Ac : Tag::None;
    default: return Tag::None;
    }
}

// Lines end at CR, LF or CR LF; NUL and 0x1A are ordinary bytes (the workgroup marker holds
// 0x1A). Views into `bytes`, which must outlive them.
std::vector<std::string_view> SplitLineViews(std::string_view bytes) {
    std::vector<std::string_view> lines;
    lines.reserve(bytes.size() / 32 + 1);
    size_t start = 0;
    const size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.push_back(bytes.substr(start));
    return lines;
}

// Record numbers have five columns. Past 99999 they wrap round: records are told apart by a
// change of number, never by its value, so the lines keep their layout and still load.
std::string RecordPrefix(int number) {
    return "#" + LeftPadCharLongStr(IntToStr(number % 100000), '0', 5) + "#";
}

bool WriteDate(TDateTime date, TRecordOptions::TDateRule rule) {
    switch (rule) {
    case TRecordOptions::drAfterNoDate: return date > NoDate;
    case TRecordOptions::drKnownDate: return date > 0 && date != NoDate;
    case TRecordOptions::drPositive: return date > 0;
    }
    return false;
}

// A value outside the years 1-9999 is no date the date routines can take apart.
TDateTime ReadDate(std::string_view text) {
    constexpr double FirstDay = -693593.0, LastDay = 2958466.0;
    double value = 0;
    if (!TryStrToFloat(text, value) || value == 0 || value <= FirstDay || value >= LastDay)
        return NoDate;
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

std::string LineToNotes(std::string_view line) { return StringReplaceAll(line, "~~", "\r\n"); }

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

void WriteEntryRecord(std::string& out, const TEntry& entry, int number,
                      const TRecordOptions& options) {
    const std::string prefix = RecordPrefix(number);
    auto line = [&](std::string_view tag, std::string_view encoded) {
        out += prefix;
        out += tag;
        out += encoded;
        out += CRLF;
    };
    // Values that are written as they stand in a plain bank.
    auto plain = [&](std::string_view tag, std::string_view value) {
        line(tag, options.Protected ? EncodeProtectedValue(value) : ValueToLine(value));
    };
    auto strip = [&](std::string_view value) {
        return options.StripMarker ? StripWorkgroupMarker(value) : value;
    };

    plain("Na=", strip(entry.Name));
    plain("Ux=", entry.URL);
    if (!entry.Favorite.empty()) plain("Fx=", entry.Favorite);
    if (!entry.Notes.empty()) {
        const std::string notes = NotesToLine(entry.Notes);
        line("No=", options.Protected ? EncodeProtectedValue(notes) : notes);
    }
    const std::string_view c1 = strip(entry.Category1), c2 = strip(entry.Category2),
                           c3 = strip(entry.Category3);
    if (!c1.empty()) plain("C1=", c1);
    if (!c2.empty()) plain("C2=", c2);
    if (!c3.empty()) plain("C3=", c3);
    if (!options.AllFields) return;
    if (!entry.Description.empty()) plain("De=", entry.Description);
    if (!entry.Rating.empty()) plain("Ra=", entry.Rating);
    if (!entry.UserID.empty()) plain("Id=", entry.UserID);
    if (!entry.Password.empty()) {
        // The password carries its own encoding; a protected bank adds its layer on top.
        const std::string pw = EncodePasswordValue(entry.Password);
        line("Pw=", options.Protected ? EncodeProtectedValue(pw) : pw);
    }
    if (!entry.EMail.empty()) plain("Em=", entry.EMail);
    // Confidential notes are encoded once in both kinds of bank.
    if (!entry.ConfNotes.empty()) line("Cn=", EncodeProtectedValue(entry.ConfNotes));
    if (WriteDate(entry.ChangeDate, options.DateRule)) plain("Da=", FloatToStr(entry.ChangeDate));
    if (WriteDate(entry.LastAccess, options.DateRule)) plain("La=", FloatToStr(entry.LastAccess));
    if (entry.AccessCount > 0) plain("Ac=", IntToStr(entry.AccessCount));
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
void BlankNuls(std::string& value) { std::replace(value.begin(), value.end(), '\0', ' '); }

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
        : fileName_(fileName), import_(import), workgroup_(workgroup),
          allowWorkgroup_(allowWorkgroup), bank_(Bank()) {}

    bool Run(int& count);

private:
    bool ReadHead(std::vector<std::string_view>& lines, size_t& first);
    bool AskPassword();
    bool ReadRecords(const std::vector<std::string_view>& lines, size_t first);
    // False when the record was incomplete and the user chose to stop.
    bool CheckRecord(int index);
    void BadLine(size_t number);
    // `value` is decoded already.
    void ApplyField(TEntry& entry, Tag tag, std::string value);
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
    std::vector<std::string_view> lines = SplitLineViews(bytes);
    size_t first = 0;
    if (!ReadHead(lines, first)) return false;

    highBefore_ = bank_.EntryHigh;
    renamedBefore_ = bank_.DuplicatesRenamed;
    if (import_) names_ = TNameIndex(bank_);
    if (!ReadRecords(lines, first)) {
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

bool TBankReader::ReadHead(std::vector<std::string_view>& lines, size_t& first) {
    auto startsWith = [&](std::string_view prefix) {
        return first < lines.size() && lines[first].substr(0, prefix.size()) == prefix;
    };
    if (startsWith(HeaderPrefix) && lines[first].substr(7, 3) == HeaderVersion) {
        ++first;
        if (startsWith(PasswordPrefix)) {
            protected_ = true;
            try {
                filePassword_ = DecodePasswordValue(lines[first].substr(PrefixLength));
            } catch (const EConvertError&) {
                // A password nobody can type: the file cannot be opened.
                MessageDlg("Error loading " + fileName_, TMsgDlgType::mtError, mbOK);
                return false;
            }
            ++first;
            if (!AskPassword()) return false;
        }
    }
    if (startsWith(MarkerPrefix)) {
        const std::string_view marker = lines[first].substr(PrefixLength, 14);
        if (ScrambleShortStr(marker, ResKeyText) == WorkgroupMarkerText) {
            workgroup_ = true;
            ValidateUserSeam();
            if (!bank_.IsAdministrator && !allowWorkgroup_) {
                MessageDlg("Only a Lorvane Administrator can\ropen or import a Workgroup Bank",
                           TMsgDlgType::mtError, mbOK);
                return false;
            }
        }
        ++first;
    }
    return true;
}

// Both passwords are trimmed, so blanks around the stored one cannot lock the user out.
bool TBankReader::AskPassword() {
    const std::string expected = Trim(filePassword_);
    while (true) {
        std::string typed;
        if (!AskPasswordSeam(typed)) return false;
        if (SameText(Trim(typed), expected)) return true;
        MessageDlg("Password failed!\rPlease try again", TMsgDlgType::mtError, mbOK);
    }
}

bool TBankReader::ReadRecords(const std::vector<std::string_view>& lines, size_t first) {
    TEventPump pump;
    std::string_view prefix;  // of the record being read; empty before the first
    for (size_t i = first; i < lines.size(); ++i) {
        pump.Tick();
        const std::string_view line = lines[i];
        const size_t number = i - first + 1;
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
        std::string value(line.size() > ValueColumn ? line.substr(ValueColumn) : "");
        // An unreadable value is skipped before it can start a record.
        try {
            if (protected_ && tag != Tag::None) value = DecodeProtectedValue(value);
            if (tag == Tag::Pw) value = DecodePasswordValue(value);
        } catch (const EConvertError&) {
            BadLine(number);
            continue;
        }
        BlankNuls(value);
        if (linePrefix != prefix) {
            if (records_ > 0 && !CheckRecord(bank_.EntryHigh)) return false;
            bank_.AppendEntry(TEntry());
            ++records_;
            prefix = linePrefix;
            if (records_ % ProgressEvery == 0)
                SetStatusTextSeam("\tLoading # " + IntToStr(records_));
        }
        ApplyField(bank_.Entries[size_t(bank_.EntryHigh)], tag, std::move(value));
    }
    return records_ == 0 || CheckRecord(bank_.EntryHigh);
}

bool TBankReader::CheckRecord(int index) {
    const std::string text = IncompleteRecordText(bank_.Entry(index), index + 1);
    return text.empty() ||
           MessageDlg(text, TMsgDlgType::mtConfirmation, mbYesNo) == mrYes;
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

void TBankReader::ApplyField(TEntry& entry, Tag tag, std::string value) {
    auto category = [&](std::string& field) {
        field = workgroup_ && !value.empty() ? WorkgroupMarker + value : std::move(value);
    };
    switch (tag) {
    case Tag::Na:
        if (workgroup_) value.insert(0, 1, WorkgroupMarker);
        entry.Name = import_ ? ImportName(std::move(value)) : std::move(value);
        break;
    case Tag::Ux: entry.URL = std::move(value); break;
    case Tag::Fx: entry.Favorite = value; break;
    case Tag::No: entry.Notes = LineToNotes(value); break;
    case Tag::C1: category(entry.Category1); break;
    case Tag::C2: category(entry.Category2); break;
    case Tag::C3: category(entry.Category3); break;
    case Tag::De: entry.Description = std::move(value); break;
    case Tag::Ra:
        // Cut to the field first, then trimmed, so the value reloads as it was shown.
        entry.Rating = Trim(std::string_view(value).substr(0, FixedStr<3>::Capacity));
        break;
    case Tag::Id: entry.UserID = value; break;
    case Tag::Pw: entry.Password = value; break;
    case Tag::Em: entry.EMail = std::move(value); break;
    case Tag::Cn:
        if (protected_) {
            entry.ConfNotes = std::move(value);
        } else {
            // Written encoded; a value that is not hexadecimal was written by hand.
            try {
                entry.ConfNotes = DecodeProtectedValue(value);
                BlankNuls(entry.ConfNotes);
            } catch (const EConvertError&) {
                entry.ConfNotes = std::move(value);
            }
        }
        break;
    case Tag::Da: entry.ChangeDate = ReadDate(value); break;
    case Tag::La: entry.LastAccess = ReadDate(value); break;
    case Tag::Ac: {
        int32_t count = 0;
        entry.AccessCount = TryStrToInt(value, count) ? count : 0;
        break;
    }
    case Tag::None: break;
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
void WriteBankSafely(const std::string& fileName, std::string_view bytes) {
    TSafeWriteOptions options;
    options.Mode = 0600;
    options.BackupName = BankBackupName(fileName);
    options.BeforeReplace = BankSaveHook();
    WriteFileAtomic(fileName, bytes, options);
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
        settings.BankPassword = Trim(typed);
    }

    TBusyScope busy;
    TEventPump pump;
    const bool asWorkgroup = bank.AsWorkgroup;
    TRecordOptions options;
    options.Protected = settings.PWordFile;
    std::string bytes;
    bytes.reserve(size_t(bank.EntryHigh + 1) * 256);
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
        if (SavesEntry(bank, bank.Entries[size_t(i)])) WriteBankRecord(bytes, i, number, options);
    }

    try {
        WriteBankSafely(FileName, bytes);
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
        MessageDlg(FileName + "\rhas been saved as a\r" +
                       (asWorkgroup ? "Workgroup Bank" : "Local Bank"),
                   TMsgDlgType::mtInformation, mbOK);
    if (!bank.BankModified && !bank.WorkgroupModified) EnableSaveSeam(false);
    return true;
}
