// The import readers' shared steps, the .dat reader, the bank import and the Import commands.
#include "ImportReaders.h"

#include "AppSeams.h"
#include "BankFile.h"
#include "ExportSeams.h"
#include "ExportWriters.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

// ---- The batch ----

std::string ImportedText(std::string_view text) {
    return Trim(StripWorkgroupMarker(text));
}

namespace {

// ImportedText in place (only the marker dropped when blanks are kept); most texts need no
// change and keep their storage.
void MakeImported(std::string& text, TImportBatch::TBlanks blanks) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    if (blanks == TImportBatch::bkKeep) {
        if (HasWorkgroupMarker(text)) text.erase(0, 1);
    } else if (!text.empty() &&
               (HasWorkgroupMarker(text) || blank(text.front()) || blank(text.back()))) {
        text = ImportedText(text);
    }
}

}  // namespace

TImportBatch::TImportBatch(TBankState& bank, TBlanks blanks)
    : bank_(bank), highBefore_(bank.EntryHigh), blanks_(blanks), names_(bank) {
    bank_.DuplicatesRenamed = false;
}

std::string TImportBatch::UniqueName(std::string name) {
    return names_.UniqueName(std::move(name), 0, bank_.DuplicatesRenamed);
}

int TImportBatch::Append(TEntry entry) {
    MakeImported(entry.Name, blanks_);
    if (entry.Name.empty()) return -1;
    entry.Name = UniqueName(std::move(entry.Name));
    MakeImported(entry.Category1, blanks_);
    MakeImported(entry.Category2, blanks_);
    MakeImported(entry.Category3, blanks_);
    entry.Favorite.clear();
    entry.TreeIndex = -1;
    entry.Node = nullptr;
    // Appending an empty entry and moving the fields in spares copying every text.
    const int index = bank_.AppendEntry(TEntry());
    bank_.Entries[size_t(index)] = std::move(entry);
    return index;
}

void TImportBatch::Reserve(size_t more) {
    bank_.Entries.reserve(size_t(bank_.EntryHigh + 1) + more);
    names_.Reserve(size_t(bank_.EntryHigh + 1) + more);
}

void ReportImport(const TBankState& bank, int Count) {
    if (bank.DuplicatesRenamed)
        MessageDlg(
            "Duplicate names in import data have been modified.\r"
            "Look for names beginning with \"_\".",
            TMsgDlgType::mtInformation, mbOK);
    MessageDlg("Import complete (" + IntToStr(Count) + " entries)", TMsgDlgType::mtInformation,
               mbOK);
}

void FinishImport(TBankState& bank) {
    RebuildTreeSeam(bank);
    bank.MarkModified(std::string_view());
}

// ---- .dat files ----

TDateTime ParseDateText(std::string_view S) {
    auto copy = [&](size_t from1, size_t count) {
        return from1 - 1 < S.size() ? S.substr(from1 - 1, count) : std::string_view();
    };
    const std::string month = UpperCase(copy(1, 3));
    int m = 1;
    while (m <= 12 && month != UpperCase(ShortMonthName(m))) ++m;
    const int day = StrToInt(copy(5, 2));
    const int yy = StrToInt(copy(9, 2));
    if (yy < 0 || yy > 99) throw EConvertError("'" + std::string(S) + "' is not a valid date");
    // The writer writes no year before 2000: "60" is 2060.
    return EncodeDate(2000 + yy, m, day);
}

namespace {

// The writer's form: 15 values, each in double quotes with a quote inside doubled, separated
// by commas and nothing else. False when the line is not exactly that.
bool SplitQuotedDatLine(std::string_view line, TDatValues& v) {
    size_t i = 0;
    for (std::string& value : v.Values) {
        if (&value != v.Values) {
            if (i >= line.size() || line[i] != ',') return false;
            ++i;
        }
        if (i >= line.size() || line[i] != '"') return false;
        ++i;
        for (;;) {
            const size_t quote = line.find('"', i);
            if (quote == std::string_view::npos) return false;
            value.append(line.substr(i, quote - i));
            i = quote + 1;
            if (i < line.size() && line[i] == '"') {
                value += '"';
                ++i;
            } else {
                break;
            }
        }
    }
    return i == line.size();
}

}  // namespace

