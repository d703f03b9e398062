// The settings store over the registry or an INI file.
#include "StRegIni.h"

#include <platform/SysUtils.h>

#include "StBase.h"
#include "StConst.h"
#include "StRegIniFile.h"
#include "StStrS.h"

const TStValueKind StTextValue = TStValueKind::Text;
const TStValueKind StBinaryValue = TStValueKind::Binary;

TStValueKind ValueKindOf(const TStrings& list, int index) {
    return list.Objects(index) == &StBinaryValue ? TStValueKind::Binary : TStValueKind::Text;
}

namespace {

// The INI reads' buffers: a value is cut to 1023 bytes, a listing to 8192 bytes of
// zero-separated names.
constexpr size_t IniValueLimit = 1023;
constexpr size_t IniListLimit = 8190;
constexpr size_t MaxBinaryAsString = 127;

[[noreturn]] void RaiseRegIniError(int32_t id) {
    RaiseLibraryError<EStRegIniError>(id);
}

[[noreturn]] void RaiseRegIniError(int32_t id, long code) {
    RaiseLibraryErrorFmt<EStRegIniError>(id, {code});
}

// A REG_SZ's text ends at its first zero, as the registry's readers see it.
std::string TextOf(const TRegValue& v) {
    size_t nul = v.Data.find('\0');
    return nul == std::string::npos ? v.Data : v.Data.substr(0, nul);
}

bool IsText(const TRegValue& v) {
    return v.Type == REG_SZ || v.Type == REG_EXPAND_SZ;
}

std::string HexOf(const std::string& bytes) {
    std::string out;
    for (char c : bytes) out += HexByte(static_cast<uint8_t>(c));
    return out;
}

// A whole number: blanks before it, a sign, "$" for hexadecimal, nothing after it.
bool WholeNumber(const std::string& text, int32_t& value) {
    return ValInt(text, value) == 0;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
}

}  // namespace

TStRegIni::TStRegIni(const std::string& rootName, bool isIniFile) {
    if (rootName.empty()) RaiseRegIniError(StMsgNoIniOrPrimaryKey);
    falseText_ = LibraryText(StMsgFalse);
    trueText_ = LibraryText(StMsgTrue);
    if (isIniFile) {
        // The name is a path here: it keeps its letter case.
        riMode_ = false;
        iniFileName_ = rootName;
        ini_ = std::make_unique<TStIniFile>(rootName);
        return;
    }
    std::string upper = UpperCase(rootName);
    if (upper == "MACHINE")
        root_ = TRegRoot::LocalMachine;
    else if (upper == "USERS")
        root_ = TRegRoot::Users;
    else if (upper == "ROOT")
        root_ = TRegRoot::ClassesRoot;
    else
        root_ = TRegRoot::CurrentUser;
    store_ = Registry();
    if (long code = store_->Status(); code != ERROR_SUCCESS)
        RaiseRegIniError(StMsgOpenKeyFailed, code);
    store_->BeginUpdate();
}

TStRegIni::~TStRegIni() {
    if (!store_) return;
    // Written even while another holder keeps an update open. A failure cannot be reported
    // from here: callers that must know call Commit.
    store_->EndUpdate();
    store_->Flush();
}

void TStRegIni::Commit() {
    std::lock_guard lock(lock_);
    if (!riMode_) return;  // INI writes go to the file at once
    if (long code = store_->Flush(); code != ERROR_SUCCESS)
        RaiseRegIniError(StMsgRegWriteFailed, code);
}

std::string TStRegIni::IniRead(const std::string& name, const std::string& fallback) {
    std::string value;
    if (!ini_->ReadValue(curSubKey_, name, value)) return fallback;
    return value.substr(0, IniValueLimit);
}

void TStRegIni::IniWrite(const std::string& name, const std::string& text) {
    if (name.empty()) RaiseRegIniError(StMsgNoValueName);
    if (!ini_->WriteValue(curSubKey_, name, text)) RaiseRegIniError(StMsgIniWriteFailed);
}

