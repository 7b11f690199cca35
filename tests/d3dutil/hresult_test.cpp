// Result codes as the engine holds them: HRESULT variables, negative when
// they report a failure, widened to unsigned long on the way in.
#include "dxerror.h"

#include <d3d.h>
#include <gtest/gtest.h>

#include <utility>

TEST(DirectXErrorNames, FailingHresultVariablesAreNamed) {
    const std::pair<HRESULT, const char*> failures[] = {
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {DDERR_GENERIC, "DDERR_GENERIC"},
        {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
        {D3DERR_INVALIDVERTEXFORMAT, "D3DERR_INVALIDVERTEXFORMAT"},
        {D3DERR_CONFLICTINGTEXTUREPALETTE, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    };
    for (const auto& [hr, name] : failures) {
        ASSERT_LT(hr, 0) << name;
        EXPECT_STREQ(getDirectXError(hr), name) << std::hex << hr;
    }
    // Successes stay unknown.
    for (HRESULT hr : {static_cast<HRESULT>(D3D_OK), static_cast<HRESULT>(S_FALSE)})
        EXPECT_STREQ(getDirectXError(hr), "Unknown error") << hr;
}
