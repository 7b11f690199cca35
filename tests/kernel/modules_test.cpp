// Environment variables and their Win32 size rules; module loading: name
// mapping, DllMain attach and detach, reference counts, symbols and the
// module names that stand for the platform library.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kName = "KERNEL_TEST_ENVIRONMENT_VALUE";
// The test module writes its life into kLog and refuses to attach while
// kRefuse is set.
constexpr const char* kLog = "KERNEL_TEST_MODULE_LOG";
constexpr const char* kRefuse = "KERNEL_TEST_MODULE_REFUSE";
const std::string kLoaded = "construct attach-after-construct";
const std::string kUnloaded = kLoaded + " detach destruct";

std::string variable(const char* name) {
    char buffer[512];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length < sizeof buffer ? std::string(buffer, length) : std::string("<too long>");
}

std::string fileName(HMODULE module) {
    char path[1024];
    return std::string(path, GetModuleFileNameA(module, path, sizeof path));
}

// A buffer that holds the value and its terminator gets both and the
// length; a smaller one stays untouched and the size needed comes back.
// Missing variables and invalid names are errors.
TEST(Environment, FollowsTheWin32SizeAndNameRules) {
    ASSERT_TRUE(SetEnvironmentVariableA(kName, "hello"));
    const struct {
        DWORD size, result;
        const char* content;
    } cases[] = {{16, 5, "hello"}, {6, 5, "hello"}, {5, 6, "xxxxxxxxxxxxxxxx"}};
    for (const auto& c : cases) {
        char buffer[17] = "xxxxxxxxxxxxxxxx";
        EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, c.size), c.result) << c.size;
        EXPECT_STREQ(buffer, c.content) << c.size;
    }
    EXPECT_EQ(GetEnvironmentVariableA(kName, nullptr, 0), 6u);
    ASSERT_TRUE(SetEnvironmentVariableA(kName, nullptr));
    char buffer[16] = "untouched";
    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableA(kName, buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
    EXPECT_STREQ(buffer, "untouched");

    SetLastError(0);
    EXPECT_FALSE(SetEnvironmentVariableA("", "x"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
    EXPECT_FALSE(SetEnvironmentVariableA(nullptr, "x"));
    EXPECT_EQ(GetEnvironmentVariableA(nullptr, buffer, sizeof buffer), 0u);
}

// A path with a slash is used as given, and Windows names in any case find
// the library next to the program: all are the same module, counted.
// DllMain runs after the statics on the first load and before them on the last free.
TEST(Modules, IsFoundByPathOrWindowsNameAndReferenceCounted) {
    SetEnvironmentVariableA(kLog, nullptr);
    const std::string program = fileName(nullptr);
    const std::string path = program.substr(0, program.rfind('/')) + "/libkernel_test_module.so";
    HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(variable(kLog), kLoaded);
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), module);
    EXPECT_EQ(LoadLibraryA("Kernel_Test_Module.DLL"), module);
    EXPECT_EQ(LoadLibraryA("KERNEL_TEST_MODULE"), module);
    EXPECT_EQ(variable(kLog), kLoaded);
    EXPECT_EQ(fileName(module), path);
    const auto add = reinterpret_cast<int (*)(int, int)>(
        reinterpret_cast<void*>(GetProcAddress(module, "kernelTestModuleAdd")));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 40), 42);
    for (int loads = 3; loads > 1; --loads)
        EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(variable(kLog), kLoaded);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(variable(kLog), kUnloaded);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), nullptr);
}

// A failed attach unloads the module and fails; missing modules and symbols fail.
TEST(Modules, FailedAttachesMissingModulesAndSymbolsFail) {
    SetEnvironmentVariableA(kLog, nullptr);
    SetEnvironmentVariableA(kRefuse, "1");
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("kernel_test_module.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(variable(kLog), kUnloaded);
    EXPECT_EQ(GetModuleHandleA("kernel_test_module.dll"), nullptr);
    SetEnvironmentVariableA(kRefuse, nullptr);

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
    EXPECT_EQ(fileName(reinterpret_cast<HMODULE>(&notAModule)), "");
}

// The system DLL names stand for the platform library, no name is the
// program, and a short buffer gets a truncated name as on Windows.
TEST(ModuleNames, SystemModulesAreThePlatformLibraryAndNullIsTheProgram) {
    HMODULE ddraw = GetModuleHandleA("DDRAW.DLL");
    ASSERT_NE(ddraw, nullptr);
    for (const char* alias : {"ddraw", "Kernel32.dll", "USER32", "gdi32.DLL"})
        EXPECT_EQ(GetModuleHandleA(alias), ddraw) << alias;
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(ddraw, "CreateEventA")),
              reinterpret_cast<void*>(&CreateEventA));
    EXPECT_EQ(GetModuleHandleA("not_loaded.dll"), nullptr);
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(program, ddraw);
    const std::string full = fileName(program);
    EXPECT_NE(full.find("test_kernel"), std::string::npos);
    char small[4];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), full.substr(0, 3));
}

}  // namespace
