#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/globals.h"
#include "engine/core/render_mesh_shell.h"
#include "engine/core/spherical.h"
#include "engine/core/view.h"
#include "../support/log_capture.h"
#include "../support/recording_mesh.h"

namespace {

// A link that notes every operation it overrides in a shared log.
class LoggingEffect : public EffectiveRenderMesh {
public:
    LoggingEffect(std::string name, int priority, unsigned flags, std::vector<std::string>& log)
        : name(std::move(name)), priority(priority), flags(flags), log(log) {}

    unsigned getOverloadFlags() const override { return flags; }
    int getEffectPriority() const override { return priority; }
    void morph(MorphingInformation* info) override {
        log.push_back(name + ".morph");
        EffectiveRenderMesh::morph(info);
    }
    void transform(TransformInformation* info) override {
        log.push_back(name + ".transform");
        EffectiveRenderMesh::transform(info);
    }
    void render(RenderInformation* info) override {
        log.push_back(name + ".render");
        EffectiveRenderMesh::render(info);
    }

private:
    std::string name;
    int priority;
    unsigned flags;
    std::vector<std::string>& log;
};

// Overrides nothing, as its flags say.
class PassThrough : public EffectiveRenderMesh {
public:
    unsigned getOverloadFlags() const override { return 0; }
    int getEffectPriority() const override { return 9; }
};

class EffectChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        theRenderMeshFactory = &factory;
        mesh.getKeyMesh().vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        MeshSet strip;
        for (int i = 0; i < 3; ++i)
            strip.first[i].geometry = i;
        mesh.addStrip(strip);
        mesh.finishTopology();
    }
    void TearDown() override { theRenderMeshFactory = nullptr; }

    // Priorities of the links from the front down to the mesh.
    static std::vector<int> priorities(RenderMeshInterface* front) {
        std::vector<int> out;
        for (auto* link = dynamic_cast<EffectiveRenderMesh*>(front); link;
             link = dynamic_cast<EffectiveRenderMesh*>(link->getAttached()))
            out.push_back(link->getEffectPriority());
        return out;
    }

    RecordingFactory factory;
    BaseKeyMesh mesh;
    std::vector<std::string> log;
};

class Counted : public RenderObject {
public:
    explicit Counted(int& destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++destroyed; }
    void render(RenderView&) override {}

private:
    int& destroyed;
};

}  // namespace

TEST_F(EffectChainTest, AttachOrdersByPriorityAndEqualPrioritiesKeepTheirOrder) {
    RenderMeshShell shell(mesh);
    LoggingEffect a("a", 3, 0xE, log), b("b", 10, 0xE, log), c("c", -4, 0xE, log),
        d("d", 3, 0xE, log);
    for (EffectiveRenderMesh* e : {static_cast<EffectiveRenderMesh*>(&a), static_cast<EffectiveRenderMesh*>(&b),
                                   static_cast<EffectiveRenderMesh*>(&c), static_cast<EffectiveRenderMesh*>(&d)})
        ASSERT_TRUE(shell.attachEffect(e));
    EXPECT_EQ(priorities(shell.getChain()), (std::vector<int>{10, 3, 3, -4}));
    EXPECT_EQ(shell.getChain(), &b);
    EXPECT_EQ(a.getAttached(), &d);  // the later of two equals goes behind
    EXPECT_FALSE(shell.attachEffect(&a)) << "already in a chain";

    shell.render();
    EXPECT_EQ(log, (std::vector<std::string>{"b.morph", "a.morph", "d.morph", "c.morph",
                                             "b.transform", "a.transform", "d.transform",
                                             "c.transform", "b.render", "a.render", "d.render",
                                             "c.render"}));
    EXPECT_EQ(factory.last->renders.size(), 1u);
}

