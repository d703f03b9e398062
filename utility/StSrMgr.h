// The reader of "STR0" message tables: texts looked up by numeric id.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include <platform/Exceptions.h>
#include <platform/Resources.h>
#include <platform/SysUtils.h>

LORVANE_EXCEPTION(EStringResourceError, Exception);

// A table is "STR0", an int32 count, records of int32 id / offset / length (UTF-16 units)
// sorted by id, then the UTF-16LE texts; all little-endian. The table is checked when it is
// opened, so lookups never read outside it.
class TStStringResource {
public:
    // The reader's own error texts, by id in an error table.
    enum ErrorTextId : int32_t {
        StringNotFound = 1,    // "String not found: %d"
        CannotLock = 2,        // "Cannot lock resource"
        ResourceNotFound = 3,  // "String resource not found: %s"
        CannotOpen = 4,        // "Unable to open string resource: %s"
        InvalidResource = 5,   // "Invalid string resource"
    };

    // Opens the named registered table; an empty name leaves the reader closed. The reader's
    // own errors take their texts from `errorTexts` when given and holding them, else from
    // built-in copies.
    explicit TStStringResource(std::string_view resourceName,
                               const TStStringResource* errorTexts = nullptr);

    // The text of `id` in Windows-1252, or "" when the table has none (unless ReportError).
    std::string GetString(int32_t id) const;

    bool IsOpen() const { return bool(blob_); }
    int32_t Count() const { return count_; }

    // When true, a missing id raises "String not found: %d".
    bool ReportError = false;

private:
    std::string ErrorText(ErrorTextId id) const;
    [[noreturn]] void Fail(ErrorTextId id, std::initializer_list<FmtArg> args = {}) const;

    ResourceBlob blob_;
    int32_t count_ = 0;
    const TStStringResource* errorTexts_ = nullptr;
};
