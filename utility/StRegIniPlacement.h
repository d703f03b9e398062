// Window placement values kept in the registry: each section is a sub-key of one base key.
#pragma once

#include <memory>
#include <string>

#include <platform/Registry.h>

#include "PlacementStore.h"

// Integers and Booleans are DWORD values, floats eight-byte binary values (a little-endian
// double); reads also take the other forms a hand-edited registry may hold (numbers as text).
// Writes collect in memory until Commit or destruction, so one save is one file write; the
// store may live as long as the form it serves.
class TStRegIniPlacement : public TPlacementStore {
public:
    // `baseKey` is a path below HKEY_CURRENT_USER, such as "Software\PellTech\Lorvane".
    explicit TStRegIniPlacement(std::string baseKey);
    ~TStRegIniPlacement() override;

    bool SectionExists(const std::string& section) override;
    int ReadInteger(const std::string& section, const std::string& name, int fallback) override;
    void WriteInteger(const std::string& section, const std::string& name, int value) override;
    double ReadFloat(const std::string& section, const std::string& name, double fallback) override;
    void WriteFloat(const std::string& section, const std::string& name, double value) override;
    bool ReadBool(const std::string& section, const std::string& name, bool fallback) override;
    void WriteBool(const std::string& section, const std::string& name, bool value) override;
    // Raises EStRegIniError 8 when the file cannot be written; so do the writes when the
    // store refuses them.
    void Commit() override;

private:
    std::string KeyOf(const std::string& section) const;
    bool Query(const std::string& section, const std::string& name, TRegValue& value);
    void Set(const std::string& section, const TRegValue& value);
    void EndBatch();

    std::string baseKey_;
    std::shared_ptr<TRegistryStore> store_;
    bool batching_ = false;
};
