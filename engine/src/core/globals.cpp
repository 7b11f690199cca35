#include "engine/core/globals.h"

RenderDriver* theRenderDriver = nullptr;
DegradingManager* theDegradingManager = nullptr;
RenderViewFactory* theRenderViewFactory = nullptr;
RenderLightFactory* theRenderLightFactory = nullptr;
RenderTextureManager* theRenderTextureManager = nullptr;
RenderMaterialManager* theRenderMaterialManager = nullptr;
RenderDecalFactory* theRenderDecalFactory = nullptr;
RenderMeshFactory* theRenderMeshFactory = nullptr;
RenderImageFactory* theRenderImageFactory = nullptr;
RenderLineFactory* theRenderLineFactory = nullptr;
RenderSpecialEffectFactory* theRenderSpecialEffectFactory = nullptr;
VideoFactoryInterface* theVideoFactory = nullptr;
ScreenShooter* theScreenShooter = nullptr;
ApplicationInterface* theApplication = nullptr;
HaloManagerInterface* theHaloManager = nullptr;
