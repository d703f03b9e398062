// The calendar library's message tables, read with the "STR0" reader of the utility library.
#pragma once

#include <StSrMgr.h>

// The calendar library's reader: the utility reader whose own error texts come from
// "ESSRMGR_STRINGS".
class TEsStringResource : public TStStringResource {
public:
    explicit TEsStringResource(std::string_view resourceName);
};

// Ids of "CALENDAR_STRINGS_ENGLISH": colour names 0..15, then the date errors.
enum TEsMessageId : int32_t {
    esBlack = 0,
    esWhite = 15,
    esNoLabelAttached = 30,
    esBlankDate = 31,
    esInvalidDay = 32,
    esInvalidMonth = 33,
    esInvalidMonthName = 34,
    esInvalidYear = 35,
    esDayRequired = 36,
    esMonthRequired = 37,
    esYearRequired = 38,
    esInvalidDate = 39,
};

// The reader of the reader's own error texts ("ESSRMGR_STRINGS"); closed when the table is
// missing or broken, so errors then use built-in texts.
const TStStringResource& EsErrorTextResource();
// The reader of the calendar library's messages ("CALENDAR_STRINGS_ENGLISH").
const TEsStringResource& EsMessageResource();
