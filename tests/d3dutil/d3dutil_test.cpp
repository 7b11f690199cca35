// DirectX result names and the reproducible random seeds.
#include "dxerror.h"
#include "random/seed.h"

#include <d3d.h>
#include <gmock/gmock.h>

#include <set>
#include <sstream>
#include <string>

// Code and name pairs written out from the public headers, independently of
// ours, also as the engine holds them: failing HRESULT variables, widened
// sign-extended. Codes outside the table (and wider than 32 bits) are unknown.
TEST(DirectXErrorNames, KnownCodesAndFailingHresultVariablesAreNamed) {
    std::istringstream known(
        "887601C2 DDERR_SURFACELOST 88760800 D3DERR_INVALIDVERTEXFORMAT 80004002 E_NOINTERFACE "
        "80004001 DDERR_UNSUPPORTED 80004005 DDERR_GENERIC 800401F0 DDERR_NOTINITIALIZED "
        "8007000E DDERR_OUTOFMEMORY 80070057 DDERR_INVALIDPARAMS 88760005 DDERR_ALREADYINITIALIZED "
        "88760082 DDERR_INVALIDOBJECT 887600E1 DDERR_NOEXCLUSIVEMODE 887600FF DDERR_NOTFOUND "
        "8876017C DDERR_OUTOFVIDEOMEMORY 8876021C DDERR_WASSTILLDRAWING "
        "8876023E DDERR_BLTFASTCANTCLIP 8876024E DDERR_UNSUPPORTEDMODE "
        "887602BB DDERR_DEVICEDOESNTOWNSURFACE 887602BC D3DERR_BADMAJORVERSION "
        "887602F8 D3DERR_SCENE_IN_SCENE 88760826 D3DERR_CONFLICTINGTEXTUREPALETTE");
    std::string name;
    for (unsigned long code = 0; known >> std::hex >> code >> name;) {
        EXPECT_EQ(getDirectXError(code), name) << std::hex << code;
        EXPECT_EQ(getDirectXError(static_cast<HRESULT>(code)), name) << std::hex << code;
    }
    EXPECT_EQ(name, "D3DERR_CONFLICTINGTEXTUREPALETTE");  // every pair was read
    for (unsigned long unknown : {0x0ul, 0x1ul, 0xFFFFFFFFul, 0x1887601C2ul})
        EXPECT_STREQ(getDirectXError(unknown), "Unknown error") << std::hex << unknown;
}

// Each of the 186 names looks up its own code. They are listed by ascending
// value, so a wrong header value breaks the order (E_NOINTERFACE is last, on
// its own); values next to listed ones are unknown.
TEST(DirectXErrorNames, TableIsOrderedAndLookedUp) {
    ASSERT_EQ(namedDirectXErrorCount(), 186u);
    EXPECT_EQ(namedDirectXError(186, nullptr), nullptr);
    EXPECT_STREQ(namedDirectXError(0, nullptr), "DDERR_UNSUPPORTED");  // the code is optional
    std::set<unsigned long> codes;
    for (std::size_t i = 0; i < 186; ++i) {
        unsigned long code = 0;
        const char* name = namedDirectXError(i, &code);
        EXPECT_STREQ(getDirectXError(code), name);
        EXPECT_TRUE(i == 185 || codes.empty() || code > *codes.rbegin()) << name;
        EXPECT_TRUE(code < 0x88760000ul || (code & 0xFFFF0000ul) == 0x88760000ul) << name;
        codes.insert(code);
    }
    for (unsigned long code : codes)
        for (unsigned long neighbour : {code - 1, code + 1})
            if (!codes.count(neighbour)) {
                EXPECT_STREQ(getDirectXError(neighbour), "Unknown error") << std::hex << neighbour;
            }
}

// A refused seed leaves the seed as it was; zero starts mid-range, as a zero
// state would stay zero for ever. Park-Miller (16807, 282475249, 1622650073
// from state 1) stepped with Schrage's method, against plain 64-bit
// arithmetic. Through the base classes, as effects hold it: the state over
// 2^31 scaled into [minimum, maximum), kept below the maximum even for the
// largest state.
TEST(MinimalUniformSeed, SetStepAndNext) {
    random::MinimalUniformSeed seed(0.25f);
    EXPECT_THAT([&] { seed.set(1.0f); },
                testing::ThrowsMessage<random::InvalidSeedException>(
                    testing::HasSubstr("invalid seed value 1 for random")));
    EXPECT_THROW(seed.set(-0.001f), random::InvalidSeedException);
    EXPECT_TRUE(seed.getState() == 536870911 && seed.get() == 0.25f);  // 0.25 of 2^31 - 1
    seed.set(0.0f);
    EXPECT_EQ(seed.getState(), 1073741823);
    seed.setState(1);
    for (int64_t i = 0, expected = 1; i < 100000; ++i) {
        expected = expected * 16807 % 2147483647;
        ASSERT_EQ(seed.step(), expected) << "step " << i;
    }

    random::UniformSeed& uniform = seed;
    seed.setState(1);
    EXPECT_FLOAT_EQ(uniform.next(), static_cast<float>(16807 / 2147483648.0));  // in [0, 1)
    EXPECT_THROW(static_cast<random::Seed<float>&>(seed).set(2.0f), random::InvalidSeedException);
    uniform.setRange(2.0f, 4.0f);
    const float scaled = uniform.next();
    EXPECT_FLOAT_EQ(scaled, 2.0f + 2.0f * seed.get());
    seed.setState(739806647);  // steps to 2147483646
    EXPECT_LT(uniform.next(), 4.0f);
    EXPECT_LT(seed.get(), 1.0f);
}
