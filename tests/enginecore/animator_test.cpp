#include <gtest/gtest.h>

#include "engine/core/animator.h"
#include "engine/core/globals.h"
#include "engine/core/render_mesh_shell.h"
#include "../support/recording_mesh.h"

namespace {

// Counts the transforms that reach it before passing them on.
class CountingEffect : public EffectiveRenderMesh {
public:
    unsigned getOverloadFlags() const override { return OVERLOAD_TRANSFORM; }
    int getEffectPriority() const override { return 0; }
    void transform(TransformInformation* info) override {
        ++transforms;
        EffectiveRenderMesh::transform(info);
    }
    int transforms = 0;
};

class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        theRenderMeshFactory = &factory;
        theCharacterLibrary->registerCharacter("cube", mesh);
    }
    void TearDown() override {
        theCharacterLibrary->unregisterCharacter("cube");
        theRenderMeshFactory = nullptr;
    }
    RecordingFactory factory;
    BaseKeyMesh mesh;
};

TEST_F(AnimatorTest, EffectsJoinTheChainOfTheCharactersMesh) {
    EXPECT_EQ(theCharacterLibrary->createAnimator("sphere"), nullptr);
    std::unique_ptr<Animator> animator = theCharacterLibrary->createAnimator("cube");
    ASSERT_NE(animator, nullptr);
    EXPECT_EQ(animator->getCharacter(), "cube");

    CountingEffect early, late;
    EXPECT_TRUE(animator->addEffect(&early));  // before the mesh exists
    EXPECT_FALSE(animator->addEffect(&early));
    EXPECT_FALSE(animator->addEffect(nullptr));
    animator->render();
    ASSERT_NE(animator->getShell(), nullptr);
    EXPECT_EQ(animator->getShell()->getChain(), &early);
    EXPECT_EQ(early.transforms, 1);
    EXPECT_EQ(factory.last->transforms.size(), 1u);

    EXPECT_TRUE(animator->addEffect(&late));
    EXPECT_TRUE(animator->removeEffect(&early));
    EXPECT_FALSE(animator->removeEffect(&early));
    EXPECT_FALSE(early.isAttached());
    animator->render();
    EXPECT_EQ(early.transforms, 1);
    EXPECT_EQ(late.transforms, 1);
    animator.reset();  // takes its effects out of the chain before the mesh goes
    EXPECT_FALSE(late.isAttached());
}

TEST_F(AnimatorTest, AnAnimatorOverAShellOfItsOwnerUsesIt) {
    RenderMeshShell shell(mesh);
    CountingEffect effect;
    {
        Animator animator("column", shell);
        ASSERT_TRUE(animator.addEffect(&effect));
        EXPECT_EQ(shell.getChain(), &effect);
        shell.render();
        EXPECT_EQ(effect.transforms, 1);
    }
    EXPECT_FALSE(effect.isAttached());
    EXPECT_NE(shell.getChain(), nullptr);  // the shell itself lives on
}

}  // namespace
