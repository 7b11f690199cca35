#include "dxerror.h"

#include <d3d.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string nameOf(unsigned long code) { return getDirectXError(code); }

TEST(DirectXErrorNames, KnownCodesGiveTheirNames) {
    EXPECT_EQ(nameOf(0x887601C2ul), "DDERR_SURFACELOST");
    EXPECT_EQ(nameOf(0x88760800ul), "D3DERR_INVALIDVERTEXFORMAT");
    EXPECT_EQ(nameOf(0x80004002ul), "E_NOINTERFACE");
    EXPECT_EQ(nameOf(0x80004001ul), "DDERR_UNSUPPORTED");
    EXPECT_EQ(nameOf(0x80004005ul), "DDERR_GENERIC");
    EXPECT_EQ(nameOf(0x800401F0ul), "DDERR_NOTINITIALIZED");
    EXPECT_EQ(nameOf(0x8007000Eul), "DDERR_OUTOFMEMORY");
    EXPECT_EQ(nameOf(0x80070057ul), "DDERR_INVALIDPARAMS");
    // Values from the public headers, written out independently of ours.
    EXPECT_EQ(nameOf(0x88760005ul), "DDERR_ALREADYINITIALIZED");
    EXPECT_EQ(nameOf(0x88760082ul), "DDERR_INVALIDOBJECT");
    EXPECT_EQ(nameOf(0x887600E1ul), "DDERR_NOEXCLUSIVEMODE");
    EXPECT_EQ(nameOf(0x887600FFul), "DDERR_NOTFOUND");
    EXPECT_EQ(nameOf(0x8876017Cul), "DDERR_OUTOFVIDEOMEMORY");
    EXPECT_EQ(nameOf(0x8876021Cul), "DDERR_WASSTILLDRAWING");
    EXPECT_EQ(nameOf(0x8876023Eul), "DDERR_BLTFASTCANTCLIP");
    EXPECT_EQ(nameOf(0x8876024Eul), "DDERR_UNSUPPORTEDMODE");
    EXPECT_EQ(nameOf(0x887602BBul), "DDERR_DEVICEDOESNTOWNSURFACE");
    EXPECT_EQ(nameOf(0x887602BCul), "D3DERR_BADMAJORVERSION");
    EXPECT_EQ(nameOf(0x887602F8ul), "D3DERR_SCENE_IN_SCENE");
    EXPECT_EQ(nameOf(0x88760826ul), "D3DERR_CONFLICTINGTEXTUREPALETTE");
}

TEST(DirectXErrorNames, OtherCodesAreUnknown) {
    EXPECT_EQ(nameOf(0), "Unknown error");  // DD_OK and D3D_OK are not errors
    EXPECT_EQ(nameOf(1), "Unknown error");
    EXPECT_EQ(nameOf(0x80004003ul), "Unknown error");
    EXPECT_EQ(nameOf(0x8876017Dul), "Unknown error");
    EXPECT_EQ(nameOf(0xFFFFFFFFul), "Unknown error");
    EXPECT_EQ(nameOf(0x1887601C2ul), "Unknown error");  // only 32 bits are codes
}

TEST(DirectXErrorNames, TableHasEveryNameOnceWithDistinctCodes) {
    ASSERT_EQ(namedDirectXErrorCount(), 186u);
    std::set<std::string> names;
    std::set<unsigned long> codes;
    for (std::size_t i = 0; i < namedDirectXErrorCount(); ++i) {
        unsigned long code = 0;
        const char* name = namedDirectXError(i, &code);
        ASSERT_NE(name, nullptr);
        names.insert(name);
        codes.insert(code);
        EXPECT_EQ(nameOf(code), name) << "lookup of " << name;
    }
    EXPECT_EQ(names.size(), 186u);
    EXPECT_EQ(codes.size(), 186u);
    EXPECT_EQ(namedDirectXError(186, nullptr), nullptr);
}

// The names are listed by ascending value; a wrong header value breaks the
// order (the general COM code E_NOINTERFACE is listed on its own, last).
TEST(DirectXErrorNames, HeaderValuesAscendInListOrder) {
    unsigned long previous = 0;
    for (std::size_t i = 0; i + 1 < namedDirectXErrorCount(); ++i) {
        unsigned long code = 0;
        const char* name = namedDirectXError(i, &code);
        EXPECT_GT(code, previous) << name;
        previous = code;
        const bool general = code < 0x88760000ul;
        if (!general) {
            EXPECT_EQ(code & 0xFFFF0000ul, 0x88760000ul) << name;
        }
    }
}

TEST(DirectXErrorNames, NeighboursOfDefinedCodesAreUnknown) {
    std::set<unsigned long> codes;
    for (std::size_t i = 0; i < namedDirectXErrorCount(); ++i) {
        unsigned long code = 0;
        namedDirectXError(i, &code);
        codes.insert(code);
    }
    for (unsigned long code : codes) {
        for (unsigned long neighbour : {code - 1, code + 1}) {
            if (!codes.count(neighbour)) {
                EXPECT_EQ(nameOf(neighbour), "Unknown error") << std::hex << neighbour;
            }
        }
    }
}

TEST(ResultTest, AnswersWhetherTheResultIsNotNegative) {
    EXPECT_TRUE(testResult(DD_OK, "call", 1, "path"));
    EXPECT_TRUE(testResult(S_FALSE, "call", 1, "path"));
    EXPECT_FALSE(testResult(DDERR_SURFACELOST, "call", 1, "path"));
    EXPECT_FALSE(testResult(E_NOINTERFACE, "call", 1, "path"));
}

HRESULT fakeCall(HRESULT answer, int* calls) {
    ++*calls;
    return answer;
}

TEST(ResultTest, MacroStoresTheLastResultAndEvaluatesOnce) {
    HRESULT hr = 0;
    int calls = 0;
    EXPECT_FALSE(DX_TEST(hr = fakeCall(DDERR_SURFACELOST, &calls), "3d/driver/d3d/driver"));
    EXPECT_EQ(hr, DDERR_SURFACELOST);
    EXPECT_TRUE(DX_TEST(hr = fakeCall(D3D_OK, &calls), "3d/driver/d3d/driver"));
    EXPECT_EQ(hr, D3D_OK);
    EXPECT_EQ(calls, 2);
}

}  // namespace
