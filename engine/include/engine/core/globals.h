// The engine's global interface pointers. The render driver fills them when it
// is loaded and clears them when it is unloaded; they are null otherwise.
#pragma once

class RenderDriver;
class DegradingManager;
class RenderViewFactory;
class RenderLightFactory;
class RenderTextureManager;
class RenderMaterialManager;
class RenderDecalFactory;
class RenderMeshFactory;
class RenderImageFactory;
class RenderLineFactory;
class RenderSpecialEffectFactory;
class VideoFactoryInterface;
class ScreenShooter;
class ApplicationInterface;
class HaloManagerInterface;

extern RenderDriver* theRenderDriver;
extern DegradingManager* theDegradingManager;
extern RenderViewFactory* theRenderViewFactory;
extern RenderLightFactory* theRenderLightFactory;
extern RenderTextureManager* theRenderTextureManager;
extern RenderMaterialManager* theRenderMaterialManager;
extern RenderDecalFactory* theRenderDecalFactory;
extern RenderMeshFactory* theRenderMeshFactory;
extern RenderImageFactory* theRenderImageFactory;
extern RenderLineFactory* theRenderLineFactory;
extern RenderSpecialEffectFactory* theRenderSpecialEffectFactory;
extern VideoFactoryInterface* theVideoFactory;
extern ScreenShooter* theScreenShooter;
extern ApplicationInterface* theApplication;
extern HaloManagerInterface* theHaloManager;
