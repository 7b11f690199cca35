// Kernel services: handles, events, waits, critical sections, interlocked
// counts, threads and priorities, time, environment and module loading.
#pragma once

#include "windef.h"
#include "winerror.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u

// Error codes of the kernel functions not already in winerror.h.
#ifndef ERROR_INSUFFICIENT_BUFFER
#define ERROR_INSUFFICIENT_BUFFER 122L
#endif
#ifndef ERROR_DLL_INIT_FAILED
#define ERROR_DLL_INIT_FAILED 1114L
#endif

#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef ERROR_RESOURCE_LANG_NOT_FOUND
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L
#endif

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

#define IDLE_PRIORITY_CLASS 0x00000040u
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000u
#define NORMAL_PRIORITY_CLASS 0x00000020u
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000u
#define HIGH_PRIORITY_CLASS 0x00000080u
#define REALTIME_PRIORITY_CLASS 0x00000100u

#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define LANG_RUSSIAN 0x19
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// Opaque storage for a recursive lock; the platform keeps its real state
// behind DebugInfo. Field names as on Windows.
typedef struct _RTL_CRITICAL_SECTION {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID);
typedef BOOL(WINAPI* DLLMAIN_PROC)(HINSTANCE, DWORD, LPVOID);

extern "C" {
// Handles and errors
PLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject);
PLATFORM_API DWORD WINAPI GetLastError(void);
PLATFORM_API void WINAPI SetLastError(DWORD dwErrCode);

// Events and waits. Event names are ignored: every CreateEventA makes a new,
// unnamed event. Pseudo-handles (GetCurrentThread/GetCurrentProcess) are not
// waitable and make a wait fail.
PLATFORM_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                        BOOL bInitialState, LPCSTR lpName);
PLATFORM_API BOOL WINAPI SetEvent(HANDLE hEvent);
PLATFORM_API BOOL WINAPI ResetEvent(HANDLE hEvent);
PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
PLATFORM_API DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles,
                                                 BOOL bWaitAll, DWORD dwMilliseconds);

// Critical sections (recursive)
PLATFORM_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// Interlocked operations
PLATFORM_API LONG WINAPI InterlockedIncrement(LONG volatile* Addend);
PLATFORM_API LONG WINAPI InterlockedDecrement(LONG volatile* Addend);
PLATFORM_API LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value);
PLATFORM_API LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value);
PLATFORM_API LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange,
                                                    LONG Comparand);
PLATFORM_API PVOID WINAPI InterlockedExchangePointer(PVOID volatile* Target, PVOID Value);
PLATFORM_API PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* Destination,
                                                            PVOID Exchange, PVOID Comparand);

// Threads and priorities.
// A thread created with CREATE_SUSPENDED does not enter its routine until
// ResumeThread brings its suspend count to 0. Linux cannot stop a running
// thread at an arbitrary point safely, so SuspendThread on a thread that has
// already started only raises the count (and returns the previous one); the
// thread keeps running. GetCurrentThreadId is the OS thread id (gettid).
// Thread priorities are kept per thread and applied as a nice value to the OS
// thread where permitted; priority classes are kept and applied to the
// process's main thread where permitted.
PLATFORM_API uintptr_t _beginthreadex(void* security, unsigned stack_size,
                                      unsigned(WINAPI* start_address)(void*), void* arglist,
                                      unsigned initflag, unsigned* thrdaddr);
PLATFORM_API void _endthreadex(unsigned retval);
PLATFORM_API DWORD WINAPI ResumeThread(HANDLE hThread);
PLATFORM_API DWORD WINAPI SuspendThread(HANDLE hThread);
PLATFORM_API BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority);
PLATFORM_API int WINAPI GetThreadPriority(HANDLE hThread);
PLATFORM_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
PLATFORM_API DWORD WINAPI GetCurrentThreadId(void);
PLATFORM_API HANDLE WINAPI GetCurrentThread(void);
PLATFORM_API HANDLE WINAPI GetCurrentProcess(void);
PLATFORM_API BOOL WINAPI SetPriorityClass(HANDLE hProcess, DWORD dwPriorityClass);
PLATFORM_API DWORD WINAPI GetPriorityClass(HANDLE hProcess);
PLATFORM_API void WINAPI Sleep(DWORD dwMilliseconds);

// Time
PLATFORM_API DWORD WINAPI GetTickCount(void);
PLATFORM_API BOOL WINAPI QueryPerformanceCounter(LONGLONG* lpPerformanceCount);
PLATFORM_API BOOL WINAPI QueryPerformanceFrequency(LONGLONG* lpFrequency);

// Environment
PLATFORM_API DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
PLATFORM_API BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue);

// Modules
PLATFORM_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
PLATFORM_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);
PLATFORM_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
PLATFORM_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// Resources. Types and names are strings or MAKEINTRESOURCE numbers; a null
// module is the program. A module's resources are the table its exported
// function ModuleResources returns, standing in for an image's resource section.
PLATFORM_API HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
PLATFORM_API HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName,
                                          WORD wLanguage);
PLATFORM_API HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
PLATFORM_API LPVOID WINAPI LockResource(HGLOBAL hResData);
PLATFORM_API DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
}

typedef struct tagMODULE_RESOURCE {
    LPCSTR type;
    LPCSTR name;
    WORD language;
    LPCVOID data;
    DWORD size;
} MODULE_RESOURCE;
// What a module exports as "ModuleResources": its table and entry count.
typedef const MODULE_RESOURCE*(WINAPI* MODULE_RESOURCES_PROC)(DWORD* count);
