// Module loading: Windows module names map to shared libraries, which are
// reference counted per module and told about attach and detach through an
// exported DllMain.
#include "kernel/kernel_object.h"

#include <winbase.h>
#include <winuser.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace platform::kernel {
namespace {

struct Module {
    std::string fileName;  // mapped name, e.g. "libd3ddriver.so"
    int references = 0;
};

// Recursive: a DllMain may load or free other modules, as under the Windows
// loader lock.
std::recursive_mutex& moduleMutex() {
    static std::recursive_mutex* instance = new std::recursive_mutex;
    return *instance;
}

std::map<void*, Module>& modules() {
    static auto* instance = new std::map<void*, Module>;
    return *instance;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "D3DDriver.dll" -> "libd3ddriver.so". A name that already is a shared
// library name ("libx.so", "libx.so.1") is kept.
std::string sharedLibraryName(const std::string& moduleName) {
    std::string name = lowerCase(moduleName);
    if (endsWith(name, ".so") || name.find(".so.") != std::string::npos)
        return moduleName;
    if (endsWith(name, ".dll"))
        name.resize(name.size() - 4);
    return "lib" + name + ".so";
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string programPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string platformLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LoadLibraryA), &info) && info.dli_fname)
        return info.dli_fname;
    return {};
}

bool isPlatformAlias(const std::string& moduleName) {
    std::string name = lowerCase(moduleName);
    if (endsWith(name, ".dll"))
        name.resize(name.size() - 4);
    return name == "ddraw" || name == "kernel32" || name == "user32" || name == "gdi32";
}

void* platformHandle() {
    static void* handle = dlopen(platformLibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle;
}

// Program folder, then the platform library's folder, then the usual search.
void* openLibrary(const std::string& moduleName) {
    if (moduleName.find('/') != std::string::npos)
        return dlopen(moduleName.c_str(), RTLD_NOW);
    const std::string fileName = sharedLibraryName(moduleName);
    for (const std::string& folder :
         {directoryOf(programPath()), directoryOf(platformLibraryPath())}) {
        if (folder.empty())
            continue;
        const std::string path = folder + "/" + fileName;
        if (access(path.c_str(), F_OK) == 0)
            if (void* handle = dlopen(path.c_str(), RTLD_NOW))
                return handle;
    }
    return dlopen(fileName.c_str(), RTLD_NOW);
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void* programHandle() {
    static void* handle = dlopen(nullptr, RTLD_NOW);
    return handle;
}

// Only handles this file gave out are passed to dlsym/dlinfo: anything else
// would crash the loader.
bool isKnownModule(void* handle) {
    if (!handle)
        return false;
    if (handle == programHandle() || handle == platformHandle())
        return true;
    std::lock_guard<std::recursive_mutex> lock(moduleMutex());
    return modules().count(handle) != 0;
}

BOOL callDllMain(void* handle, DWORD reason) {
    const auto entry = reinterpret_cast<DLLMAIN_PROC>(dlsym(handle, "DllMain"));
    return entry ? entry(static_cast<HINSTANCE>(handle), reason, nullptr) : TRUE;
}

// Resource types and names: numbers (MAKEINTRESOURCE, or "#n") or strings
// compared without case.
bool sameResourceId(LPCSTR a, LPCSTR b) {
    const auto number = [](LPCSTR id, unsigned long* value) {
        if (IS_INTRESOURCE(id)) {
            *value = reinterpret_cast<ULONG_PTR>(id);
            return true;
        }
        if (id[0] != '#' || !std::isdigit(static_cast<unsigned char>(id[1])))
            return false;
        *value = std::strtoul(id + 1, nullptr, 10);
        return true;
    };
    unsigned long na = 0, nb = 0;
    const bool numA = number(a, &na), numB = number(b, &nb);
    if (numA || numB)
        return numA && numB && na == nb;
    return lowerCase(a) == lowerCase(b);
}

// The module's table, or none: a module that exports no ModuleResources has
// no resources.
const MODULE_RESOURCE* resourceTable(HMODULE module, DWORD* count) {
    void* handle = module ? static_cast<void*>(module) : programHandle();
    if (!isKnownModule(handle))
        return nullptr;
    const auto table = reinterpret_cast<MODULE_RESOURCES_PROC>(dlsym(handle, "ModuleResources"));
    *count = 0;
    return table ? table(count) : nullptr;
}

// `anyLanguage`: the neutral language first, else the first entry found.
HRSRC findResource(HMODULE module, LPCSTR type, LPCSTR name, WORD language, bool anyLanguage) {
    if (!type || !name)
        return failWith(ERROR_INVALID_PARAMETER, HRSRC(nullptr));
    DWORD count = 0;
    const MODULE_RESOURCE* table = resourceTable(module, &count);
    if (!table)
        return failWith(ERROR_RESOURCE_TYPE_NOT_FOUND, HRSRC(nullptr));
    const MODULE_RESOURCE* fallback = nullptr;
    bool named = false;
    for (DWORD i = 0; i < count; ++i) {
        const MODULE_RESOURCE& entry = table[i];
        if (!sameResourceId(entry.type, type) || !sameResourceId(entry.name, name))
            continue;
        named = true;
        if (entry.language == language)
            return reinterpret_cast<HRSRC>(const_cast<MODULE_RESOURCE*>(&entry));
        if (anyLanguage && !fallback)
            fallback = &entry;
    }
    if (fallback)
        return reinterpret_cast<HRSRC>(const_cast<MODULE_RESOURCE*>(fallback));
    return failWith(named ? ERROR_RESOURCE_LANG_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND,
                    HRSRC(nullptr));
}

}  // namespace
}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

