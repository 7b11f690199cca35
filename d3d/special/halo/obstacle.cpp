#include "special/halo/obstacle.h"

#include "special/halo/halo_manager.h"

#include "rmesh.h"

void ObstacleEffect::transform(TransformInformation* info) {
    EffectiveRenderMesh::transform(info);
    if (theD3DHaloManager && halosEnabled())
        theD3DHaloManager->process(dynamic_cast<D3DOneLevelRenderMesh*>(getOneLevelMesh()));
}
