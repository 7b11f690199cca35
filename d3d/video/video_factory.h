// Makes and destroys the engine's videos (theVideoFactory).
#pragma once

#include "driver.h"

#include <engine/core/video.h>

class D3DDRIVER_API D3DVideoFactory : public VideoFactoryInterface {
public:
    D3DVideoFactory() = default;
    virtual ~D3DVideoFactory() = default;
    D3DVideoFactory(const D3DVideoFactory&) = delete;
    D3DVideoFactory& operator=(const D3DVideoFactory&) = delete;

    // Null, with a warning naming the file, when it cannot be played.
    VideoInterface* create(const std::string& file) override;
    void destroy(VideoInterface* video) override;
};

// The driver's own pointer to the factory; theVideoFactory is the engine's.
extern D3DDRIVER_API D3DVideoFactory* theD3DVideoFactory;
