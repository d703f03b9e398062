// The export writers: clipboard text, the .dat file, exported banks, the bookmark file and
// the HTML pages, each driven as Begin step, one call per chosen entry, Finish step.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

struct TBankState;
struct TEntry;
struct TExportSeams;
class TSafeFileWriter;

// A text file written line by line, each line ending in CR LF, safely: the file is replaced
// only when Close succeeds (an export abandoned before leaves the previous file as it was).
class TExportTextFile {
public:
    // Prepares the file; EFCreateError when it cannot be created. A private file is created
    // readable by its owner alone (files with passwords in them). With a backup name the
    // previous file is kept under it. A file that is not durable is not synced to the disk
    // (the many pages of one export).
    explicit TExportTextFile(const std::string& fileName, bool privateFile = false,
                             const std::string& backupName = std::string(), bool durable = true);
    ~TExportTextFile();
    TExportTextFile(const TExportTextFile&) = delete;
    TExportTextFile& operator=(const TExportTextFile&) = delete;

    void WriteLine(std::string_view line);
    void WriteText(std::string_view text);  // bytes as they stand
    void WriteLines(const std::vector<std::string>& lines);
    // Writes the rest and replaces the file; EInOutError when the data did not reach it.
    void Close();
    const std::string& FileName() const { return fileName_; }

private:
    void Flush();
    std::string fileName_;
    std::unique_ptr<TSafeFileWriter> file_;
    std::string pending_;
};

// What the bookmark and HTML exports collect per entry: its categories as stored, name and URL.
struct TCollectedEntry {
    std::string Category1;
    std::string Category2;
    std::string Category3;
    std::string Name;
    std::string URL;
};
TCollectedEntry CollectionItemOf(const TEntry& entry);
// The collections' order: each value padded to 50 columns and compared ignoring ASCII case,
// so a blank column sorts before every other character.
int CompareCollectionItems(const TCollectedEntry& a, const TCollectedEntry& b);
void SortCollection(std::vector<TCollectedEntry>& items);

// The state of one export: the program keeps one (Exporter()) for the export dialogs.
struct TExportState {
    std::unique_ptr<TExportTextFile> ExportFile;
    // The open ExportFile; EInOutError when no Begin step opened one.
    TExportTextFile& File();
    int32_t ExportCount = 0;
    std::vector<std::string> ClipboardLines;
    std::vector<TCollectedEntry> HTMLCollection;
    std::vector<TCollectedEntry> BookmarkCollection;
};
TExportState& Exporter();

// What the steps of an export work on: the bank of the entries, the export's state and the
// seams of its dialogs and clipboard. The dialogs hand in the program's.
struct TExportRun {
    const TBankState& Bank;
    TExportState& State;
    const TExportSeams& Seams;
};

// ---- Texts of the formats ----

// "mmm dd, yy" with English month names; every date not after the no-date value is written as
// the no-date value, so a zero date cannot come back as a date a century away.
std::string DatDateText(TDateTime value);
const std::string& DatHeaderLine();
std::string DatRecordLine(const TEntry& entry);
// The tagged lines of one exported entry with its record number, each ending in CR LF.
std::string ExportBankRecord(const TEntry& entry, int number, bool version2);

// Clipboard block of one entry, its empty separator line included.
void AppendEntryText(std::vector<std::string>& lines, const TEntry& entry);
// Notes wrapped after `prefix`: the first line holds at most `firstWidth` characters of the text
// unless a line break comes first, the others at most 72.
void AppendWrappedNotes(std::vector<std::string>& lines, std::string_view prefix, size_t firstWidth,
                        std::string_view text);

// An HREF value: a double quote becomes "%22" and "&" becomes "&amp;", so that a reader that
// decodes references gets the URL back.
std::string HrefText(std::string_view url);

// The file name of a category's page without ".htm": characters other than "-", digits, ASCII
// letters and "_" become "_", runs of "_" shrink to one, and an empty result is "Blank".
std::string HTMLPageName(std::string_view category1);

// ---- The recipe steps, over the run's bank, state and seams ----

void BeginClipboardExport(const TExportRun& run);
void EntryAsText(const TExportRun& run, int Index);
void FinishClipboardExport(const TExportRun& run);

bool BeginDatExport(const TExportRun& run);
void WriteDatRecord(const TExportRun& run, int Index);

bool BeginBankExport(const TExportRun& run, bool Version2);
void WriteExportBankRecord(const TExportRun& run, int Index, bool Version2);

void FinishExport(const TExportRun& run);

// The bookmark file is UTF-8 and says so in its head; its links are sorted and their names
// written trimmed.
bool BeginBookmarkExport(const TExportRun& run);
void CollectBookmarkEntry(const TExportRun& run, int Index);
void WriteBookmarkEntries(const TExportRun& run);

void BeginHTMLExport(const TExportRun& run);
void CollectHTMLEntry(const TExportRun& run, int Index);
void ExportHTML(const TExportRun& run);

// Writes the pages and "Index.htm" for collected entries into the folder of `firstPage`, the
// first page's file; returns the number of pages. ExportHTML runs it after its dialog. The pages
// are UTF-8, each starting with the line that says so.
int WriteHTMLPages(std::vector<TCollectedEntry> items, const std::string& firstPage,
                   int32_t& links);

// The folder the save dialog starts in: that of the bank's last file, else the user's data
// folder (the program's own may be read-only).
std::string ExportInitialDir(const TBankState& bank);
