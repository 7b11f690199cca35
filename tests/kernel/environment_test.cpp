// Environment variables and their Win32 size rules.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr const char* kName = "KERNEL_TEST_ENVIRONMENT_VALUE";

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetEnvironmentVariableA(kName, "hello")); }
    void TearDown() override { SetEnvironmentVariableA(kName, nullptr); }
};

TEST_F(EnvironmentTest, ValueThatFitsReturnsItsLength) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "hello");
    char exact[6];
    EXPECT_EQ(GetEnvironmentVariableA(kName, exact, sizeof exact), 5u);
    EXPECT_STREQ(exact, "hello");
}

TEST_F(EnvironmentTest, SmallBufferReturnsTheSizeNeededAndStaysUntouched) {
    char buffer[5];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::memcmp(buffer, "xxxxx", 5), 0);
    EXPECT_EQ(GetEnvironmentVariableA(kName, nullptr, 0), 6u);
}

TEST_F(EnvironmentTest, MissingVariableReportsNotFound) {
    ASSERT_TRUE(SetEnvironmentVariableA(kName, nullptr));
    char buffer[16] = "untouched";
    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
    EXPECT_STREQ(buffer, "untouched");
}

TEST_F(EnvironmentTest, SetReplacesTheValue) {
    ASSERT_TRUE(SetEnvironmentVariableA(kName, "a longer value"));
    char buffer[32];
    EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 14u);
    EXPECT_STREQ(buffer, "a longer value");
}

TEST(Environment, InvalidNamesAreRefused) {
    SetLastError(0);
    EXPECT_FALSE(SetEnvironmentVariableA("", "x"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
    EXPECT_FALSE(SetEnvironmentVariableA(nullptr, "x"));
    char buffer[8];
    EXPECT_EQ(GetEnvironmentVariableA(nullptr, buffer, sizeof buffer), 0u);
}

}  // namespace
