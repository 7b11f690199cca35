// Test module: records its life in the environment variable
// KERNEL_TEST_MODULE_LOG so the test can see the order of static
// construction, DllMain calls and static destruction, even after unloading.
// DllMain refuses to attach while KERNEL_TEST_MODULE_REFUSE is set.
#include <windows.h>

#include <string>

namespace {

void appendToLog(const char* event) {
    char log[512] = "";
    const bool any = GetEnvironmentVariableA("KERNEL_TEST_MODULE_LOG", log, sizeof log) != 0;
    const std::string text = any ? std::string(log) + ' ' + event : std::string(event);
    SetEnvironmentVariableA("KERNEL_TEST_MODULE_LOG", text.c_str());
}

struct LifeRecorder {
    LifeRecorder() : constructed(true) { appendToLog("construct"); }
    ~LifeRecorder() { appendToLog("destruct"); }
    bool constructed;  // still false if DllMain ran before the statics
} recorder;

}  // namespace

extern "C" PLATFORM_API BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        appendToLog(recorder.constructed ? "attach-after-construct" : "attach-before-construct");
        return GetEnvironmentVariableA("KERNEL_TEST_MODULE_REFUSE", nullptr, 0) == 0;
    }
    if (reason == DLL_PROCESS_DETACH)
        appendToLog("detach");
    return TRUE;
}

extern "C" PLATFORM_API int kernelTestModuleAdd(int a, int b) {
    return a + b;
}
