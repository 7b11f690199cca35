// The driver's side of one engine view: its Direct3D viewport, its camera
// transforms and the lights that shine in it.
#pragma once

#include <engine/core/render_view.h>
#include <engine/core/tmatrix.h>
#include <engine/types.h>

#include <d3d.h>

#include <list>

class D3DRenderLight;

class D3DRenderView : public RenderView {
public:
    // Makes the viewport and adds it to the current device, when there is one.
    explicit D3DRenderView(View& view);
    // Takes the viewport off the device; the lights are not touched.
    ~D3DRenderView() override;

    // Viewport, view and projection transforms and the ambient level for the
    // frame about to be drawn.
    void render() override;
    // A software estimate of the light at a world point.
    Color calculateIllumination(Vector position) override;
    virtual View& getView() { return getEngineView(); }

    // Camera-space quantities, valid after this frame's render.
    void precalculateParameters();
    // A world point as fractions of the viewport (x right, y down) and its
    // camera-space depth; points behind the camera come out mirrored.
    Vector projectVector(const Vector& position) const;
    // Depth of a world point beyond the near plane.
    float getZDepth(const Vector& position) const;

    const D3DMATRIX& getViewMatrix() const { return viewMatrix; }
    const D3DMATRIX& getProjectionMatrix() const { return projectionMatrix; }
    const D3DVIEWPORT2& getViewportData() const { return viewportData; }
    IDirect3DViewport3* GetViewport() const { return pViewport; }
    float getHorizontalFactor() const { return horizontalFactor; }
    float getVerticalFactor() const { return verticalFactor; }
    float getNearDistance() const { return nearDistance; }
    const TMatrix& getCameraRotation() const { return cameraRotation; }
    const Vector& getCameraTranslation() const { return cameraTranslation; }
    // The mouse pointer in clip units: x -1 left .. 1 right, y 1 top .. -1 bottom.
    float getPointerX() const { return pointerX; }
    float getPointerY() const { return pointerY; }

    // Ambient level: the stored sum is not clamped; the device gets it clamped.
    void registerAmbientLight(const Color& color);
    void setAmbientLight(const Color& color);
    const Color& getAmbientLight() const { return ambient; }

    // Render lights shining in this view, in order of addition.
    void addLight(D3DRenderLight* light);
    void delLight(D3DRenderLight* light);
    // The light is going away: every entry of it leaves the list.
    void forgetLight(D3DRenderLight* light);
    const std::list<D3DRenderLight*>& getLights() const { return lights; }

    // Bare Direct3D lights for effects: owned by the caller, not listed as
    // render lights.
    IDirect3DLight* addDirectionalLight(const Color& color, const Vector& direction);
    IDirect3DLight* addOmniLight(const Color& color, const Vector& position, float range);
    IDirect3DLight* addSpotLight(const Color& color, const Vector& position,
                                 const Vector& direction, float cutoff, float range);
    void removeLight(IDirect3DLight* light);
    void activateLight(IDirect3DLight* light);
    void deactivateLight(IDirect3DLight* light);
    void activateAllLights();
    void deactivateAllLights();
    void setLightColor(IDirect3DLight* light, const Color& color);
    void setLightDirection(IDirect3DLight* light, const Vector& direction);
    void setLightPosition(IDirect3DLight* light, const Vector& position);
    void setLightRange(IDirect3DLight* light, float range);
    void setLightCutoff(IDirect3DLight* light, float cutoff);

    // Around a change of video mode (the view factory calls these).
    void invalidate();
    void restore();

private:
    void createViewport();
    void invalidateViewport();
    // Whether the current device lists the viewport: a new video mode brings
    // a new device.
    bool viewportOnDevice() const;
    void setViewMatrix(const TMatrix& orientation, const Vector& position, float scale);
    void setViewportRect(float x, float y, float width, float height);
    void setProjection(float fov, float aspect, float scale);
    void sendAmbient();
    // Calls `change` on every light attached to the viewport, head first.
    template <typename Change>
    void forEachAttachedLight(Change change);
    template <typename Edit>
    void editLight(IDirect3DLight* light, Edit edit);
    IDirect3DLight* createLight(D3DLIGHT* description);

    D3DVIEWPORT2 viewportData;
    IDirect3DViewport3* pViewport = nullptr;
    D3DMATRIX viewMatrix;
    D3DMATRIX projectionMatrix;
    Color ambient{0.0f, 0.0f, 0.0f, 1.0f};
    std::list<D3DRenderLight*> lights;
    float verticalFactor = 1.0f;
    float horizontalFactor = 1.0f;
    float nearDistance = 1.0f;
    TMatrix cameraRotation;
    Vector cameraTranslation;
    float pointerY = 0.0f;
    float pointerX = 0.0f;
};

// A colour as the device's 32-bit ARGB: each component clamped to [0, 1]
// and rounded to the nearest of 0..255.
DWORD colorToARGB(const Color& color);