bool TStRegIni::ReadBool(const std::string& name, bool fallback) {
    std::lock_guard lock(lock_);
    if (!riMode_) {
        std::string text = IniRead(name, fallback ? trueText_ : falseText_);
        if (SameText(text, falseText_)) return false;
        if (SameText(text, trueText_)) return true;
        double number;
        return TryStrToFloat(text, number) ? number != 0 : fallback;
    }
    TRegValue v;
    if (store_->QueryValue(root_, curSubKey_, name, v) != ERROR_SUCCESS) return fallback;
    if (IsText(v)) return !SameText(TextOf(v), falseText_);
    if (v.Type == REG_BINARY || v.Type == REG_DWORD) return v.AsDWord() != 0;
    return fallback;
}

int32_t TStRegIni::ReadInteger(const std::string& name, int32_t fallback) {
    std::lock_guard lock(lock_);
    int32_t value;
    if (!riMode_) {
        std::string text = IniRead(name, IntToStr(fallback));
        return !text.empty() && WholeNumber(text, value) ? value : fallback;
    }
    TRegValue v;
    if (store_->QueryValue(root_, curSubKey_, name, v) != ERROR_SUCCESS) return fallback;
    if (IsText(v)) return WholeNumber(TextOf(v), value) ? value : fallback;
    if (v.Type == REG_BINARY || v.Type == REG_DWORD) return int32_t(v.AsDWord());
    return fallback;
}

std::string TStRegIni::ReadString(const std::string& name, const std::string& fallback) {
    std::lock_guard lock(lock_);
    if (!riMode_) {
        std::string text = IniRead(name, fallback);
        return text.empty() ? fallback : text;
    }
    TRegValue v;
    if (store_->QueryValue(root_, curSubKey_, name, v) != ERROR_SUCCESS) return fallback;
    if (IsText(v)) return TextOf(v);
    if (v.Type == REG_DWORD) return std::to_string(v.AsDWord());
    if (v.Type == REG_BINARY) {
        if (v.Data.size() > MaxBinaryAsString) RaiseRegIniError(StMsgByteArrayTooLarge);
        return HexOf(v.Data);
    }
    return fallback;
}

void TStRegIni::WriteBool(const std::string& name, bool value) {
    std::lock_guard lock(lock_);
    if (!riMode_) return IniWrite(name, value ? trueText_ : falseText_);
    if (long code = store_->SetValue(root_, curSubKey_, TRegValue::DWord(name, value ? 1 : 0)))
        RaiseRegIniError(StMsgRegWriteFailed, code);
}

void TStRegIni::WriteInteger(const std::string& name, int32_t value) {
    std::lock_guard lock(lock_);
    if (!riMode_) return IniWrite(name, IntToStr(value));
    if (long code = store_->SetValue(root_, curSubKey_, TRegValue::DWord(name, uint32_t(value))))
        RaiseRegIniError(StMsgRegWriteFailed, code);
}

void TStRegIni::WriteString(const std::string& name, const std::string& value) {
    std::lock_guard lock(lock_);
    if (!riMode_) return IniWrite(name, value);
    if (long code = store_->SetValue(root_, curSubKey_, TRegValue::String(name, value)))
        RaiseRegIniError(StMsgRegWriteFailed, code);
}

void TStRegIni::IniKeyNames(const std::string& section, TStrings& list) {
    auto names = section.empty() ? ini_->SectionNames() : ini_->KeyNames(section);
    size_t used = 0;
    for (const auto& n : names) {
        if (n.empty() || used + n.size() + 1 > IniListLimit) break;
        used += n.size() + 1;
        list.Add(n);
    }
}

void TStRegIni::GetSubKeys(TStrings& list) {
    std::lock_guard lock(lock_);
    list.Clear();
    if (!riMode_) return IniKeyNames(curSubKey_, list);
    std::vector<std::string> names;
    if (long code = store_->EnumKeys(root_, curSubKey_, names))
        RaiseRegIniError(StMsgOpenKeyFailed, code);
    for (const auto& n : names) list.Add(n);
}

