#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "engine/core/degrading_manager.h"
#include "engine/core/render_driver.h"
#include "engine/core/render_driver_listener.h"
#include "engine/core/render_mesh_interface.h"
#include "engine/core/special_effect.h"

namespace {

// The driver is called by slot position, so the order of the virtual
// operations is part of the interface. Under the Itanium C++ ABI a pointer to a
// virtual member function holds 1 + the byte offset of its slot.
template <typename F>
long slotOf(F function) {
    static_assert(sizeof(F) >= sizeof(std::uintptr_t), "unexpected member pointer layout");
    std::uintptr_t raw = 0;
    std::memcpy(&raw, &function, sizeof raw);
    EXPECT_EQ(raw % sizeof(void*), 1u) << "not a virtual member function";
    return static_cast<long>((raw - 1) / sizeof(void*));
}

TEST(InterfaceSlots, DriverListenerAndDegradingOperationsKeepTheirPositions) {
    EXPECT_EQ(slotOf(&RenderDriver::initVideoMode), 0);
    EXPECT_EQ(slotOf(&RenderDriver::validateVideoMode), 3);
    EXPECT_EQ(slotOf(&RenderDriver::initFrame), 4);
    EXPECT_EQ(slotOf(&RenderDriver::getCurrentRenderView), 8);
    EXPECT_EQ(slotOf(&RenderDriver::createWindowedVideoMode), 9);
    EXPECT_EQ(slotOf(&RenderDriver::getDefaultVideoMode), 13);
    EXPECT_EQ(slotOf(&RenderDriver::renderLight), 14);
    EXPECT_EQ(slotOf(&RenderDriver::renderLine), 17);
    EXPECT_EQ(slotOf(&RenderDriver::registerPointedObject), 18);
    EXPECT_EQ(slotOf(&RenderDriver::getYMousePointerPosition), 21);
    EXPECT_EQ(slotOf(&RenderDriver::registerListener), 22);
    EXPECT_EQ(slotOf(&RenderDriver::unregisterListener), 23);
    EXPECT_EQ(slotOf(&RenderDriver::projectVector), 24);
    EXPECT_EQ(slotOf(&RenderDriver::unregisterView), 28);
    EXPECT_EQ(slotOf(&RenderDriver::start), 29);
    EXPECT_EQ(slotOf(&RenderDriver::setFPS), 32);
    EXPECT_EQ(slotOf(&RenderDriver::isCursorSupported), 33);
    EXPECT_EQ(slotOf(&RenderDriver::setCursorHotspot), 43);
    EXPECT_EQ(slotOf(&RenderDriver::setBackgroundImage), 44);
    EXPECT_EQ(slotOf(&RenderDriver::setIdlingFPS), 48);
    EXPECT_EQ(slotOf(&RenderDriver::inIdlingMode), 49);
    // Listener and degrading operations come first.
    EXPECT_EQ(slotOf(&RenderDriverListener::initView), 0);
    EXPECT_EQ(slotOf(&RenderDriverListener::termView), 1);
    EXPECT_EQ(slotOf(&RenderDriverListener::initFrame), 2);
    EXPECT_EQ(slotOf(&RenderDriverListener::termFrame), 3);
    EXPECT_EQ(slotOf(&DegradingManager::apply), 0);
    EXPECT_EQ(slotOf(&DegradingManager::current), 1);
    EXPECT_EQ(slotOf(&DegradingListener::qualityChanged), 0);
}

}  // namespace

TEST(InterfaceSlots, MeshChainLinksAndTheEffectFactoryKeepTheirPositions) {
    EXPECT_EQ(slotOf(&RenderMeshInterface::getOverloadFlags), 0);
    EXPECT_EQ(slotOf(&RenderMeshInterface::getOneLevelMesh), 2);
    EXPECT_EQ(slotOf(&RenderMeshInterface::prepareView), 3);
    EXPECT_EQ(slotOf(&RenderMeshInterface::morph), 4);
    EXPECT_EQ(slotOf(&RenderMeshInterface::render), 6);
    EXPECT_EQ(slotOf(&RenderMeshInterface::getRenderView), 9);
    EXPECT_EQ(slotOf(&RenderMeshInterface::endView), 11);
    EXPECT_EQ(slotOf(&RenderMeshInterface::attach), 12);
    EXPECT_EQ(slotOf(&RenderMeshInterface::detach), 13);
    // Slot 14 is the destructor, two entries under this ABI.
    EXPECT_EQ(slotOf(&RenderMeshInterface::getEffectPriority), 16);

    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createEffect), 0);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createWater), 8);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createReserved12), 12);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createContour), 13);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createSpriteHalo), 19);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createFading), 25);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createTrace), 29);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createAureole), 30);
    EXPECT_EQ(slotOf(&RenderSpecialEffectFactory::createAnimatorParticleVisualization), 35);
}
