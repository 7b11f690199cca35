// The driver's degrading manager: turns the engine's quality options into
// driver settings and device states, and reads them back.
#pragma once

#include "driver.h"

#include <engine/core/degrading_manager.h>

#include <cstdint>

class D3DDegradingManager : public DegradingManager {
public:
    D3DDegradingManager();

    // Under the driver lock, so never during a frame; the states it sets are
    // flushed before it returns.
    void apply() override;
    void current() override;

    // After a device is made: which options the device can honour, from its
    // triangle raster capabilities.
    void update();

    std::uint32_t getCapabilities() const { return capabilityFlags; }

    // The texture scale factor for a texture quality: 0 -> 2, 1 -> 1, 2 -> 0.
    static int scaleFactorForQuality(int quality);

private:
    std::uint32_t capabilityFlags = 0;
};

extern D3DDRIVER_API D3DDegradingManager* theD3DDegradingManager;

// The raster capabilities of the current device: the hardware description's
// when it has flags, else the software one's.
DWORD currentRasterCaps();