void TStRegIni::GetValues(TStrings& list) {
    std::lock_guard lock(lock_);
    list.Clear();
    if (!riMode_) {
        TStringList names;
        IniKeyNames(curSubKey_, names);
        for (int i = 0; i < names.Count(); ++i)
            list.AddObject(names[i] + "=" + IniRead(names[i], ""),
                           const_cast<TStValueKind*>(&StTextValue));
        return;
    }
    std::vector<TRegValue> values;
    if (long code = store_->EnumValues(root_, curSubKey_, values))
        RaiseRegIniError(StMsgOpenKeyFailed, code);
    auto* text = const_cast<TStValueKind*>(&StTextValue);
    auto* binary = const_cast<TStValueKind*>(&StBinaryValue);
    for (const auto& v : values) {
        std::string line = (v.Name.empty() ? std::string("Default") : v.Name) + "=";
        if (IsText(v))
            list.AddObject(line + TextOf(v), text);
        else if (v.Type == REG_DWORD)
            list.AddObject(line + IntToStr(int32_t(v.AsDWord())), binary);
        else if (v.Type == REG_BINARY)
            list.AddObject(line + HexOf(v.Data), binary);
    }
}

bool TStRegIni::KeyExists(const std::string& keyName) {
    std::lock_guard lock(lock_);
    if (!riMode_) return ini_->SectionExists(keyName);
    return store_->KeyExists(root_, keyName);
}

// Empties a key: values first (the unnamed one and one named "Default" stay, as they always
// have), then every sub-key, depth first.
void TStRegIni::ClearKey(const std::string& path) {
    std::vector<TRegValue> values;
    store_->EnumValues(root_, path, values);
    for (const auto& v : values) {
        if (v.Name.empty() || SameText(v.Name, "Default")) continue;
        if (long code = store_->DeleteValue(root_, path, v.Name))
            RaiseRegIniError(StMsgDeleteValueFailed, code);
    }
    std::vector<std::string> subKeys;
    store_->EnumKeys(root_, path, subKeys);
    for (const auto& name : subKeys) {
        // Each step goes one key deeper, so the recursion ends with the tree. A name that is
        // no single key name (the store never holds one) would name another key, perhaps
        // this one again: it is left alone, and deleting its parent then fails.
        if (name.empty() || name.find('\\') != std::string::npos) continue;
        std::string sub = JoinPath(path, name);
        ClearKey(sub);
        if (long code = store_->DeleteKey(root_, sub)) RaiseRegIniError(StMsgDeleteKeyFailed, code);
    }
}

void TStRegIni::DeleteKey(const std::string& keyName, bool deleteSubKeys) {
    std::lock_guard lock(lock_);
    if (!riMode_) {
        TStringList names;
        IniKeyNames(keyName, names);
        if (!names.Empty() && !deleteSubKeys)
            RaiseRegIniError(StMsgKeyHasSubkeys, long(names.Count()));
        if (!ini_->DeleteSection(keyName)) RaiseRegIniError(StMsgIniDeleteSectionFailed);
        return;
    }
    // An empty name names no key below the current one (never the current key itself).
    if (keyName.find_first_not_of('\\') == std::string::npos) return;
    std::string path = JoinPath(curSubKey_, keyName);
    TRegKeyInfo info;
    if (store_->QueryInfoKey(root_, path, info) != ERROR_SUCCESS) return;  // nothing to delete
    if (info.SubKeys > 0 || info.Values > 0) {
        if (!deleteSubKeys) RaiseRegIniError(StMsgKeyHasSubkeys, long(info.SubKeys));
        ClearKey(path);
    }
    if (long code = store_->DeleteKey(root_, path)) RaiseRegIniError(StMsgDeleteKeyFailed, code);
}

void TStRegIni::DeleteValue(const std::string& name) {
    std::lock_guard lock(lock_);
    if (!riMode_) {
        if (!ini_->DeleteKey(curSubKey_, name)) RaiseRegIniError(StMsgIniDeleteValueFailed);
        return;
    }
    if (long code = store_->DeleteValue(root_, curSubKey_, name))
        RaiseRegIniError(StMsgDeleteValueFailed, code);
}