TDatValues SplitDatLine(std::string_view line) {
    {
        TDatValues quoted;
        if (SplitQuotedDatLine(line, quoted)) return quoted;
    }
    // Lines written before quotes were doubled, and by other programs: the values are what
    // lies between the separators, a quote inside a value taken as it stands.
    static constexpr std::string_view Sep = "\",\"";
    std::string text(line);
    // Spreadsheets write empty values as bare ",,"; the writer's own lines quote everything,
    // and there adjacent commas belong to a value.
    size_t seps = 0;
    for (size_t p = text.find(Sep); p != std::string::npos; p = text.find(Sep, p + Sep.size()))
        ++seps;
    const bool allQuoted =
        text.size() >= 2 && text.front() == '"' && text.back() == '"' && seps >= 14;
    if (!allQuoted && text.find(",,") != std::string::npos) {
        std::string repaired;
        repaired.reserve(text.size() + 16);
        for (size_t i = 0; i < text.size(); ++i) {
            repaired += text[i];
            if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ',') repaired += "\"\"";
        }
        text = std::move(repaired);
    }
    TDatValues v;
    std::string_view rest(text);
    if (!rest.empty()) rest.remove_prefix(1);
    for (size_t i = 0; i < 14; ++i) {
        size_t p = rest.find(Sep);
        if (p == std::string_view::npos) {
            rest.remove_prefix(std::min<size_t>(2, rest.size()));
        } else {
            v.Values[i] = rest.substr(0, p);
            rest.remove_prefix(p + Sep.size());
        }
    }
    if (!rest.empty() && rest.back() == '"') rest.remove_suffix(1);
    v.Values[14] = rest;
    return v;
}

namespace {

enum TDatField {
    dfName,
    dfRating,
    dfChangeDate,
    dfAccessCnt,
    dfLastAccess,
    dfDescription,
    dfCategory1,
    dfCategory2,
    dfCategory3,
    dfURL,
    dfEMail,
    dfUserID,
    dfPassWd,
    dfNotes,
    dfConfNotes
};

TDateTime DatDate(const std::string& text) {
    return text.empty() ? NoDate : ParseDateText(text);
}

// The entry of one .dat line; false when the line is to be skipped.
bool DatEntry(std::string_view line, TEntry& e) {
    TDatValues d = SplitDatLine(line);
    std::string* v = d.Values;
    // Values are taken as they stand: the format reads back what it wrote.
    if (StripWorkgroupMarker(v[dfName]).empty() || v[dfURL].empty()) return false;
    e.Name = std::move(v[dfName]);
    e.Rating = v[dfRating];
    e.AccessCount = v[dfAccessCnt].empty() ? 0 : StrToInt(v[dfAccessCnt]);
    e.ChangeDate = DatDate(v[dfChangeDate]);
    e.LastAccess = DatDate(v[dfLastAccess]);
    e.Description = std::move(v[dfDescription]);
    e.Category1 = std::move(v[dfCategory1]);
    e.Category2 = std::move(v[dfCategory2]);
    e.Category3 = std::move(v[dfCategory3]);
    e.URL = std::move(v[dfURL]);
    e.EMail = std::move(v[dfEMail]);
    e.UserID = v[dfUserID];
    e.Password = v[dfPassWd];
    e.Notes = LineToNotes(v[dfNotes]);
    e.ConfNotes = LineToNotes(v[dfConfNotes]);
    return true;
}

}  // namespace

