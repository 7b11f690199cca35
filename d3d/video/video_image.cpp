#include "video/video_image.h"

#include "video/video.h"

TextureInterface* D3DVideoImage::getTextureInterface() const {
    video->update();
    return D3DRenderImage3D::getTextureInterface();
}
