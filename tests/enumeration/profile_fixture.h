// Loads a display profile of this folder's data and resets the enumeration and
// the injected failures around each test.
#pragma once

#include "d3dframe/d3denum.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

#include <string>

class ProfileTest : public ::testing::Test {
protected:
    void TearDown() override {
        D3DEnum_Free();
        D3DEnum_SetDirectDrawNames(nullptr, nullptr);
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
    }

    static void useProfile(const std::string& file) {
        std::string error;
        const std::string path =
            std::string(D3DDRIVER_SOURCE_DIR) + "/tests/enumeration/data/" + file;
        ASSERT_TRUE(platform::testing::loadDisplayProfile(path, &error)) << error;
    }

    static int count(const D3DEnum_DriverInfo* d) {
        int n = 0;
        for (; d; d = d->next)
            ++n;
        return n;
    }
    static int count(const D3DEnum_DeviceInfo* d) {
        int n = 0;
        for (; d; d = d->next)
            ++n;
        return n;
    }
    static int count(const D3DEnum_ModeInfo* m) {
        int n = 0;
        for (; m; m = m->next)
            ++n;
        return n;
    }
};
