#include "special/mirror/mirror.h"
#include "special/mirror/reflection.h"
#include "special/mirror/zbuffer_filler.h"

#include "states.h"

#include "effect_scene.h"

#include <engine/core/spherical.h>

namespace {

// A link below the effect under test that notes the states each drawing
// of the mesh meets.
class StateProbe : public EffectiveRenderMesh {
public:
    struct Seen {
        DWORD textureFactor, zFunction, blending, sourceBlend, alphaOp, alphaArg2;
        unsigned flags;
    };
    unsigned getOverloadFlags() const override { return OVERLOAD_RENDER | OVERLOAD_END_VIEW; }
    int getEffectPriority() const override { return -5; }
    void endView() override { ++viewsEnded; }
    void render(RenderInformation* info) override {
        const RenderStateManager& s = *theRenderStateManager;
        seen.push_back({s.getState(RS_TEXTUREFACTOR), s.getState(RS_ZFUNC),
                        s.getState(RS_ALPHABLENDENABLE), s.getState(RS_SRCBLEND),
                        s.getState(TSS_ALPHAOP, 0), s.getState(TSS_ALPHAARG2, 0), info->flags});
        EffectiveRenderMesh::render(info);
    }
    std::vector<Seen> seen;
    unsigned viewsEnded = 0;
};

class MirrorTest : public EffectScene {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(EffectScene::SetUp());
        // A sphere this large has the plane y = 0 (left of the screen's
        // middle against right) for its ground.
        radius = getSphereRadius();
        setSphereRadius(1e7f);
    }
    void TearDown() override {
        setSphereRadius(radius);
        EffectScene::TearDown();
    }
    std::vector<RenderMeshShellInterface*> all() {
        std::vector<RenderMeshShellInterface*> list;
        for (auto& s : shells)
            list.push_back(&s);
        return list;
    }

    float radius = 0;
};

}  // namespace

// A mirror is unseen (not even transformed) in its first frame, then drawn
// twice a frame, ending the view of the links below; two mirrors in a view
// register the depth fillers once.
TEST_F(MirrorTest, AMirrorIsUnseenInItsFirstFrameThenDrawnTwiceAndTheFillersRegisterOnce) {
    RenderMeshShell& first = quad("white", 2, -4, -2, 0, 8);
    RenderMeshShell& second = quad("white", 2, 0, -2, 4, 8);
    first.setTransformation(TMatrix(), Vector(0, 0, 1));
    MirrorEffect a, b;
    StateProbe probe;
    ASSERT_TRUE(first.attachEffect(&a));
    ASSERT_TRUE(first.attachEffect(&probe));
    ASSERT_TRUE(second.attachEffect(&b));
    EXPECT_EQ(ZBufferFiller::mirrorsIn(view), 0) << "no view before the first frame";
    platform::testing::resetCallCounts();
    drawScene(all());
    EXPECT_TRUE(probe.seen.empty());
    EXPECT_EQ(platform::testing::callCount("IDirect3DVertexBuffer::ProcessVertices"), 0u);
    // The morph held back in the regular pass was carried out afterwards.
    const auto* mesh = dynamic_cast<D3DOneLevelRenderMesh*>(first.getRenderMesh());
    EXPECT_EQ(mesh->getWorldOffset().z, 1.0f);
    EXPECT_EQ(a.getRecords().morphRecord.clipResult, 2);

    // Another source factor left from before: the mirror sets its own.
    drawScene(all(), [] { theRenderStateManager->setState(RS_SRCBLEND, D3DBLEND_ONE); });
    ASSERT_EQ(probe.seen.size(), 2u);
    EXPECT_EQ(probe.viewsEnded, 2u) << "the links below end their view too";
    // See-through in the regular pass: half of 255, truncated, as alpha.
    EXPECT_EQ(probe.seen[0].textureFactor, 0x7F000000u);
    EXPECT_EQ(probe.seen[0].blending, DWORD(TRUE));
    EXPECT_EQ(probe.seen[0].sourceBlend, DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(probe.seen[0].alphaOp, DWORD(D3DTOP_SELECTARG2));
    EXPECT_EQ(probe.seen[0].alphaArg2, DWORD(D3DTA_TFACTOR));
    EXPECT_EQ(probe.seen[1].zFunction, DWORD(D3DCMP_ALWAYS));
    EXPECT_EQ(probe.seen[1].flags, 3u);
    EXPECT_NE(theRenderStateManager->getState(RS_ZFUNC), DWORD(D3DCMP_ALWAYS));
    first.detachEffect(&probe);

    EXPECT_EQ(ZBufferFiller::mirrorsIn(view), 2);
    EXPECT_EQ(view.getRegisteredObjectCount(), 2u);
    EXPECT_TRUE(view.isRegistered(&ZBufferFiller::nearFiller()));
    EXPECT_TRUE(view.isRegistered(&ZBufferFiller::farFiller()));
    first.detachEffect(&a);
    EXPECT_EQ(view.getRegisteredObjectCount(), 2u);
    second.detachEffect(&b);
    EXPECT_EQ(ZBufferFiller::mirrorsIn(view), 0);
    EXPECT_EQ(view.getRegisteredObjectCount(), 0u);
    // Attached again, a mirror counts again.
    ASSERT_TRUE(first.attachEffect(&a));
    drawScene(all());
    EXPECT_EQ(ZBufferFiller::mirrorsIn(view), 1);
    first.detachEffect(&a);
}

TEST_F(MirrorTest, AMirrorShowsAReflectedObjectReversedAndNothingBeyondIt) {
    // The mirror covers the left half; the object stands right of the
    // ground's plane, red on its left, blue on its right.
    RenderMeshShell& glass = quad("white", 2, -4, -2, 0, 8);
    RenderMeshShell& object = quad("halves", 1, 1, -1, 3, 6);
    // Beyond the mirror's edge nothing is reflected.
    RenderMeshShell& low = quad("halves", -2.5f, 1, -3.5f, 3, 6);
    MirrorEffect mirror;
    ReflectionEffect reflection, lowReflection;
    ASSERT_TRUE(glass.attachEffect(&mirror));
    ASSERT_TRUE(object.attachEffect(&reflection));
    ASSERT_TRUE(low.attachEffect(&lowReflection));
    drawScene(all());
    drawScene(all());
    expectIn(0, 1.5f, 6, {150, 0, 0}, {255, 60, 60});
    expectIn(0, 2.5f, 6, {0, 0, 150}, {60, 60, 255});
    // Mirrored: blue on the left, red on the right.
    expectIn(0, -2.5f, 6, {0, 0, 150}, {60, 60, 255});
    expectIn(0, -1.5f, 6, {150, 0, 0}, {255, 60, 60});
    expectIn(1.5f, -0.5f, 8, {150, 150, 150});
    expectIn(-3, 2.5f, 6, {0, 0, 150}, {60, 60, 255});
    expectBlack(-3, -2, 6);
}
