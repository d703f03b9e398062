// File names and text files: the system's Windows-1252 names meet the UTF-8 file system here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A Windows-1252 file name as the file system's UTF-8 name, and back.
std::string ToNativePath(std::string_view fileName);
std::string FromNativePath(std::string_view nativeName);

// False for a name holding a NUL byte: the system calls would cut it short and so act on
// another file. Every call here and TFileStream refuse such names (false, -1 or an exception).
bool IsUsableFileName(std::string_view fileName);

bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dirName);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
bool ForceDirectories(const std::string& dirName);
// The last modification time as a date-time, or -1 when the file cannot be read.
double FileAge(const std::string& fileName);

// Path pieces with "/" (and "\" from Windows-style names) as delimiters.
std::string ExtractFilePath(std::string_view fileName);  // with its trailing delimiter
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);   // with its dot
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view dir);

// The folder of the program file, with a trailing "/".
std::string ProgramFolder();
// The user's data folder ($XDG_DATA_HOME/Lorvane/), created on demand, with a trailing "/".
std::string UserDataFolder();
// The user's configuration folder ($XDG_CONFIG_HOME/Lorvane/), not created, trailing "/".
std::string UserConfigFolder();

// Splits bytes into lines at CR LF, CR or LF; a last line without a break still counts,
// an empty text gives no lines. Bytes 0x1A and NUL are ordinary bytes.
std::vector<std::string> SplitLines(std::string_view bytes);

// Reads a whole file; EFOpenError when it cannot be opened.
std::string ReadFileBytes(const std::string& fileName);
std::vector<std::string> ReadTextLines(const std::string& fileName);

// Writes a whole file safely: a temporary file in the same folder, flushed and synced, then
// renamed over the target. New files get `newFileMode`; an existing file keeps its mode; a
// symbolic link is followed and stays in place.
// Raises EFCreateError or EWriteError and leaves the target untouched on failure.
void WriteFileAtomic(const std::string& fileName, std::string_view bytes, unsigned newFileMode = 0644);
// Each line followed by CR LF.
std::string JoinLinesCRLF(const std::vector<std::string>& lines);
