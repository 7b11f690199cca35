// Views within a frame: what listeners hear, the latched pointer position,
// and the pointed object settled at the end of each view.
#include "frame_loop_fixture.h"

#include <utility>

namespace {

// Writes "<name> entered from <other>" and "<name> left for <other>".
class PointedMesh : public RenderMeshListener {
public:
    PointedMesh(std::string name, int priority, std::vector<std::string>* events)
        : RenderMeshListener(priority), name(std::move(name)), events(events) {}
    void pointerEntered(RenderMeshListener* previous) override {
        events->push_back(name + " entered from " + nameOf(previous));
    }
    void pointerLeft(RenderMeshListener* next) override {
        events->push_back(name + " left for " + nameOf(next));
    }

private:
    static std::string nameOf(RenderMeshListener* other) {
        auto* mesh = dynamic_cast<PointedMesh*>(other);
        return mesh ? mesh->name : "nothing";
    }
    std::string name;
    std::vector<std::string>* events;
};

class ViewTest : public FrameLoopTest {
protected:
    std::vector<std::string> events;
    PointedMesh near{"near", 0, &events};
    PointedMesh far{"far", 0, &events};
    PointedMesh twin{"twin", 0, &events};
    PointedMesh important{"important", 3, &events};
};

}  // namespace

TEST_F(ViewTest, ListenersHearEveryStepWithTheFrameTimeAndView) {
    CountingRenderView first(engineView), second(engineView);
    RecordingListener listener;
    driver->registerListener(&listener);
    clock.setTime(0.08);
    ASSERT_TRUE(driver->initFrame(0.08f));
    driver->initView(first);
    driver->termView();
    driver->initView(second);
    EXPECT_EQ(driver->getCurrentRenderView(), &second);
    driver->termView();
    driver->termFrame();
    driver->unregisterListener(&listener);

    const std::vector<std::pair<std::string, RenderView*>> expected = {
        {"initFrame", nullptr}, {"initView", &first},   {"termView", &first},
        {"initView", &second},  {"termView", &second}, {"termFrame", nullptr}};
    ASSERT_EQ(listener.calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listener.calls[i].what, expected[i].first) << i;
        EXPECT_EQ(listener.calls[i].view, expected[i].second) << i;
    }
    EXPECT_FLOAT_EQ(listener.calls.front().time, 0.08f);
    EXPECT_FLOAT_EQ(listener.calls.back().time, 0.08f);
    EXPECT_EQ(first.renders, 1);
    EXPECT_EQ(second.renders, 1);
    EXPECT_EQ(driver->getCurrentRenderView(), nullptr);
}

TEST_F(ViewTest, PointerPositionIsClampedAndLatchedAtTheNextView) {
    CountingRenderView view(engineView);
    driver->setMousePointerPosition(1.5f, -0.25f);
    EXPECT_EQ(driver->getXMousePointerPosition(), 0.0f);
    ASSERT_TRUE(frame(0.05, view, [&] {
        EXPECT_EQ(driver->getXMousePointerPosition(), 1.0f);
        EXPECT_EQ(driver->getYMousePointerPosition(), 0.0f);
        // A move during a view shows from the next view on.
        driver->setMousePointerPosition(0.25f, 0.75f);
        EXPECT_EQ(driver->getXMousePointerPosition(), 1.0f);
    }));
    ASSERT_TRUE(frame(0.06, view, [] {}));
    EXPECT_EQ(driver->getXMousePointerPosition(), 0.25f);
    EXPECT_EQ(driver->getYMousePointerPosition(), 0.75f);
}

