// The driver object: its video mode list, listener registries, info string,
// frame-independent setters, and the operations that are not available yet.
#include "driver_fixture.h"
#include "log_capture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using Kind = debug::Message::Kind;

namespace {

class DriverObjectTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        useData("no_file");
    }
};

// Writes its tag into a shared trace on every frame start.
struct TracingListener : RenderDriverListener {
    TracingListener(std::vector<int>* trace, int tag) : trace(trace), tag(tag) {}
    void initFrame(float) override { trace->push_back(tag); }
    std::vector<int>* trace;
    int tag;
};

void deliverInitFrame(D3DRenderDriver& driver) {
    auto& registry = static_cast<PriorityDrivenSubscribeDeliverer<RenderDriverListener>&>(driver);
    registry.deliver(&RenderDriverListener::initFrame, 0.5f);
}

}  // namespace

TEST_F(DriverObjectTest, FreshDriverHasTheDataModelValues) {
    D3DRenderDriver driver;
    EXPECT_EQ(driver.getCurrentRenderView(), nullptr);
    EXPECT_EQ(driver.getWindow(), nullptr);
    EXPECT_EQ(driver.getDirectDraw(), nullptr);
    EXPECT_EQ(driver.getDirect3D(), nullptr);
    EXPECT_EQ(driver.getD3DDevice(), nullptr);
    EXPECT_EQ(driver.getScreenWidth(), 0);
    EXPECT_EQ(driver.getScreenHeight(), 0);
    EXPECT_EQ(driver.getFrameTime(), 0.0f);
    EXPECT_EQ(driver.getXMousePointerPosition(), 0.0f);
    EXPECT_EQ(driver.getYMousePointerPosition(), 0.0f);
    EXPECT_EQ(driver.getInfoString(), nullptr);
    EXPECT_EQ(driver.getBackgroundImage(), nullptr);
    EXPECT_FALSE(driver.getClearTarget());
    EXPECT_EQ(driver.getBackgroundColor(), 0u);
    EXPECT_FALSE(driver.isIdlingModeRequested());
    EXPECT_FLOAT_EQ(driver.getIdlingStep(), 100.0f);
    EXPECT_FALSE(driver.inIdlingMode());
}

TEST_F(DriverObjectTest, ModeListHoldsEveryEnumeratedMode) {
    D3DRenderDriver driver;
    size_t expected = 0;
    for (D3DEnum_DriverInfo* d = D3DEnum_GetFirstDriver(); d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            for (D3DEnum_ModeInfo* m = dev->firstMode; m; m = m->next)
                ++expected;
    ASSERT_GT(expected, 0u);
    EXPECT_EQ(driver.getVideoModeList().size(), expected);
    const auto& list = driver.getVideoModeList();
    EXPECT_NE(std::find(list.begin(), list.end(), driver.getDefaultVideoMode()), list.end());
}

TEST_F(DriverObjectTest, DestructionFreesTheEnumeration) {
    {
        D3DRenderDriver driver;
        ASSERT_NE(D3DEnum_GetFirstDriver(), nullptr);
    }
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
}

TEST_F(DriverObjectTest, DeletingAModeNotInTheListChangesNothing) {
    D3DRenderDriver driver;
    const size_t before = driver.getVideoModeList().size();
    driver.deleteVideoMode(nullptr);
    EXPECT_EQ(driver.getVideoModeList().size(), before);
    EXPECT_NE(driver.getDefaultVideoMode(), nullptr);
}

TEST_F(DriverObjectTest, DeletingTheDefaultModeForgetsIt) {
    D3DRenderDriver driver;
    const size_t before = driver.getVideoModeList().size();
    driver.deleteVideoMode(const_cast<VideoMode*>(driver.getDefaultVideoMode()));
    EXPECT_EQ(driver.getVideoModeList().size(), before - 1);
    EXPECT_EQ(driver.getDefaultVideoMode(), nullptr);
}

TEST_F(DriverObjectTest, ValidateRefusesForeignModes) {
    D3DRenderDriver driver;
    EXPECT_FALSE(driver.validateVideoMode(nullptr));
    EXPECT_TRUE(driver.validateVideoMode(driver.getDefaultVideoMode()));  // full screen
}

TEST_F(DriverObjectTest, ListenersAreCalledByPriorityThenRegistrationOrder) {
    D3DRenderDriver driver;
    std::vector<int> trace;
    TracingListener low(&trace, 1), zeroA(&trace, 2), zeroB(&trace, 3), high(&trace, 4);
    driver.registerListener(&low, -5);
    driver.registerListener(&zeroA, 0);
    driver.registerListener(&zeroB);  // one-argument form: priority 0, after zeroA
    driver.registerListener(&high, 7);
    deliverInitFrame(driver);
    EXPECT_EQ(trace, (std::vector<int>{4, 2, 3, 1}));

    trace.clear();
    driver.unregisterListener(&zeroA);
    driver.unregisterListener(&zeroA);  // not registered any more: nothing
    deliverInitFrame(driver);
    EXPECT_EQ(trace, (std::vector<int>{4, 3, 1}));
}

TEST_F(DriverObjectTest, ReconfigurationRegistryIsSeparate) {
    D3DRenderDriver driver;
    ReconfigurationDriverListener a, b;
    auto& frames = static_cast<PriorityDrivenSubscribeDeliverer<RenderDriverListener>&>(driver);
    auto& reconfig =
        static_cast<PriorityDrivenSubscribeDeliverer<ReconfigurationDriverListener>&>(driver);
    driver.registerListener(&a, 3);
    driver.registerListener(&b, 3);
    driver.registerListener(&a, 1);
    EXPECT_EQ(reconfig.listenerCount(), 3u);
    EXPECT_EQ(frames.listenerCount(), 0u);
    driver.unregisterListener(&a);
    EXPECT_EQ(reconfig.listenerCount(), 2u);
    driver.unregisterListener(&a);
    driver.unregisterListener(&a);
    EXPECT_EQ(reconfig.listenerCount(), 1u);
}

TEST_F(DriverObjectTest, InfoStringIsACopyAndNullClearsIt) {
    D3DRenderDriver driver;
    char text[] = "first";
    driver.addInfoString(text);
    std::strcpy(text, "xxxxx");
    ASSERT_NE(driver.getInfoString(), nullptr);
    EXPECT_STREQ(driver.getInfoString(), "first");
    driver.addInfoString("second");
    EXPECT_STREQ(driver.getInfoString(), "second");
    driver.addInfoString(nullptr);
    EXPECT_EQ(driver.getInfoString(), nullptr);
    driver.addInfoString("");
    EXPECT_STREQ(driver.getInfoString(), "");
}

TEST_F(DriverObjectTest, InfoStringFromManyThreadsKeepsOneWholeText) {
    D3DRenderDriver driver;
    const std::vector<std::string> texts = {"alpha", "beta beta", "gamma gamma gamma", "delta"};
    std::vector<std::thread> threads;
    for (const std::string& text : texts)
        threads.emplace_back([&driver, text] {
            for (int i = 0; i < 2000; ++i)
                driver.addInfoString(text.c_str());
        });
    for (auto& t : threads)
        t.join();
    ASSERT_NE(driver.getInfoString(), nullptr);
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::string(driver.getInfoString())),
              texts.end());
}