int ImportDatFile(TBankState& bank, const std::string& fileName) {
    const std::string bytes = ReadFileBytes(fileName);
    const std::vector<std::string> lines = SplitLines(bytes);
    if (lines.empty() || lines[0] != DatHeaderLine()) {
        MessageDlg(fileName + "\ris an invalid file format.", TMsgDlgType::mtError, mbOK);
        return -1;
    }
    TImportBatch batch(bank, TImportBatch::bkKeep);
    batch.Reserve(lines.size() - 1);
    TEventPump pump(bank.SeamsOrHeadless());
    for (size_t i = 1; i < lines.size(); ++i) {
        pump.Tick();
        if (lines[i].empty()) continue;
        TEntry entry;
        try {
            if (!DatEntry(lines[i], entry)) continue;
        } catch (const EConvertError& e) {
            // What was read before the bad line stays, visible and saved with the bank.
            if (batch.Count() > 0) FinishImport(bank);
            MessageDlg(e.Message + "\rin line " + IntToStr(int64_t(i + 1)) + " of\r" + fileName,
                       TMsgDlgType::mtError, mbOK);
            return -1;
        }
        batch.Append(std::move(entry));
    }
    ReportImport(bank, batch.Count());
    FinishImport(bank);
    return batch.Count();
}

// ---- Bank files ----

int ImportBankFile(const std::string& fileName) {
    TBankState& bank = Bank();
    const std::string filePassword = bank.FilePassword;
    const int highBefore = bank.EntryHigh;
    bank.DuplicatesRenamed = false;
    int count = 0;
    const bool loaded = LoadBankFile(fileName, true, false, false, count);
    // The open bank's password is the one Copy User ID Password checks, not the import's.
    bank.FilePassword = filePassword;
    if (!loaded) return -1;

    // A workgroup bank's entries arrive marked; imported entries are local, so the marker goes
    // and the names are checked again without it.
    TNameIndex names;
    for (int i = 0; i <= highBefore; ++i) names.Add(bank.Entry(i).Name);
    bool changed = false;
    for (int i = highBefore + 1; i <= bank.EntryHigh; ++i) {
        TEntry& e = bank.Entry(i);
        std::string name = ImportedText(e.Name);
        if (name.empty()) name = e.Name;
        name = names.UniqueName(std::move(name), 0, bank.DuplicatesRenamed);
        if (name != e.Name) {
            e.Name = std::move(name);
            changed = true;
        }
        for (std::string* category : {&e.Category1, &e.Category2, &e.Category3}) {
            std::string local = ImportedText(*category);
            if (local != *category) {
                *category = std::move(local);
                changed = true;
            }
        }
    }
    if (changed) RebuildTreeSeam(bank);
    ReportImport(bank, count);
    FinishImport(bank);
    return bank.EntryHigh - highBefore;
}

// ---- Commands ----

namespace {

// Banks and .dat files are proposed from the user's data folder.
std::string ImportInitialDir() {
    return UserDataFolder();
}

// The first steps of the file imports: a bank to import into, then the file; false to stop.
bool ChooseImportFile(const TFileRequest& request, std::string& chosen) {
    if (!RequireBank(Bank())) return false;
    Bank().DuplicatesRenamed = false;
    return ChooseOpenFileSeam(request, chosen);
}

}  // namespace

void ImportLorvaneBank() {
    std::string chosen;
    if (!ChooseImportFile(
            {ImportInitialDir(), "Lorvane.bnk", "Lorvane (*.bnk)|*.bnk|All Files (*.*)|*.*", "bnk"},
            chosen))
        return;
    if (FileExists(chosen)) ImportBankFile(chosen);
}

void ImportLorvaneExportFile() {
    std::string chosen;
    if (!ChooseImportFile({ImportInitialDir(), "Lorvane.dat",
                           "Bank Data (*.dat)|*.dat|All Files (*.*)|*.*", "DAT"},
                          chosen))
        return;
    TBusyScope busy;
    ImportDatFile(Bank(), chosen);
}

void ImportInternetExplorerFavorites() {
    if (!RequireBank(Bank())) return;
    std::string chosen;
    if (!ChooseFolderSeam("Select \"Favorites\" Folder To Import", ProposedFavoritesFolder(),
                          chosen))
        return;
    TBusyScope busy;
    ImportFavoritesFolder(Bank(), IncludeTrailingPathDelimiter(chosen));
}

void ImportNetscapeBookmarks() {
    std::string chosen;
    if (!ChooseImportFile(
            {HomeFolder(), "Bookmark.HTM", "Bookmark (*.htm)|*.htm|All Files (*.*)|*.*", "HTM"},
            chosen))
        return;
    RepaintMainSeam();
    TBusyScope busy;
    ImportBookmarkFile(Bank(), chosen);
}