TEST_F(EffectChainTest, OperationsSkipLinksThatDoNotOverrideThem) {
    RenderMeshShell shell(mesh);
    LoggingEffect renderOnly("r", 5, RenderMeshInterface::OVERLOAD_RENDER, log);
    LoggingEffect morphOnly("m", 1, RenderMeshInterface::OVERLOAD_MORPH, log);
    PassThrough none;
    shell.attachEffect(&morphOnly);
    shell.attachEffect(&renderOnly);
    shell.attachEffect(&none);
    // Overload flags 0 forward everything; the front's next links skip the
    // render-only link for morph and reach the mesh directly for transform.
    EXPECT_EQ(none.getNextLink(EffectiveRenderMesh::LINK_MORPH), &morphOnly);
    EXPECT_EQ(none.getNextLink(EffectiveRenderMesh::LINK_RENDER), &renderOnly);
    EXPECT_EQ(none.getNextLink(EffectiveRenderMesh::LINK_WORLD_OFFSET),
              renderOnly.getNextLink(EffectiveRenderMesh::LINK_WORLD_OFFSET));
    EXPECT_EQ(none.getOneLevelMesh(), factory.last);
    EXPECT_EQ(none.getWorldOffset(), &factory.last->offset);

    shell.render();
    EXPECT_EQ(log, (std::vector<std::string>{"m.morph", "r.render"}));
    EXPECT_EQ(factory.last->morphs.size(), 1u);
    EXPECT_EQ(factory.last->transforms.size(), 1u);
    EXPECT_EQ(factory.last->renders.size(), 1u);
}

TEST_F(EffectChainTest, DetachReturnsWhatWasAttachedAndRelinksTheChain) {
    RenderMeshShell shell(mesh);
    LoggingEffect top("t", 8, 0xE, log), middle("m", 4, 0xE, log), bottom("b", 0, 0xE, log);
    RenderMeshInterface* meshLink = shell.getChain();
    shell.attachEffect(&bottom);
    shell.attachEffect(&top);
    shell.attachEffect(&middle);
    EXPECT_EQ(middle.getAttached(), &bottom);

    ASSERT_TRUE(shell.detachEffect(&middle));
    EXPECT_FALSE(middle.isAttached());
    EXPECT_EQ(top.getAttached(), &bottom);
    EXPECT_EQ(top.getNextLink(EffectiveRenderMesh::LINK_RENDER), &bottom);
    EXPECT_FALSE(shell.detachEffect(&middle));

    EXPECT_EQ(top.detach(true), &bottom);
    EXPECT_EQ(shell.getChain(), &bottom);
    EXPECT_EQ(bottom.detach(true), meshLink);
    EXPECT_EQ(shell.getChain(), meshLink);
    {
        // An effect that goes takes itself out of the chain.
        LoggingEffect shortLived("s", 1, 0xE, log);
        shell.attachEffect(&shortLived);
        EXPECT_EQ(shell.getChain(), &shortLived);
    }
    EXPECT_EQ(shell.getChain(), meshLink);
    shell.render();
    EXPECT_TRUE(log.empty());
}

TEST_F(EffectChainTest, ADisabledMeshIsNeitherTransformedNorDrawn) {
    RenderMeshShell shell(mesh);
    SERenderEnable enable;
    LoggingEffect below("e", 0, 0xE, log);
    shell.attachEffect(&below);
    shell.attachEffect(&enable);
    enable.disable();
    shell.render();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(factory.last->transforms.empty());
    enable.enable();
    shell.render();
    EXPECT_EQ(factory.last->renders.size(), 1u);
    shell.detachEffect(&enable);
    shell.detachEffect(&below);
}

TEST_F(EffectChainTest, ADetachedLinkOrAMissingRecordIsRefusedWithAnError) {
    LogCapture captured;
    LoggingEffect lone("l", 0, 0xE, log);
    MorphingInformation morphing;
    lone.morph(&morphing);
    RenderInformation rendering;
    lone.render(&rendering);
    EXPECT_EQ(lone.getOneLevelMesh(), nullptr);
    EXPECT_EQ(lone.getWorldOffset(), nullptr);
    EXPECT_EQ(captured.count("Effects", "morph: the effect is not attached to a mesh"), 1);
    EXPECT_EQ(captured.count("Effects", "render: the effect is not attached to a mesh"), 1);

    RenderMeshShell shell(mesh);
    shell.attachEffect(&lone);
    lone.transform(nullptr);
    EXPECT_EQ(captured.count("Effects", "transform: no record given"), 1);
    EXPECT_TRUE(factory.last->transforms.empty());
    shell.render();
    EXPECT_EQ(factory.last->transforms.size(), 1u);
}

