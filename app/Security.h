// Operation passwords, the workgroup user file, the user's validation and the workgroup bank's
// load and file-stamp check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The operations a password can protect; a larger number always asks.
enum TPasswordOperation {
    poShowPassword = 0,
    poConfidentialNotes = 1,
    poPrint = 2,
    poConfiguration = 3,
    poExport = 4,
};

// True when the operation may go ahead: at once when its protection is off, or when the
// password was given once and is not asked at each use; otherwise the password dialog is
// shown until the typed text (trimmed, ASCII case ignored) equals the bank password. Cancel
// gives false.
bool CheckPassword(int Operation);
// The bank password was typed correctly once since start-up.
bool& PasswordGiven();

// ---- The workgroup user file: 27-byte records of a length byte, 25 text bytes and an
// administrator byte. Record 0 names the workgroup bank relative to the file's folder; the
// others hold scrambled user names.

inline constexpr size_t WorkgroupUserRecordSize = 27;
inline constexpr size_t WorkgroupUserTextSize = 25;

struct TWorkgroupUser {
    std::string Text;  // as stored (user names scrambled)
    bool Admin = false;
};

// The bytes of one record; text beyond 25 bytes is cut.
std::string WorkgroupUserRecord(std::string_view text, bool admin);
// Reads every whole record through the buffered stream; a length above 25 reads as 25, a
// trailing short record is ignored. Raises when the file cannot be opened or read.
std::vector<TWorkgroupUser> ReadWorkgroupUserFile(const std::string& FileName);
// Writes a user file: record 0 names the bank, then one record per user, scrambled. Raises on
// failure.
void WriteWorkgroupUserFile(const std::string& FileName, const std::string& bankName,
                            const std::vector<TWorkgroupUser>& users);
// The workgroup bank named by record 0: "\" read as "/", relative to `folder`; a name missing
// in its folder is looked up ignoring ASCII case.
std::string ResolveWorkgroupBankPath(const std::string& folder, const std::string& text);

// The configured user was found in the user file.
bool& UserValid();
// Validates the configured user once per run: sets WorkgroupBankFile, IsAdministrator and
// UserValid, or reports what is missing.
void ValidateUser();
// The configuration changed the user or the user file: the next ValidateUser checks again.
void ResetUserValidationState();
// "Could not access User File" with the configured path.
void ReportUserFileError();
struct TSettings;

// A user name or a user file is configured (in `settings`; without, in those in force).
bool WorkgroupConfigured(const TSettings& settings);
bool WorkgroupConfigured();

// Loads the workgroup bank in place of the workgroup entries. True when it was loaded: then
// WorkgroupFileTime holds its stamp and the file-stamp check is to run.
bool LoadWorkgroupBankCommand();
// The workgroup bank on disk differs from the one loaded (false while it cannot be found).
bool WorkgroupFileChanged();