PLATFORM_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !*lpLibFileName)
        return failWith(ERROR_INVALID_PARAMETER, HMODULE(nullptr));
    std::lock_guard<std::recursive_mutex> lock(moduleMutex());
    void* handle = openLibrary(lpLibFileName);
    if (!handle)
        return failWith(ERROR_MOD_NOT_FOUND, HMODULE(nullptr));
    auto found = modules().find(handle);
    if (found != modules().end()) {
        dlclose(handle);  // one dlopen reference per module is enough
        ++found->second.references;
        return static_cast<HMODULE>(handle);
    }
    Module& module = modules()[handle];
    module.fileName = std::strchr(lpLibFileName, '/') ? baseName(lpLibFileName)
                                                      : sharedLibraryName(lpLibFileName);
    module.references = 1;
    if (!callDllMain(handle, DLL_PROCESS_ATTACH)) {
        modules().erase(handle);
        callDllMain(handle, DLL_PROCESS_DETACH);
        dlclose(handle);
        return failWith(ERROR_DLL_INIT_FAILED, HMODULE(nullptr));
    }
    return static_cast<HMODULE>(handle);
}

PLATFORM_API BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    std::lock_guard<std::recursive_mutex> lock(moduleMutex());
    const auto found = modules().find(hLibModule);
    if (found == modules().end())
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (--found->second.references > 0)
        return TRUE;
    modules().erase(found);
    callDllMain(hLibModule, DLL_PROCESS_DETACH);
    dlclose(hLibModule);
    return TRUE;
}

PLATFORM_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!lpProcName)
        return failWith(ERROR_INVALID_PARAMETER, FARPROC(nullptr));
    if (!isKnownModule(hModule))
        return failWith(ERROR_INVALID_HANDLE, FARPROC(nullptr));
    void* symbol = dlsym(hModule, lpProcName);
    if (!symbol)
        return failWith(ERROR_PROC_NOT_FOUND, FARPROC(nullptr));
    return reinterpret_cast<FARPROC>(symbol);
}

PLATFORM_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName)
        return static_cast<HMODULE>(programHandle());
    if (isPlatformAlias(lpModuleName))
        return static_cast<HMODULE>(platformHandle());
    const std::string wanted = lowerCase(
        std::strchr(lpModuleName, '/') ? baseName(lpModuleName) : sharedLibraryName(lpModuleName));
    std::lock_guard<std::recursive_mutex> lock(moduleMutex());
    for (const auto& [handle, module] : modules())
        if (lowerCase(module.fileName) == wanted)
            return static_cast<HMODULE>(handle);
    return failWith(ERROR_MOD_NOT_FOUND, HMODULE(nullptr));
}

// Copies the module's path; a path cut to fit the buffer returns nSize and
// ERROR_INSUFFICIENT_BUFFER, as on Windows.
PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!hModule || hModule == programHandle()) {
        path = programPath();
    } else {
        if (!isKnownModule(hModule))
            return failWith(ERROR_INVALID_HANDLE, DWORD(0));
        link_map* map = nullptr;
        if (dlinfo(hModule, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
            return failWith(ERROR_INVALID_HANDLE, DWORD(0));
        path = map->l_name;
    }
    if (!lpFilename || nSize == 0)
        return failWith(ERROR_INSUFFICIENT_BUFFER, DWORD(0));
    if (path.size() >= nSize) {
        std::memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        return failWith(ERROR_INSUFFICIENT_BUFFER, nSize);
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

PLATFORM_API HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    return findResource(hModule, lpType, lpName, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), true);
}

PLATFORM_API HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName,
                                          WORD wLanguage) {
    return findResource(hModule, lpType, lpName, wLanguage, wLanguage == 0);
}

PLATFORM_API HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo) {
    if (!hResInfo)
        return failWith(ERROR_INVALID_HANDLE, HGLOBAL(nullptr));
    return const_cast<void*>(reinterpret_cast<const MODULE_RESOURCE*>(hResInfo)->data);
}

PLATFORM_API LPVOID WINAPI LockResource(HGLOBAL hResData) {
    return hResData;
}

PLATFORM_API DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo) {
    return hResInfo ? reinterpret_cast<const MODULE_RESOURCE*>(hResInfo)->size : 0;
}

}  // extern "C"