TEST(CountingObjectTest, DeletionWaitsForTheLastReferenceAViewsIncluded) {
    int destroyed = 0;
    auto* object = new Counted(destroyed);
    object->addReference();
    object->addReference();
    object->requestDeletion();
    object->dropReference();
    EXPECT_EQ(destroyed, 0);
    object->dropReference();
    EXPECT_EQ(destroyed, 1);

    // Unreferenced: deletion at once. Dropping to zero without a request
    // keeps the object.
    auto* kept = new Counted(destroyed);
    kept->addReference();
    kept->dropReference();
    EXPECT_EQ(destroyed, 1);
    kept->requestDeletion();
    EXPECT_EQ(destroyed, 2);

    // A view holds the objects registered with it alive.
    auto* registered = new Counted(destroyed);
    {
        View view;
        view.registerObject(registered);
        view.registerObject(registered);
        EXPECT_EQ(view.getRegisteredObjectCount(), 1u);
        EXPECT_EQ(registered->getReferenceCount(), 1);
        registered->requestDeletion();
        EXPECT_EQ(destroyed, 2);
        RenderObjectKey extra(registered);
        view.unregisterObject(registered);
        EXPECT_EQ(destroyed, 2) << "the key still holds it";
    }
    EXPECT_EQ(destroyed, 3);
}

// Placement keeps arc length and height, the horizon hides far points and
// reflect mirrors in the ground.
TEST(SphericalWorldTest, PlacementHorizonAndReflection) {
    const float r = getSphereRadius();
    const Vector placed = sphericalPlacementVector({r * 0.5f, 2.0f, 0.0f});
    const Vector fromCenter = placed - getSphereCenter();
    EXPECT_NEAR(length(fromCenter), r + 2.0f, 1e-2f);
    EXPECT_NEAR(std::atan2(fromCenter.x, fromCenter.y), 0.5f, 1e-5f);
    EXPECT_EQ(sphericalPlacementVector({0, 3, 0}), Vector(0, 3, 0));

    const Vector eye(0, 2, 0);
    EXPECT_FALSE(sphericalClip(sphericalPlacementVector({10, 0, -5}), eye));
    EXPECT_TRUE(sphericalClip(sphericalPlacementVector({r, 0, 0}), eye));
    EXPECT_TRUE(sphericalClip({0, -1, 0}, eye)) << "below the ground";

    TMatrix m;
    Vector o;
    reflect(TMatrix(), Vector(1, 3, -2), m, o);
    EXPECT_NEAR(o.y, -3.0f, 1e-2f);
    EXPECT_NEAR(o.x, 1.0f, 1e-2f);
    EXPECT_NEAR(m.determinant(), -1.0f, 1e-4f);
    EXPECT_NEAR(m[1][1], -1.0f, 1e-4f);

    // A standing mirror facing -z at z = 5 (a zero normal leaves it so).
    setReflectionPlane(Vector(4, 0, 5), Vector(0, 0, -2));
    setReflectionPlane(Vector(0, 0, 0), Vector(0, 0, 0));
    reflect(TMatrix::rotation(Vector(0, 1, 0), 0.3f), Vector(1, 3, 2), m, o);
    EXPECT_NEAR(o.x, 1.0f, 1e-5f);
    EXPECT_NEAR(o.y, 3.0f, 1e-5f);
    EXPECT_NEAR(o.z, 8.0f, 1e-5f);
    EXPECT_NEAR(m.determinant(), -1.0f, 1e-4f);
    EXPECT_NEAR(m[2][0], -TMatrix::rotation(Vector(0, 1, 0), 0.3f)[2][0], 1e-5f);
    clearReflectionPlane();
    reflect(TMatrix(), Vector(1, 3, -2), m, o);
    EXPECT_NEAR(o.y, -3.0f, 1e-2f);
}
