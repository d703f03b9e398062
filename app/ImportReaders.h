// The import readers: another bank, the .dat export file, a Favorites folder of shortcut files
// and a bookmark file, each appending local entries to the bank handed in (the commands hand in
// the open bank).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BankModel.h"
#include "platform/DateTime.h"

// Entries one import appends: a name that exists gets "_" in front (DuplicatesRenamed is
// set), one leading workgroup marker is dropped from names and categories (imported entries
// are local), and names and categories are trimmed unless the batch keeps blanks (a format
// that reads back what it wrote).
class TImportBatch {
public:
    enum TBlanks { bkTrim, bkKeep };
    // Appends to `bank`; clears its DuplicatesRenamed.
    explicit TImportBatch(TBankState& bank, TBlanks blanks = bkTrim);
    // Appends the entry unless its name is empty; returns the new index or -1.
    int Append(TEntry entry);
    // Room for `more` entries, when the import knows how many it brings.
    void Reserve(size_t more);
    // The name as it would be appended, reserved for this import.
    std::string UniqueName(std::string name);
    int Count() const { return bank_.EntryHigh - highBefore_; }

private:
    TBankState& bank_;
    int highBefore_;
    TBlanks blanks_;
    // The bank's names and those appended.
    TNameIndex names_;
};

// The name or category as imported: one leading marker dropped, then trimmed.
std::string ImportedText(std::string_view text);

// "Duplicate names..." when DuplicatesRenamed is set, then "Import complete (N entries)".
void ReportImport(const TBankState& bank, int Count);
// After a successful import: the tree rebuilt, the local bank modified, saving enabled (through
// the bank's seams).
void FinishImport(TBankState& bank);

// ---- .dat export files ----

// "mmm dd, yy" back to a date: the English month name in any letter case (the program has no
// other month names), the day from characters 5-6, a two-digit year from characters 9-10
// meaning 20yy (the writer writes no year before 2000). EConvertError when the text is no date.
TDateTime ParseDateText(std::string_view S);

// One line of a .dat file cut into its 15 values in header order. A line in the writer's form
// (every value in double quotes, a quote inside a value doubled) is read as such. Any other
// line is cut at the separators '","', a quote inside a value kept as it stands (files written
// before quotes were doubled); there, lines that are not all quoted get their empty unquoted
// values ",," repaired first.
struct TDatValues {
    std::string Values[15];
};
TDatValues SplitDatLine(std::string_view line);

// The readers below append through a TImportBatch, then report (ReportImport) and finish
// (FinishImport); file errors raise EFOpenError.

// Reads a .dat file into the bank. A wrong header shows the invalid-format message and reads
// nothing. A value that does not convert stops the import at its line: the entries read
// before stay (tree rebuilt, bank modified) and the message names the line. Returns the
// number of entries appended, or -1 when the import did not complete.
int ImportDatFile(TBankState& bank, const std::string& fileName);

// ---- Favorites folders ----

// Walks the folder tree breadth first (each listing in byte order of the names, "RECYCLED"
// skipped, symbolic links to folders not followed) and imports every "*.url" file: its name
// without the extension (at most 255 characters) and its URL, the text after the first line
// starting "URL=". A shortcut without one, or larger than 64 KiB, is skipped. The file is taken
// as UTF-16 or UTF-8 when it has their byte-order mark, as UTF-8 when it is valid UTF-8 beyond
// ASCII, else as Windows-1252; URL characters outside the code page become percent escapes of
// their UTF-8 bytes. Reports and rebuilds the tree; returns the number of entries appended.
int ImportFavoritesFolder(TBankState& bank, const std::string& Root);
// The folder the picker proposes: "Favorites" in the home folder when there is one, else home.
std::string ProposedFavoritesFolder();
// The user's home folder, with a trailing "/".
std::string HomeFolder();

// ---- Bookmark files ----

// A link read from a bookmark file, with the folders it lies in (at most three, outermost
// first) and its name and URL decoded into Windows-1252. Characters of a URL that the code
// page does not hold become percent escapes of their UTF-8 bytes (Utf8UrlToAnsi); those of
// names and folders become "?".
struct TBookmarkLink {
    std::string Name;
    std::string URL;
    std::string Category1;
    std::string Category2;
    std::string Category3;
};
// Reads the links of a bookmark file. Folder depth comes from the <DL> nesting; comments,
// descriptions (<DD>) and other markup are skipped; a file whose META line declares UTF-8 is
// decoded from UTF-8.
std::vector<TBookmarkLink> ParseBookmarkFile(std::string_view bytes);
// Appends the links of a bookmark file; returns the number appended.
int ImportBookmarkFile(TBankState& bank, const std::string& fileName);

// ---- Bank files ----

// Appends another bank file to the open bank (Bank(): the bank reader loads into it) and
// reports. Returns the number of entries appended, or -1 when the load was abandoned (the bank
// then is as it was, nothing is reported). FilePassword is kept.
int ImportBankFile(const std::string& fileName);

// ---- The Import menu's commands: bank check, file choice, import into the open bank, report ----

void ImportLorvaneBank();
void ImportLorvaneExportFile();
void ImportInternetExplorerFavorites();
void ImportNetscapeBookmarks();