TEST_F(ViewTest, NearerCandidateOfEqualPriorityWinsAndEntersOnce) {
    CountingRenderView view(engineView);
    ASSERT_TRUE(frame(0.05, view, [&] {
        driver->registerPointedObject(&far, 9.0f);
        driver->registerPointedObject(&near, 2.0f);
        EXPECT_TRUE(events.empty());  // settled only at the end of the view
    }));
    EXPECT_EQ(events, std::vector<std::string>{"near entered from nothing"});
    const PointedObjectRecord& record = view.getPointedObjectRecord();
    EXPECT_EQ(record.previous, &near);
    EXPECT_EQ(record.current, nullptr);
    EXPECT_EQ(record.empty, 1);

    // The same object again: no events.
    ASSERT_TRUE(frame(0.06, view, [&] { driver->registerPointedObject(&near, 2.0f); }));
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(ViewTest, FirstOfTwoEqualCandidatesIsKept) {
    CountingRenderView view(engineView);
    ASSERT_TRUE(frame(0.05, view, [&] {
        driver->registerPointedObject(&twin, 4.0f);
        driver->registerPointedObject(&near, 4.0f);
    }));
    EXPECT_EQ(events, std::vector<std::string>{"twin entered from nothing"});
}

TEST_F(ViewTest, HigherTracePriorityBeatsDistance) {
    CountingRenderView view(engineView);
    ASSERT_TRUE(frame(0.05, view, [&] {
        driver->registerPointedObject(&near, 1.0f);
        driver->registerPointedObject(&important, 50.0f);
        driver->registerPointedObject(&far, 0.5f);
    }));
    EXPECT_EQ(events, std::vector<std::string>{"important entered from nothing"});
}

TEST_F(ViewTest, ChangingTheObjectSendsLeftThenEntered) {
    CountingRenderView view(engineView);
    ASSERT_TRUE(frame(0.05, view, [&] { driver->registerPointedObject(&near, 1.0f); }));
    ASSERT_TRUE(frame(0.06, view, [&] { driver->registerPointedObject(&far, 1.0f); }));
    ASSERT_TRUE(frame(0.07, view, [] {}));
    ASSERT_TRUE(frame(0.08, view, [] {}));
    const std::vector<std::string> expected = {
        "near entered from nothing", "near left for far", "far entered from near",
        "far left for nothing"};
    EXPECT_EQ(events, expected);
}

TEST_F(ViewTest, EachViewKeepsItsOwnPointedObject) {
    CountingRenderView left(engineView), right(engineView);
    for (double t : {0.05, 0.06}) {
        clock.setTime(t);
        ASSERT_TRUE(driver->initFrame(static_cast<float>(t)));
        driver->initView(left);
        driver->registerPointedObject(&near, 1.0f);
        driver->termView();
        driver->initView(right);
        driver->registerPointedObject(&far, 1.0f);
        driver->termView();
        driver->termFrame();
    }
    const std::vector<std::string> expected = {"near entered from nothing",
                                               "far entered from nothing"};
    EXPECT_EQ(events, expected);
}

TEST_F(ViewTest, CandidatesOutsideAViewAreIgnored) {
    CountingRenderView view(engineView);
    driver->registerPointedObject(&near, 1.0f);
    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    driver->registerPointedObject(&near, 1.0f);  // in the frame, before the view
    driver->initView(view);
    driver->termView();
    driver->termFrame();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(view.getPointedObjectRecord().previous, nullptr);
}

TEST_F(ViewTest, DeferredObjectsOfAViewAreDrawnAtItsEnd) {
    struct Deferred : DeferredRenderObject {
        void render() override { ++renders; }
        void transform() override {}
        int renders = 0;
    } opaque;
    struct DeferredAlpha : DeferredAlphaObjectInterface {
        void render() override { ++renders; }
        void transform() override {}
        int renders = 0;
    } alpha;
    alpha.depth = 1.0f;
    CountingRenderView view(engineView);
    ASSERT_TRUE(frame(0.05, view, [&] {
        addToDeferredRenderObjectsList(&opaque);
        addToDeferredAlphaObjectsList(&alpha);
        EXPECT_EQ(opaque.renders + alpha.renders, 0);
    }));
    EXPECT_EQ(opaque.renders, 1);
    EXPECT_EQ(alpha.renders, 1);
}
