// The utility library's message ids and the library's two message-table readers.
#pragma once

#include <cstdint>
#include <string>

class TStStringResource;

enum StMessageId : int32_t {
    StMsgFalse = 0,
    StMsgTrue = 1,
    StMsgNoIniOrPrimaryKey = 2,
    StMsgWin32sUnsupported = 4,
    StMsgCreateKeyFailed = 5,  // %d
    StMsgOpenKeyFailed = 6,    // %d
    StMsgIniWriteFailed = 7,
    StMsgRegWriteFailed = 8,    // %d
    StMsgQueryKeyFailed = 10,   // %d
    StMsgEnumKeyFailed = 11,    // %d
    StMsgEnumValueFailed = 12,  // %d
    StMsgIniDeleteSectionFailed = 13,
    StMsgKeyHasSubkeys = 14,    // %d
    StMsgDeleteKeyFailed = 15,  // %d
    StMsgIniDeleteValueFailed = 16,
    StMsgDeleteValueFailed = 17,  // %d
    StMsgIniUnsupported = 29,
    StMsgCloseRemoteKeyFailed = 32,
    StMsgByteArrayTooLarge = 38,
    StMsgNoValueName = 40,
    StMsgNoCompare = 51,
    StMsgBadSize = 53,
    StMsgFileOpenError = 73,
    StMsgNoVersionInfo = 100,
    StMsgVersionInfoUnreadable = 101,
    StMsgShellUnsupported = 110,
    StMsgVersionKeyNotFound = 134,
    StMsgBadOrigin = 263,
    StMsgNilStream = 270,
    StMsgReadSeekFailed = 271,
    StMsgWriteSeekFailed = 272,
    StMsgWriteIncomplete = 273,
};

// The reader of the readers' own error texts ("STSRMGR_STRINGS"), created on first use.
const TStStringResource& ErrorTextResource();
// The library's message reader ("UTILITY_STRINGS_ENGLISH"), created on first use after the
// error-text reader.
const TStStringResource& LibraryTextResource();

// The library text of a message id, "" when the table has none.
std::string LibraryText(int32_t id);
