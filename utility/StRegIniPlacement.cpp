// Window placement values kept in the registry.
#include "StRegIniPlacement.h"

#include <cmath>
#include <cstring>

#include <platform/SysUtils.h>

#include "StBase.h"
#include "StConst.h"

TStRegIniPlacement::TStRegIniPlacement(std::string baseKey)
    : baseKey_(std::move(baseKey)), store_(Registry()) {}

TStRegIniPlacement::~TStRegIniPlacement() {
    EndBatch();
    store_->Flush();  // a destructor cannot report a failure; Commit does
}

void TStRegIniPlacement::EndBatch() {
    if (!batching_) return;
    batching_ = false;
    store_->EndUpdate();
}

std::string TStRegIniPlacement::KeyOf(const std::string& section) const {
    return baseKey_ + "\\" + section;
}

bool TStRegIniPlacement::Query(const std::string& section, const std::string& name,
                               TRegValue& value) {
    return store_->QueryValue(TRegRoot::CurrentUser, KeyOf(section), name, value) == ERROR_SUCCESS;
}

void TStRegIniPlacement::Set(const std::string& section, const TRegValue& value) {
    // The writes up to the next Commit are one batch: one file write.
    if (!batching_) {
        store_->BeginUpdate();
        batching_ = true;
    }
    if (long code = store_->SetValue(TRegRoot::CurrentUser, KeyOf(section), value))
        RaiseLibraryErrorFmt<EStRegIniError>(StMsgRegWriteFailed, {code});
}

bool TStRegIniPlacement::SectionExists(const std::string& section) {
    return !section.empty() && store_->KeyExists(TRegRoot::CurrentUser, KeyOf(section));
}

int TStRegIniPlacement::ReadInteger(const std::string& section, const std::string& name,
                                    int fallback) {
    TRegValue v;
    if (!Query(section, name, v)) return fallback;
    int32_t number;
    if (v.Type == REG_DWORD || v.Type == REG_BINARY) return int32_t(v.AsDWord());
    if (v.Type == REG_SZ && ValInt(v.Data, number) == 0) return number;
    return fallback;
}

void TStRegIniPlacement::WriteInteger(const std::string& section, const std::string& name,
                                      int value) {
    Set(section, TRegValue::DWord(name, uint32_t(value)));
}

double TStRegIniPlacement::ReadFloat(const std::string& section, const std::string& name,
                                     double fallback) {
    TRegValue v;
    if (!Query(section, name, v)) return fallback;
    double number;
    if (v.Type == REG_BINARY && v.Data.size() == sizeof(double)) {
        std::memcpy(&number, v.Data.data(), sizeof number);
        // A damaged value must not reach the placement arithmetic as NaN or infinity.
        return std::isfinite(number) ? number : fallback;
    }
    if (v.Type == REG_DWORD) return int32_t(v.AsDWord());
    if (v.Type == REG_SZ && TryStrToFloat(Trim(v.Data), number) && std::isfinite(number))
        return number;
    return fallback;
}

void TStRegIniPlacement::WriteFloat(const std::string& section, const std::string& name,
                                    double value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    Set(section, TRegValue::Binary(name, bytes));
}

bool TStRegIniPlacement::ReadBool(const std::string& section, const std::string& name,
                                  bool fallback) {
    return ReadInteger(section, name, fallback ? 1 : 0) != 0;
}

void TStRegIniPlacement::WriteBool(const std::string& section, const std::string& name,
                                   bool value) {
    WriteInteger(section, name, value ? 1 : 0);
}

void TStRegIniPlacement::Commit() {
    EndBatch();
    if (long code = store_->Flush())
        RaiseLibraryErrorFmt<EStRegIniError>(StMsgRegWriteFailed, {code});
}
