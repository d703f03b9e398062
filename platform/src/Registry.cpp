// The per-user registry over one file: key operations in memory, atomic writes to disk.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "RegistryTree.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

namespace {

// What identifies one state of the file on disk, to notice changes made by others.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileStamp StampOf(const std::string& fileName) {
    FileStamp s;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    return s;
}

// Reads the whole file; false when it exists but cannot be read.
bool ReadWholeFile(const std::string& fileName, std::string& bytes) {
    bytes.clear();
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        bytes.append(buf, size_t(n));
    }
    ::close(fd);
    return true;
}

bool MakeFolders(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash))) return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The damaged copy is made as a second name, ".<file>.damaged.saving", before the file is
// replaced, and takes its own name after. A save that ended between the two left it under the
// temporary name: once the file no longer reads as damaged, the copy there is whole, and it
// takes its place.
void FinishKeptDamaged(const std::string& damagedName) {
    const std::string leftover = SafeWriteTempName(damagedName, true);
    struct stat st {};
    if (::lstat(leftover.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return;
    ::rename(leftover.c_str(), damagedName.c_str());
}

// Written by the safe writer, readable by the owner only because the registry holds the
// (merely scrambled) bank password. A file that read as damaged is kept beside the new one.
bool ReplaceFile(const std::string& fileName, const std::string& bytes, bool keepDamaged) {
    size_t slash = fileName.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : fileName.substr(0, slash);
    if (!MakeFolders(dir)) return false;
    TSafeWriteOptions options;
    options.Mode = 0600;
    options.ForceMode = true;
    options.NativeNames = true;
    const std::string damagedName = fileName + ".damaged";
    if (keepDamaged)
        options.BackupName = damagedName;
    else
        FinishKeptDamaged(damagedName);
    try {
        WriteFileAtomic(fileName, bytes, options);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

TRegKeyNode* FindKey(TRegKeyNode& root, std::string_view path) {
    TRegKeyNode* key = &root;
    for (auto name : SplitRegPath(path)) {
        key = key->FindSubKey(name);
        if (!key) return nullptr;
    }
    return key;
}

// A key deeper than the file may hold: it would make the whole file read as damaged.
bool TooDeep(std::string_view path) {
    return SplitRegPath(path).size() > MaxRegKeyDepth;
}

TRegKeyNode& MakeKey(TRegKeyNode& root, std::string_view path) {
    TRegKeyNode* key = &root;
    for (auto name : SplitRegPath(path)) key = &key->AddSubKey(name);
    return *key;
}

}  // namespace

const char* RegRootName(TRegRoot root) {
    switch (root) {
        case TRegRoot::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case TRegRoot::CurrentUser:
            return "HKEY_CURRENT_USER";
        case TRegRoot::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case TRegRoot::Users:
            return "HKEY_USERS";
    }
    return "";
}

TRegValue TRegValue::String(std::string name, std::string text, uint32_t type) {
    return TRegValue{std::move(name), type, std::move(text)};
}

TRegValue TRegValue::DWord(std::string name, uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[size_t(i)] = char((value >> (8 * i)) & 0xFF);
    return TRegValue{std::move(name), REG_DWORD, std::move(data)};
}

TRegValue TRegValue::Binary(std::string name, std::string bytes) {
    return TRegValue{std::move(name), REG_BINARY, std::move(bytes)};
}

uint32_t TRegValue::AsDWord() const {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < Data.size(); ++i)
        v |= uint32_t(static_cast<unsigned char>(Data[i])) << (8 * i);
    return v;
}

struct TRegistryStore::Impl {
    std::string fileName;
    std::recursive_mutex mutex;
    TRegTree tree;
    FileStamp stamp;  // of the file as last read or written
    bool loaded = false;
    bool dirty = false;  // changes not yet in the file
    bool damaged = false;
    long status = ERROR_SUCCESS;
    int updates = 0;

    // Reads the file again when it changed since we last saw it, or could not be read then,
    // and nothing is pending.
    void Refresh() {
        if (dirty || updates > 0) return;
        FileStamp now = StampOf(fileName);
        if (loaded && now == stamp && status == ERROR_SUCCESS) return;
        loaded = true;
        stamp = now;
        damaged = false;
        status = ERROR_SUCCESS;
        tree.Clear();
        if (!now.exists) return;
        std::string text;
        if (!ReadWholeFile(fileName, text)) {
            status = ERROR_ACCESS_DENIED;
            return;
        }
        if (!text.empty() && !ReadRegistryText(text, tree)) damaged = true;
    }

    long Flush() {
        if (!dirty) return ERROR_SUCCESS;
        // What we hold is not what the file holds: writing it would lose the file's values.
        if (status != ERROR_SUCCESS) return status;
        if (!ReplaceFile(fileName, WriteRegistryText(tree), damaged)) return ERROR_ACCESS_DENIED;
        dirty = false;
        damaged = false;
        status = ERROR_SUCCESS;
        stamp = StampOf(fileName);
        return ERROR_SUCCESS;
    }

    long Changed() {
        dirty = true;
        return updates > 0 ? ERROR_SUCCESS : Flush();
    }

    TRegKeyNode* Find(TRegRoot root, std::string_view path) {
        Refresh();
        return FindKey(tree.Root(root), path);
    }

    // A file that exists but could not be read is never written over: changes are refused.
    bool Writable() {
        Refresh();
        return status == ERROR_SUCCESS;
    }
};

TRegistryStore::TRegistryStore(std::string fileName) : impl_(std::make_unique<Impl>()) {
    impl_->fileName = std::move(fileName);
}

TRegistryStore::~TRegistryStore() {
    // A destructor cannot report a failed write; Flush and EndUpdate are where errors show.
    impl_->Flush();
}

const std::string& TRegistryStore::FileName() const {
    return impl_->fileName;
}

long TRegistryStore::Status() {
    std::lock_guard lock(impl_->mutex);
    impl_->Refresh();
    return impl_->status;
}

bool TRegistryStore::Damaged() {
    std::lock_guard lock(impl_->mutex);
    impl_->Refresh();
    return impl_->damaged;
}

bool TRegistryStore::KeyExists(TRegRoot root, std::string_view path) {
    std::lock_guard lock(impl_->mutex);
    return impl_->Find(root, path) != nullptr;
}

long TRegistryStore::CreateKey(TRegRoot root, std::string_view path) {
    std::lock_guard lock(impl_->mutex);
    if (TooDeep(path)) return ERROR_BADKEY;
    if (!impl_->Writable()) return impl_->status;
    if (impl_->Find(root, path)) return ERROR_SUCCESS;
    MakeKey(impl_->tree.Root(root), path);
    return impl_->Changed();
}

long TRegistryStore::QueryInfoKey(TRegRoot root, std::string_view path, TRegKeyInfo& info) {
    std::lock_guard lock(impl_->mutex);
    info = TRegKeyInfo();
    TRegKeyNode* key = impl_->Find(root, path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    info.SubKeys = int(key->SubKeys.size());
    info.Values = int(key->Values.size());
    for (const auto& k : key->SubKeys)
        info.MaxSubKeyLen = std::max(info.MaxSubKeyLen, int(k->Name.size()));
    for (const auto& v : key->Values) {
        info.MaxValueNameLen = std::max(info.MaxValueNameLen, int(v.Name.size()));
        info.MaxValueLen = std::max(info.MaxValueLen, int(v.Data.size()));
    }
    return ERROR_SUCCESS;
}

long TRegistryStore::EnumKeys(TRegRoot root, std::string_view path,
                              std::vector<std::string>& names) {
    std::lock_guard lock(impl_->mutex);
    names.clear();
    TRegKeyNode* key = impl_->Find(root, path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    for (const auto& k : key->SubKeys) names.push_back(k->Name);
    return ERROR_SUCCESS;
}

long TRegistryStore::EnumValues(TRegRoot root, std::string_view path,
                                std::vector<TRegValue>& values) {
    std::lock_guard lock(impl_->mutex);
    values.clear();
    TRegKeyNode* key = impl_->Find(root, path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    values = key->Values;
    return ERROR_SUCCESS;
}

long TRegistryStore::QueryValue(TRegRoot root, std::string_view path, std::string_view name,
                                TRegValue& value) {
    std::lock_guard lock(impl_->mutex);
    value = TRegValue();
    TRegKeyNode* key = impl_->Find(root, path);
    int i = key ? key->FindValue(name) : -1;
    if (i < 0) return ERROR_FILE_NOT_FOUND;
    value = key->Values[size_t(i)];
    return ERROR_SUCCESS;
}

long TRegistryStore::SetValue(TRegRoot root, std::string_view path, const TRegValue& value) {
    std::lock_guard lock(impl_->mutex);
    if (TooDeep(path)) return ERROR_BADKEY;
    if (!impl_->Writable()) return impl_->status;
    TRegKeyNode& key = MakeKey(impl_->tree.Root(root), path);
    int i = key.FindValue(value.Name);
    if (i < 0) {
        key.Values.push_back(value);
    } else {
        TRegValue& v = key.Values[size_t(i)];
        v.Type = value.Type;
        v.Data = value.Data;
    }
    return impl_->Changed();
}

long TRegistryStore::DeleteValue(TRegRoot root, std::string_view path, std::string_view name) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->Writable()) return impl_->status;
    TRegKeyNode* key = impl_->Find(root, path);
    int i = key ? key->FindValue(name) : -1;
    if (i < 0) return ERROR_FILE_NOT_FOUND;
    key->RemoveValue(size_t(i));
    return impl_->Changed();
}

long TRegistryStore::DeleteKey(TRegRoot root, std::string_view path) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->Writable()) return impl_->status;
    auto names = SplitRegPath(path);
    TRegKeyNode* key = impl_->Find(root, path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (names.empty() || !key->SubKeys.empty()) return ERROR_ACCESS_DENIED;
    TRegKeyNode* parent = &impl_->tree.Root(root);
    for (size_t i = 0; i + 1 < names.size(); ++i) parent = parent->FindSubKey(names[i]);
    parent->RemoveSubKey(names.back());
    return impl_->Changed();
}

void TRegistryStore::BeginUpdate() {
    std::lock_guard lock(impl_->mutex);
    impl_->Refresh();
    ++impl_->updates;
}

long TRegistryStore::EndUpdate() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->updates > 0) --impl_->updates;
    return impl_->updates > 0 ? ERROR_SUCCESS : impl_->Flush();
}

long TRegistryStore::Flush() {
    std::lock_guard lock(impl_->mutex);
    return impl_->Flush();
}

namespace {

std::mutex registryMutex;
std::string registryFileName;  // empty: the default
std::shared_ptr<TRegistryStore> registryStore;

}  // namespace

std::string DefaultRegistryFileName() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (config && config[0] == '/') {
        dir = config;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home && *home ? home : ".") + "/.config";
    }
    return dir + "/Lorvane/registry.reg";
}

std::string RegistryFileName() {
    std::lock_guard lock(registryMutex);
    return registryFileName.empty() ? DefaultRegistryFileName() : registryFileName;
}

void SetRegistryFileName(const std::string& fileName) {
    std::shared_ptr<TRegistryStore> previous;
    {
        std::lock_guard lock(registryMutex);
        registryFileName = fileName;
        previous.swap(registryStore);
    }
    if (previous) previous->Flush();
}

std::shared_ptr<TRegistryStore> Registry() {
    std::lock_guard lock(registryMutex);
    if (!registryStore)
        registryStore = std::make_shared<TRegistryStore>(
            registryFileName.empty() ? DefaultRegistryFileName() : registryFileName);
    return registryStore;
}
