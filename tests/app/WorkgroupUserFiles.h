// Workgroup user files for tests: the program only reads them, an administrator's tool writes
// them. Record 0 names the bank, then one record a user with the name scrambled.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "ResStrings.h"
#include "Security.h"
#include "StStrS.h"
#include "platform/FileUtils.h"

// The bytes of one record: a length byte, 25 text bytes (longer text is cut), an admin flag.
inline std::string WorkgroupUserRecord(std::string_view text, bool admin) {
    std::string record(WorkgroupUserRecordSize, '\0');
    const size_t n = std::min(text.size(), WorkgroupUserTextSize);
    record[0] = char(n);
    std::copy_n(text.begin(), n, record.begin() + 1);
    record[WorkgroupUserRecordSize - 1] = admin ? '\1' : '\0';
    return record;
}

inline void WriteWorkgroupUserFile(const std::string& fileName, const std::string& bankName,
                                   const std::vector<TWorkgroupUser>& users) {
    std::string bytes = WorkgroupUserRecord(bankName, false);
    for (const TWorkgroupUser& user : users)
        bytes += WorkgroupUserRecord(ScrambleShortStr(user.Text, ResKeyText), user.Admin);
    WriteFileAtomic(fileName, bytes);
}
