// Version information of a program file: the strings and numbers about boxes show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <platform/DateTime.h>

#include "StBase.h"

// A version text as a number: the whole text when it is a number ("4.72"), otherwise the
// text before its second "." when that dot stands at position 2 to 6 ("4.72.3110.0" gives
// 4.72), otherwise 0. "." is the decimal separator whatever the locale.
double VersionFloat(std::string_view text);

// Only the program's own file carries version information here: it is compiled in from the
// project version. FileName "" stands for the program's own file; any other existing file
// raises EStVersionInfoError 100 at the first read of a value, a missing one 73 when named.
class TStCustomVersionInfo : public TStComponent {
public:
    explicit TStCustomVersionInfo(TComponent* owner = nullptr);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);

    std::string Comments() { return Loaded().Strings[0]; }
    std::string CompanyName() { return Loaded().Strings[1]; }
    std::string FileDescription() { return Loaded().Strings[2]; }
    std::string FileVersion() { return Loaded().Strings[3]; }
    std::string InternalName() { return Loaded().Strings[4]; }
    std::string LegalCopyright() { return Loaded().Strings[5]; }
    std::string LegalTrademarks() { return Loaded().Strings[6]; }
    std::string OriginalFilename() { return Loaded().Strings[7]; }
    std::string ProductName() { return Loaded().Strings[8]; }
    std::string ProductVersion() { return Loaded().Strings[9]; }

    // High word = major (or third) part, as in the Windows fixed version record.
    uint32_t FileVersionMS() { return Loaded().FileVersionMS; }
    uint32_t FileVersionLS() { return Loaded().FileVersionLS; }
    uint32_t ProductVersionMS() { return Loaded().ProductVersionMS; }
    uint32_t ProductVersionLS() { return Loaded().ProductVersionLS; }
    uint32_t FileFlags() { return Loaded().FileFlags; }
    uint32_t FileFlagsMask() { return Loaded().FileFlagsMask; }
    uint32_t FileOS() { return Loaded().FileOS; }
    uint32_t FileType() { return Loaded().FileType; }
    uint32_t FileSubtype() { return Loaded().FileSubtype; }
    TDateTime FileDate() { return Loaded().FileDate; }
    double FileVersionFloat() { return VersionFloat(FileVersion()); }
    double ProductVersionFloat() { return VersionFloat(ProductVersion()); }

    // The first translation: language in the low word, code page in the high word.
    uint32_t LanguageCount() { return Loaded().LanguageCount; }
    uint32_t TranslationValue() { return Loaded().Translation; }
    std::string LanguageName() { return Loaded().LanguageName; }

    // One named string of the record; EStVersionInfoError 134 when there is none.
    std::string GetVerInfoString(const std::string& name);

    struct TRecord {
        std::string Strings[10];
        uint32_t FileVersionMS = 0, FileVersionLS = 0, ProductVersionMS = 0, ProductVersionLS = 0;
        uint32_t FileFlags = 0, FileFlagsMask = 0, FileOS = 0, FileType = 0, FileSubtype = 0;
        TDateTime FileDate = 0;
        uint32_t Translation = 0;
        uint32_t LanguageCount = 0;
        std::string LanguageName;
    };

private:
    const TRecord& Loaded();

    std::string fileName_;
    bool loaded_ = false;
};

class TStVersionInfo : public TStCustomVersionInfo {
public:
    using TStCustomVersionInfo::TStCustomVersionInfo;
};

// The names of the ten strings, in record order ("Comments" .. "ProductVersion").
extern const char* const StVersionStringNames[10];
