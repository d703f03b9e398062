// Version information: the program's own compiled-in record and the version float rule.
#include "StVInfo.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include <platform/FileUtils.h>
#include <platform/SysUtils.h>

#include "StConst.h"
#include "StVInfoRecord.h"

const char* const StVersionStringNames[10] = {
    "Comments",       "CompanyName",     "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion",
};

namespace {

constexpr uint32_t LanguageUSEnglish = 0x0409;
constexpr uint32_t CodePageWestern = 1252;
constexpr uint32_t FlagsMaskAll = 0x3F;
constexpr uint32_t OsNtWindows32 = 0x40004;
constexpr uint32_t TypeApplication = 1;

const TStCustomVersionInfo::TRecord& OwnRecord() {
    static const TStCustomVersionInfo::TRecord record = [] {
        TStCustomVersionInfo::TRecord r;
        const char* strings[10] = {
            LORVANE_COMMENTS,         LORVANE_COMPANY_NAME,      LORVANE_FILE_DESCRIPTION,
            LORVANE_VERSION_TEXT,     LORVANE_INTERNAL_NAME,     LORVANE_LEGAL_COPYRIGHT,
            LORVANE_LEGAL_TRADEMARKS, LORVANE_ORIGINAL_FILENAME, LORVANE_PRODUCT_NAME,
            LORVANE_VERSION_TEXT,
        };
        for (int i = 0; i < 10; ++i) r.Strings[i] = strings[i];
        r.FileVersionMS = r.ProductVersionMS =
            uint32_t(LORVANE_VERSION_MAJOR) << 16 | uint32_t(LORVANE_VERSION_MINOR);
        r.FileVersionLS = r.ProductVersionLS =
            uint32_t(LORVANE_VERSION_PATCH) << 16 | uint32_t(LORVANE_VERSION_TWEAK);
        r.FileFlagsMask = FlagsMaskAll;
        r.FileOS = OsNtWindows32;
        r.FileType = TypeApplication;
        r.Translation = CodePageWestern << 16 | LanguageUSEnglish;
        r.LanguageCount = 1;
        r.LanguageName = "English (United States)";
        return r;
    }();
    return record;
}

// The path the program runs from, also after its file was replaced or removed there (a
// rebuild, a package upgrade): the link then names the old file with " (deleted)" after it.
std::string OwnProgramFile() {
    std::error_code ec;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec) return {};
    constexpr std::string_view gone = " (deleted)";
    if (path.ends_with(gone)) path.erase(path.size() - gone.size());
    return FromNativePath(path);
}

// The program's record is compiled in: naming the program's path reads it, whatever file
// lies there now.
bool IsOwnProgram(const std::string& fileName) {
    if (fileName.empty() || fileName == OwnProgramFile()) return true;
    std::error_code ec;
    return std::filesystem::equivalent(ToNativePath(fileName), "/proc/self/exe", ec) && !ec;
}

// The whole text as a number with "." as the separator; false unless all of it converts.
bool WholeFloat(std::string_view text, double& value) {
    std::string t = Trim(text);
    const char* end = t.data() + t.size();
    auto [ptr, ec] = std::from_chars(t.data(), end, value);
    return !t.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

double VersionFloat(std::string_view text) {
    if (text.empty()) return 0;
    double value;
    if (WholeFloat(text, value)) return value;
    std::string number = "0";
    int dots = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '.' || ++dots < 2) continue;
        size_t position = i + 1;
        if (position >= 2 && position <= 6) number = std::string(text.substr(0, i));
        break;
    }
    return WholeFloat(number, value) ? value : 0;
}

TStCustomVersionInfo::TStCustomVersionInfo(TComponent* owner) : TStComponent(owner) {
    fileName_ = OwnProgramFile();
}

void TStCustomVersionInfo::SetFileName(const std::string& fileName) {
    std::string name = fileName.empty() ? OwnProgramFile() : fileName;
    if (!IsOwnProgram(name) && !FileExists(name))
        RaiseLibraryError<EStVersionInfoError>(StMsgFileOpenError);
    if (name != fileName_) loaded_ = false;
    fileName_ = name;
}

const TStCustomVersionInfo::TRecord& TStCustomVersionInfo::Loaded() {
    // Other files carry no version resource that this platform could read.
    if (!loaded_ && !IsOwnProgram(fileName_))
        RaiseLibraryError<EStVersionInfoError>(StMsgNoVersionInfo);
    loaded_ = true;
    return OwnRecord();
}

std::string TStCustomVersionInfo::GetVerInfoString(const std::string& name) {
    const TRecord& r = Loaded();
    for (int i = 0; i < 10; ++i)
        if (SameText(name, StVersionStringNames[i]) && !r.Strings[i].empty()) return r.Strings[i];
    RaiseLibraryError<EStVersionInfoError>(StMsgVersionKeyNotFound);
}
