// Test module: records its life in the environment variable
// KERNEL_TEST_MODULE_LOG so the test can see the order of static
// construction, DllMain calls and static destruction, even after unloading.
// DllMain refuses to attach while KERNEL_TEST_MODULE_REFUSE is set.
#include <windows.h>

#include <string>

namespace {

void appendToLog(const char* event) {
    char buffer[512] = "";
    const DWORD length = GetEnvironmentVariableA("KERNEL_TEST_MODULE_LOG", buffer, sizeof buffer);
    std::string log = length < sizeof buffer ? std::string(buffer, length) : std::string();
    if (!log.empty())
        log += ' ';
    log += event;
    SetEnvironmentVariableA("KERNEL_TEST_MODULE_LOG", log.c_str());
}

struct LifeRecorder {
    LifeRecorder() : constructed(true) { appendToLog("construct"); }
    ~LifeRecorder() { appendToLog("destruct"); }
    bool constructed;
};

LifeRecorder recorder;

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
