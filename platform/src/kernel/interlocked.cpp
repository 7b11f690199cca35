// Interlocked operations: sequentially consistent atomics on the given address.
#include <winbase.h>

extern "C" {

PLATFORM_API LONG WINAPI InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

PLATFORM_API LONG WINAPI InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

PLATFORM_API LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PLATFORM_API LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

PLATFORM_API LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange,
                                                    LONG Comparand) {
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comparand;  // holds the initial value either way
}

PLATFORM_API PVOID WINAPI InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PLATFORM_API PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* Destination,
                                                            PVOID Exchange, PVOID Comparand) {
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comparand;
}

}  // extern "C"
