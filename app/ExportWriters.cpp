// The export writers: the text file, clipboard text, the .dat file and exported banks.
#include "ExportWriters.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "BankFile.h"
#include "BankModel.h"
#include "ExportSeams.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "StStrL.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

constexpr size_t FlushThreshold = 1 << 16;

// Dates the date routines can show: finite and before the year 10000.
bool IsShowableDate(TDateTime value) {
    return std::isfinite(value) && value > -693593.0 && value < 2958466.0;
}

std::string DisplayDate(TDateTime value) {
    return IsShowableDate(value) ? FormatDateTime(ResDatePicture, value) : std::string();
}

void ReportExportComplete(int32_t count) {
    MessageDlg("Export Complete (" + IntToStr(count) + " Entries)", TMsgDlgType::mtInformation,
               mbOK);
}

}  // namespace

// ---- TExportTextFile ----

TExportTextFile::TExportTextFile(const std::string& fileName, bool privateFile,
                                 const std::string& backupName, bool durable)
    : fileName_(fileName) {
    TSafeWriteOptions options;
    options.Mode = privateFile ? 0600 : 0666;
    options.BackupName = backupName;
    options.Sync = durable;
    file_ = std::make_unique<TSafeFileWriter>(fileName, std::move(options));
    pending_.reserve(FlushThreshold + 4096);
}

TExportTextFile::~TExportTextFile() = default;

void TExportTextFile::WriteLine(std::string_view line) {
    WriteText(line);
    WriteText("\r\n");
}

void TExportTextFile::WriteText(std::string_view text) {
    if (!file_) throw EInOutError("File not open: " + fileName_);
    pending_.append(text);
    if (pending_.size() >= FlushThreshold) Flush();
}

void TExportTextFile::WriteLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) WriteLine(line);
}

void TExportTextFile::Flush() {
    if (pending_.empty()) return;
    try {
        file_->Write(pending_);
    } catch (const EStreamError& e) {
        throw EInOutError(e.Message);
    }
    pending_.clear();
}

void TExportTextFile::Close() {
    if (!file_) return;
    Flush();
    // Closed even when the commit fails: the temporary file goes, the old file stays.
    const std::unique_ptr<TSafeFileWriter> file = std::move(file_);
    try {
        file->Commit();
    } catch (const EStreamError& e) {
        throw EInOutError(e.Message);
    }
}

TExportTextFile& TExportState::File() {
    if (!ExportFile) throw EInOutError("No export file is open");
    return *ExportFile;
}

TExportState& Exporter() {
    return ProgramState().Exporter;
}

std::string ExportInitialDir(const TBankState& bank) {
    return bank.BankFolder.empty() ? UserDataFolder() : bank.BankFolder;
}

// ---- Texts ----

std::string DatDateText(TDateTime value) {
    if (!(value > NoDate) || !IsShowableDate(value)) return "Jan 01, 00";
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s %02d, %02d", ShortMonthName(month), day, year % 100);
    return buf;
}

const std::string& DatHeaderLine() {
    static const std::string header =
        "\"Name\",\"Rating\",\"ChangeDate\",\"AccessCnt\",\"LastAccess\",\"Description\","
        "\"Category1\",\"Category2\",\"Category3\",\"URL\",\"EMail\",\"UserID\",\"PassWd\","
        "\"Notes\",\"ConfNotes\"";
    return header;
}

std::string DatRecordLine(const TEntry& e) {
    // A line break in any value would split the record.
    const std::string values[] = {
        ValueToLine(e.Name),      ValueToLine(e.Rating),     DatDateText(e.ChangeDate),
        IntToStr(e.AccessCount),  DatDateText(e.LastAccess), ValueToLine(e.Description),
        ValueToLine(e.Category1), ValueToLine(e.Category2),  ValueToLine(e.Category3),
        ValueToLine(e.URL),       ValueToLine(e.EMail),      ValueToLine(e.UserID),
        ValueToLine(e.Password),  NotesToLine(e.Notes),      NotesToLine(e.ConfNotes)};
    // Every value in double quotes, a quote inside it doubled: no value can end another.
    size_t size = 64;
    for (const std::string& v : values) size += v.size() + 3;
    std::string line;
    line.reserve(size);
    for (const std::string& v : values) {
        line += line.empty() ? "\"" : ",\"";
        std::string_view rest = v;
        for (size_t quote = rest.find('"'); quote != std::string_view::npos;
             quote = rest.find('"')) {
            line.append(rest.substr(0, quote + 1)).push_back('"');
            rest.remove_prefix(quote + 1);
        }
        line.append(rest).push_back('"');
    }
    return line;
}

std::string ExportBankRecord(const TEntry& entry, int number, bool version2) {
    // The bank's own record lines, but faithful to the entry: markers stay, and every date
    // above zero is written, the no-date value included.
    TRecordOptions options;
    options.AllFields = version2;
    options.Protected = false;
    options.StripMarker = false;
    options.DateRule = TRecordOptions::drPositive;
    std::string out;
    WriteEntryRecord(out, entry, number, options);
    return out;
}

