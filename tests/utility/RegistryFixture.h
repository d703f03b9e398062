// A registry of its own for each test: a file in a temporary folder, dropped afterwards.
#pragma once

#include <gtest/gtest.h>

#include <platform/Registry.h>

#include "TempDir.h"

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryFileName(RegFile()); }
    void TearDown() override { SetRegistryFileName(""); }

    std::string RegFile() const { return dir.File("registry.reg"); }
    // Forgets what the process holds in memory, as a new process would start.
    void Restart() { SetRegistryFileName(RegFile()); }

    TRegValue Raw(const std::string& path, const std::string& name) {
        TRegValue v;
        Registry()->QueryValue(TRegRoot::CurrentUser, path, name, v);
        return v;
    }
    void Put(const std::string& path, const TRegValue& v) {
        ASSERT_EQ(Registry()->SetValue(TRegRoot::CurrentUser, path, v), ERROR_SUCCESS);
    }

    TempDir dir;
};
