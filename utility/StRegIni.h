// A store of named settings over the registry (below one root key) or over an INI file.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <platform/Classes.h>
#include <platform/Registry.h>

class TStIniFile;

// What a line of GetValues holds; the line's object points at one of the two tags below.
enum class TStValueKind { Text, Binary };
extern const TStValueKind StTextValue;
extern const TStValueKind StBinaryValue;
// The kind of line `index` of a GetValues listing.
TStValueKind ValueKindOf(const TStrings& list, int index);

// Reads fall back to the caller's default and never create a key (the one read error is 38,
// a binary value over 127 bytes read as a string). Writes and deletions that fail raise
// EStRegIniError with the library's message id and, where the text has one, the OS code.
//
// In registry mode the writes of one store collect in memory and reach the file in one
// write: at Commit, or when the store is destroyed (where a failure cannot be reported, so
// callers that must know call Commit). Every public operation holds a re-entrant lock.
class TStRegIni {
public:
    // RootName selects the root key ("MACHINE", "USERS", "ROOT", any case; anything else is
    // the current user) or, with IsIniFile, names the INI file, kept as given. An empty name
    // raises 2; a registry file that exists but cannot be read raises 6.
    TStRegIni(const std::string& rootName, bool isIniFile);
    ~TStRegIni();
    TStRegIni(const TStRegIni&) = delete;
    TStRegIni& operator=(const TStRegIni&) = delete;

    // The key path (registry) or section (INI) that value operations address.
    std::string CurrentSubKey() const { return curSubKey_; }
    void SetCurrentSubKey(const std::string& subKey) { curSubKey_ = subKey; }

    bool IsIniFile() const { return !riMode_; }
    TRegRoot RootKey() const { return root_; }
    const std::string& IniFileName() const { return iniFileName_; }

    bool ReadBool(const std::string& name, bool fallback);
    int32_t ReadInteger(const std::string& name, int32_t fallback);
    std::string ReadString(const std::string& name, const std::string& fallback);
    void WriteBool(const std::string& name, bool value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteString(const std::string& name, const std::string& value);

    // Clears List and adds the names of the current sub-key's sub-keys (INI: the current
    // section's key names, or all section names when no section is current).
    void GetSubKeys(TStrings& list);
    // Clears List and adds "name=data" per value of the current sub-key, tagged by kind.
    void GetValues(TStrings& list);
    // KeyName is a path from the root key (INI: a section name).
    bool KeyExists(const std::string& keyName);
    // Deletes KeyName below the current sub-key; one that has contents raises 14 unless
    // DeleteSubKeys, which removes everything in it first.
    void DeleteKey(const std::string& keyName, bool deleteSubKeys);
    void DeleteValue(const std::string& name);

    // Writes the collected changes now; raises 8 when the file cannot be written.
    void Commit();

private:
    void ClearKey(const std::string& path);
    std::string IniRead(const std::string& name, const std::string& fallback);
    void IniWrite(const std::string& name, const std::string& text);
    void IniKeyNames(const std::string& section, TStrings& list);

    mutable std::recursive_mutex lock_;
    bool riMode_ = true;
    TRegRoot root_ = TRegRoot::CurrentUser;
    std::string curSubKey_;
    std::string trueText_;
    std::string falseText_;
    std::string iniFileName_;
    std::shared_ptr<TRegistryStore> store_;
    std::unique_ptr<TStIniFile> ini_;
};