void AppendWrappedNotes(std::vector<std::string>& lines, std::string_view prefix, size_t firstWidth,
                        std::string_view text) {
    constexpr size_t Width = 72;
    if (text.size() <= firstWidth) {
        lines.push_back(std::string(prefix).append(text));
        return;
    }
    std::string_view rest;
    size_t brk = text.find("\r\n");
    if (brk != std::string_view::npos && brk + 1 < Width) {
        lines.push_back(std::string(prefix).append(text.substr(0, brk)));
        rest = text.substr(brk + 2);
    } else {
        lines.push_back(std::string(prefix).append(text.substr(0, firstWidth)));
        rest = text.substr(firstWidth);
    }
    while (!rest.empty()) {
        brk = rest.find("\r\n");
        // A break right after a full line is still a break: never split the CR LF pair.
        if (brk != std::string_view::npos && brk + 1 <= Width) {
            lines.emplace_back(rest.substr(0, brk));
            rest.remove_prefix(brk + 2);
        } else {
            size_t take = std::min(Width, rest.size());
            lines.emplace_back(rest.substr(0, take));
            rest.remove_prefix(take);
        }
    }
}

void AppendEntryText(std::vector<std::string>& lines, const TEntry& e) {
    lines.push_back(e.Name);
    lines.push_back("Rating: " + e.Rating.str());
    lines.push_back("Change Date: " + DisplayDate(e.ChangeDate));
    lines.push_back("Access Count: " + GroupThousandsLongStr(e.AccessCount));
    lines.push_back("Last Access: " + DisplayDate(e.LastAccess));
    lines.push_back("Description:" + e.Description);
    if (!e.Category1.empty()) {
        lines.push_back("Category 1: " + e.Category1);
        if (!e.Category2.empty()) {
            lines.push_back("Category 2: " + e.Category2);
            if (!e.Category3.empty()) lines.push_back("Category 3: " + e.Category3);
        }
    }
    constexpr size_t UrlFirst = 67, UrlWidth = 72;
    std::string_view url = e.URL;
    lines.push_back("URL: " + std::string(url.substr(0, UrlFirst)));
    for (size_t at = UrlFirst; at < url.size(); at += UrlWidth)
        lines.emplace_back(url.substr(at, UrlWidth));
    if (!e.EMail.empty()) lines.push_back("EMail: " + e.EMail);
    if (!e.UserID.empty()) lines.push_back("User ID: " + e.UserID.str());
    if (!e.Password.empty()) lines.push_back("Password: " + e.Password.str());
    if (!e.Notes.empty()) AppendWrappedNotes(lines, "Notes: ", 65, e.Notes);
    if (!e.ConfNotes.empty()) AppendWrappedNotes(lines, "Conf. Notes: ", 59, e.ConfNotes);
    lines.emplace_back();
}

std::string HrefText(std::string_view url) {
    std::string out;
    out.reserve(url.size() + 8);
    for (char c : url) {
        if (c == '"')
            out += "%22";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

// ---- Clipboard ----

void BeginClipboardExport(const TExportRun& run) {
    run.State.ClipboardLines.clear();
    run.State.ExportCount = 0;
}

void EntryAsText(const TExportRun& run, int Index) {
    AppendEntryText(run.State.ClipboardLines, run.Bank.Entry(Index));
    ++run.State.ExportCount;
}

void FinishClipboardExport(const TExportRun& run) {
    TExportState& st = run.State;
    std::string text = JoinLinesCRLF(st.ClipboardLines);
    st.ClipboardLines.clear();
    try {
        SetClipboardTextSeam(run.Seams, text);
    } catch (const std::exception&) {
        MessageDlg("Clipboard Error", TMsgDlgType::mtError, mbOK);
        return;
    }
    ReportExportComplete(st.ExportCount);
}

// ---- .dat and bank files ----

namespace {

// Asks for the file of a Begin step and creates it; false on Cancel.
// Both kinds of file hold the entries' passwords, so they are created private.
bool CreateExportFile(const TExportRun& run, const std::string& defaultName,
                      const std::string& filter, const std::string& ext, bool keepBackup) {
    TExportState& st = run.State;
    st.ExportFile.reset();
    st.ExportCount = 0;
    std::string chosen;
    if (!ChooseSaveFileSeam(run.Seams, {ExportInitialDir(run.Bank), defaultName, filter, ext},
                            chosen))
        return false;
    // The previous file is kept as the backup when the new one replaces it.
    st.ExportFile = std::make_unique<TExportTextFile>(
        chosen, true, keepBackup ? ChangeFileExt(chosen, ".bak") : std::string());
    return true;
}

}  // namespace

bool BeginDatExport(const TExportRun& run) {
    if (!CreateExportFile(run, "Lorvane.dat", "Bank Data (*.dat)|*.dat|All Files (*.*)|*.*", "dat",
                          false))
        return false;
    run.State.File().WriteLine(DatHeaderLine());
    return true;
}

void WriteDatRecord(const TExportRun& run, int Index) {
    TExportState& st = run.State;
    ++st.ExportCount;
    st.File().WriteLine(DatRecordLine(run.Bank.Entry(Index)));
}

bool BeginBankExport(const TExportRun& run, bool Version2) {
    if (!CreateExportFile(run, "Export.Bnk", "Bank (*.bnk)|*.bnk|All Files (*.*)|*.*", "bnk", true))
        return false;
    if (Version2) run.State.File().WriteLine("#----F#2.0");
    return true;
}

void WriteExportBankRecord(const TExportRun& run, int Index, bool Version2) {
    TExportState& st = run.State;
    ++st.ExportCount;
    st.File().WriteText(ExportBankRecord(run.Bank.Entry(Index), st.ExportCount, Version2));
}

void FinishExport(const TExportRun& run) {
    TExportState& st = run.State;
    if (st.ExportFile) {
        std::unique_ptr<TExportTextFile> file = std::move(st.ExportFile);
        file->Close();
    }
    ReportExportComplete(st.ExportCount);
}
