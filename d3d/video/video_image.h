// The 3D render image that shows a video: using its texture brings the
// texture up to the video's current frame first.
#pragma once

#include "rimage.h"

class D3DVideo;

class D3DDRIVER_API D3DVideoImage : public D3DRenderImage3D {
public:
    D3DVideoImage(TextureInterface* texture, D3DVideo* video)
        : D3DRenderImage3D(texture), video(video) {}

    TextureInterface* getTextureInterface() const override;
    D3DVideo* getVideo() const { return video; }

private:
    D3DVideo* video;
};