TEST_F(DriverObjectTest, BackgroundColourIsKeptInDeviceForm) {
    D3DRenderDriver driver;
    driver.setBackgroundColor(Color(1.0f, 0.5f, 0.0f, 1.0f), true);
    EXPECT_EQ(driver.getBackgroundColor(), 0xFFFF8000u);
    EXPECT_TRUE(driver.getClearTarget());
    driver.setBackgroundColor(Color(-1.0f, 2.0f, 0.0f, 0.0f), false);
    EXPECT_EQ(driver.getBackgroundColor(), 0x0000FF00u);
    EXPECT_FALSE(driver.getClearTarget());
}

TEST_F(DriverObjectTest, IdlingSettings) {
    D3DRenderDriver driver;
    driver.enableIdlingMode();
    EXPECT_TRUE(driver.isIdlingModeRequested());
    driver.disableIdlingMode();
    EXPECT_FALSE(driver.isIdlingModeRequested());
    driver.setIdlingFPS(25.0f);
    EXPECT_FLOAT_EQ(driver.getIdlingStep(), 0.04f);
    LogCapture log;
    driver.setIdlingFPS(0.0f);
    EXPECT_FLOAT_EQ(driver.getIdlingStep(), 0.04f);
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 1);
}

// These need the Application, the frame loop, a font file or the mouse, which
// this test does not have: each says so and changes nothing.
TEST_F(DriverObjectTest, OperationsWithoutAVideoModeAreRefused) {
    D3DRenderDriver driver;
    LogCapture log;
    driver.initVideoMode(driver.getDefaultVideoMode());
    EXPECT_EQ(driver.getScreenWidth(), 0);
    EXPECT_EQ(driver.registerFont("Arial"), nullptr);
    EXPECT_FALSE(driver.initFrame(1.0f));
    EXPECT_EQ(driver.getCurrentVideoMode(), nullptr);
    EXPECT_FALSE(driver.enableCursor());  // no mouse without a video mode
    float x = 1.0f, y = 1.0f;
    EXPECT_FALSE(driver.getCursorOffset(&x, &y));
    driver.start();
    EXPECT_EQ(log.countKind("Driver", Kind::Error), 4);
    // Without the Application (made by initDriver) there is no core thread.
    EXPECT_EQ(log.count("Driver", "initVideoMode: no application"), 1);
    EXPECT_EQ(log.count("Driver", "D3DRenderDriver::start without a video mode"), 1);
    EXPECT_EQ(log.count("Driver", "Font loading error: can't locate font config file Arial.fnt"), 1);
}
