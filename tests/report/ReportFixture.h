// Tests of the report engine print on a recording device installed as the global device.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "RPrinter.h"
#include "RecordingDevice.h"

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto d = std::make_unique<TRecordingDevice>();
        dev = d.get();
        SetGlobalDevice(std::move(d));
    }
    void TearDown() override {
        TranslateHook = DefaultTranslate;
        SetGlobalDevice(nullptr);
    }
    TRecordingDevice* dev = nullptr;
};

template <class F>
std::string ErrorText(F f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}
