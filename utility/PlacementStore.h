// Where a form resizer keeps window placement: named sections (settings sub-keys) of values.
#pragma once

#include <string>

class TPlacementStore {
public:
    virtual ~TPlacementStore() = default;
    virtual bool SectionExists(const std::string& section) = 0;
    virtual int ReadInteger(const std::string& section, const std::string& name, int fallback) = 0;
    virtual void WriteInteger(const std::string& section, const std::string& name, int value) = 0;
    virtual double ReadFloat(const std::string& section, const std::string& name,
                             double fallback) = 0;
    virtual void WriteFloat(const std::string& section, const std::string& name, double value) = 0;
    virtual bool ReadBool(const std::string& section, const std::string& name, bool fallback) = 0;
    virtual void WriteBool(const std::string& section, const std::string& name, bool value) = 0;
    // Makes the writes since the last commit durable (one file write for a batch).
    virtual void Commit() {}
};
