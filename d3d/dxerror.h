// Names of DirectDraw and Direct3D result codes, and the one test every
// DirectX call's result goes through.
#pragma once

#include <windef.h>

#include <cstddef>

// The symbolic name of a result code, or "Unknown error". Never null; safe
// from any thread.
extern "C++" __attribute__((visibility("default"))) const char* getDirectXError(unsigned long code);

// The table behind getDirectXError, in its order, for tools and tests.
std::size_t namedDirectXErrorCount();
const char* namedDirectXError(std::size_t index, unsigned long* code);

// True exactly when the result is a success (not negative). The call's text,
// line and source path travel with it for the caller's own report.
bool testResult(HRESULT result, const char* call, int line, const char* path);

// Tests a DirectX call written as in the source, e.g.
// DX_TEST(hr = g_pDevice->BeginScene(), "3d/driver/d3d/driver").
#define DX_TEST(call, path) testResult((call), #call, __LINE__, (path))
