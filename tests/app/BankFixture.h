// A fresh bank, settings and program state, and scripted messages for every bank test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "BankModel.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "ScriptedMessages.h"
#include "Settings.h"
#include "StStrL.h"
#include "pelHexStr.h"

using Strings = std::vector<std::string>;
// The workgroup marker as a text.
static const std::string Mark(1, WorkgroupMarker);

// A protected value as the bank file holds it (hex of the long scrambling), and back: the
// reference routines the bank file's one-pass writer and reader match.
inline std::string EncodeProtectedValue(std::string_view value) {
    return StrToHexStr(ScrambleLongStr(value, ResKeyText));
}
inline std::string DecodeProtectedValue(std::string_view text) {
    return ScrambleLongStr(HexStrToStr(text), ResKeyText);
}

class BankFixture : public ::testing::Test {
protected:
    BankFixture() {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
        Seams().RebuildTree = [this](TBankState&) { ++rebuilds; };
        Seams().EnableSave = [this](bool on) { saveEnabled.push_back(on); };
        Seams().FocusEntryNode = [this](int index) { focused.push_back(index); };
    }
    ~BankFixture() override {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }

public:
    // An entry with a URL made from its name.
    static TEntry Named(const std::string& name, const std::string& c1 = "",
                        const std::string& c2 = "", const std::string& c3 = "") {
        TEntry e;
        e.Name = name;
        e.URL = "http://" + name;
        e.Category1 = c1;
        e.Category2 = c2;
        e.Category3 = c3;
        return e;
    }
    static void Add(const TEntry& e) { Bank().AppendEntry(e); }
    static Strings Names(const TBankState& bank = Bank()) {
        Strings out;
        for (int i = 0; i <= bank.EntryHigh; ++i) out.push_back(bank.Entry(i).Name);
        return out;
    }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void WriteAll(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // The lines as a file holds them, each ending in CR LF.
    static std::string CRLF(const Strings& lines) {
        std::string out;
        for (const auto& l : lines) out += l + "\r\n";
        return out;
    }

protected:
    ScriptedMessages messages;
    int rebuilds = 0;
    std::vector<bool> saveEnabled;
    std::vector<int> focused;
};
