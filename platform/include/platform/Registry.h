// The per-user registry: four root trees of keys holding typed values, kept in one file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The root trees. Only the current user's tree carries the program's data; the others exist
// so that callers naming them get a tree of their own, which is normally empty.
enum class TRegRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_USERS".
const char* RegRootName(TRegRoot root);

// Value types, numbered as the Windows registry numbers them (callers test these numbers).
enum TRegType : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

// Result codes, numbered as Windows numbers them.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;  // no such key or value
inline constexpr long ERROR_ACCESS_DENIED = 5;   // the file cannot be read or written, or a
                                                 // key with sub-keys was to be deleted
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_BADKEY = 1010;  // a key path nested deeper than 512 keys

// One value. `Data` holds the raw bytes: the text without a terminator for REG_SZ and
// REG_EXPAND_SZ, four little-endian bytes for REG_DWORD, anything for the other types.
struct TRegValue {
    std::string Name;  // empty: the key's unnamed value
    uint32_t Type = REG_NONE;
    std::string Data;

    static TRegValue String(std::string name, std::string text, uint32_t type = REG_SZ);
    static TRegValue DWord(std::string name, uint32_t value);
    static TRegValue Binary(std::string name, std::string bytes);
    // The first four bytes as a little-endian number; missing bytes count as zero.
    uint32_t AsDWord() const;
};

struct TRegKeyInfo {
    int SubKeys = 0;
    int Values = 0;
    int MaxSubKeyLen = 0;
    int MaxValueNameLen = 0;
    int MaxValueLen = 0;
};

// A registry over one file. Key paths are names joined with "\"; empty names (doubled,
// leading or trailing "\") are skipped, so "" is the root itself. Names of keys and values
// compare ignoring ASCII case and keep the case they were created with; listings come in
// creation order. Reads never create anything; setting a value creates its key path.
//
// Every change is written through to the file at once (a temporary file renamed over it,
// mode 0600) unless an update is open: then the changes collect in memory until the last
// EndUpdate or a Flush, which writes the file once. Before an operation outside an update,
// and at the start of one, a file changed by someone else is read again (only when nothing
// is waiting to be written). A file that cannot be parsed reads as an empty registry; the next
// write keeps it as "<file>.damaged" and replaces it. A file that exists but cannot be read is
// never written over: changes are refused with ERROR_ACCESS_DENIED until it reads again. The
// file is written by the safe writer (WriteFileAtomic): a symbolic link is followed, the folder
// synced. All operations are safe to call from several threads.
class TRegistryStore {
public:
    explicit TRegistryStore(std::string fileName);
    ~TRegistryStore();
    TRegistryStore(const TRegistryStore&) = delete;
    TRegistryStore& operator=(const TRegistryStore&) = delete;

    const std::string& FileName() const;

    // ERROR_SUCCESS when the file is absent, readable, or damaged (it then reads as empty);
    // ERROR_ACCESS_DENIED when it exists but cannot be read.
    long Status();
    // True when the last read found a file it could not parse.
    bool Damaged();

    bool KeyExists(TRegRoot root, std::string_view path);
    // CreateKey and SetValue refuse a path of more than 512 keys with ERROR_BADKEY.
    long CreateKey(TRegRoot root, std::string_view path);
    long QueryInfoKey(TRegRoot root, std::string_view path, TRegKeyInfo& info);
    long EnumKeys(TRegRoot root, std::string_view path, std::vector<std::string>& names);
    long EnumValues(TRegRoot root, std::string_view path, std::vector<TRegValue>& values);
    long QueryValue(TRegRoot root, std::string_view path, std::string_view name, TRegValue& value);
    // Sets (or replaces, keeping the stored name's case and place) value.Name in the key.
    long SetValue(TRegRoot root, std::string_view path, const TRegValue& value);
    long DeleteValue(TRegRoot root, std::string_view path, std::string_view name);
    // Deletes a key with its values; ERROR_ACCESS_DENIED while it still has sub-keys,
    // ERROR_FILE_NOT_FOUND when it is missing. The root itself cannot be deleted.
    long DeleteKey(TRegRoot root, std::string_view path);

    // Nested updates: the file is written once, when the outermost one ends.
    void BeginUpdate();
    long EndUpdate();
    // Writes pending changes now; ERROR_ACCESS_DENIED when the file cannot be written (the
    // changes then stay pending).
    long Flush();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The process's registry over RegistryFileName(). Holders keep the store they got alive;
// changing the file name hands later callers a fresh store (the previous one first writes
// what it had pending).
std::shared_ptr<TRegistryStore> Registry();
// Sets the registry's file (a native path); an empty name restores the default,
// $XDG_CONFIG_HOME/Lorvane/registry.reg (~/.config when the variable is unset).
void SetRegistryFileName(const std::string& fileName);
std::string RegistryFileName();
std::string DefaultRegistryFileName();
