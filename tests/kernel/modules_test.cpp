// Module loading: name mapping, DllMain attach and detach, reference counts,
// symbols and the module names that stand for the platform library.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kLog = "KERNEL_TEST_MODULE_LOG";
constexpr const char* kRefuse = "KERNEL_TEST_MODULE_REFUSE";

std::string moduleLog() {
    char buffer[512];
    const DWORD length = GetEnvironmentVariableA(kLog, buffer, sizeof buffer);
    return length < sizeof buffer ? std::string(buffer, length) : std::string("<too long>");
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { SetEnvironmentVariableA(kLog, nullptr); }
    void TearDown() override {
        SetEnvironmentVariableA(kLog, nullptr);
        SetEnvironmentVariableA(kRefuse, nullptr);
    }
};

TEST_F(ModuleTest, WindowsNameFindsTheLibraryNextToTheProgram) {
    HMODULE module = LoadLibraryA("Kernel_Test_Module.DLL");
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(moduleLog(), "construct attach-after-construct");
    using Add = int (*)(int, int);
    const auto add = reinterpret_cast<Add>(
        reinterpret_cast<void*>(GetProcAddress(module, "kernelTestModuleAdd")));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 40), 42);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(moduleLog(), "construct attach-after-construct detach destruct");
}

TEST_F(ModuleTest, IsReferenceCountedPerModule) {
    HMODULE first = LoadLibraryA("kernel_test_module.dll");
    ASSERT_NE(first, nullptr);
    HMODULE second = LoadLibraryA("KERNEL_TEST_MODULE");
    EXPECT_EQ(second, first);
    EXPECT_EQ(moduleLog(), "construct attach-after-construct");
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(moduleLog(), "construct attach-after-construct");
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), first);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(moduleLog(), "construct attach-after-construct detach destruct");
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), nullptr);
}

TEST_F(ModuleTest, FailedAttachUnloadsAndFails) {
    SetEnvironmentVariableA(kRefuse, "1");
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("kernel_test_module.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(moduleLog(), "construct attach-after-construct detach destruct");
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), nullptr);
}

TEST_F(ModuleTest, PathWithASlashIsUsedAsGiven) {
    char program[1024];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof program);
    std::string path(program, length);
    path = path.substr(0, path.rfind('/')) + "/libkernel_test_module.so";
    HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr);
    char name[1024];
    const DWORD nameLength = GetModuleFileNameA(module, name, sizeof name);
    EXPECT_NE(std::string(name, nameLength).find("libkernel_test_module.so"), std::string::npos);
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleTest, MissingModulesAndSymbolsFail) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("no_such_module.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    HMODULE module = LoadLibraryA("kernel_test_module.dll");
    ASSERT_NE(module, nullptr);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "noSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    FreeLibrary(module);
    // Unloaded or made-up handles are refused, not handed to the loader.
    EXPECT_EQ(GetProcAddress(module, "kernelTestModuleAdd"), nullptr);
    int notAModule = 0;
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "x"), nullptr);
    char name[64];
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&notAModule), name, sizeof name), 0u);
}

TEST(ModuleAliases, SystemModuleNamesMapToThePlatformLibrary) {
    HMODULE ddraw = GetModuleHandleA("DDRAW.DLL");
    ASSERT_NE(ddraw, nullptr);
    for (const char* alias : {"ddraw", "Kernel32.dll", "USER32", "gdi32.DLL"})
        EXPECT_EQ(GetModuleHandleA(alias), ddraw) << alias;
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(ddraw, "CreateEventA")),
              reinterpret_cast<void*>(&CreateEventA));
    char path[1024];
    const DWORD length = GetModuleFileNameA(ddraw, path, sizeof path);
    EXPECT_NE(std::string(path, length).find("libplatform.so"), std::string::npos);
    EXPECT_EQ(GetModuleHandleA("not_loaded.dll"), nullptr);
}

TEST(ModuleAliases, NullNameIsTheProgram) {
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(program, GetModuleHandleA("ddraw.dll"));
    char path[1024];
    const DWORD length = GetModuleFileNameA(program, path, sizeof path);
    EXPECT_NE(std::string(path, length).find("test_kernel"), std::string::npos);
}

TEST(ModuleFileName, TruncatesLikeWindows) {
    char full[1024];
    const DWORD length = GetModuleFileNameA(nullptr, full, sizeof full);
    ASSERT_GT(length, 4u);
    char small[4];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), std::string(full, 3));
}

}  // namespace
