// Testing API: counts of calls per interface method, their last arguments,
// and failures injected into the next call of a method. Methods are named
// "Interface::Method", e.g. "IDirect3DDevice3::SetRenderState".
#pragma once

#include <windef.h>

#include <string>
#include <vector>

namespace platform::testing {

PLATFORM_API unsigned callCount(const std::string& method);
// The arguments of the latest call, as the method recorded them.
PLATFORM_API std::vector<ULONG_PTR> lastArguments(const std::string& method);
PLATFORM_API void resetCallCounts();
// The next call of `method` (after `skip` further calls) returns `result`
// without doing its work.
PLATFORM_API void failNextCall(const std::string& method, HRESULT result, unsigned skip = 0);
PLATFORM_API void clearInjectedFailures();

}  // namespace platform::testing
