// Helpers of the mesh effects that draw a mesh again over itself.
#pragma once

#include "../states.h"

#include <engine/core/render_mesh_interface.h>

#include <vector>

class D3DOneLevelRenderMesh;

// The driver's mesh at the end of a chain, or null (a chain without a mesh,
// or a mesh of another driver).
D3DOneLevelRenderMesh* driverMesh(RenderMeshInterface& chain);

// Draws every set of the mesh's processed vertices of this frame again,
// with the states in force; nothing when the buffer is not valid.
void overdrawMesh(const D3DOneLevelRenderMesh& mesh);

// Pushes the states it is given and pops them when it goes.
class StateScope {
public:
    StateScope() = default;
    ~StateScope();
    StateScope(const StateScope&) = delete;
    StateScope& operator=(const StateScope&) = delete;

    void set(RenderStateType type, DWORD value);
    void set(TextureStageStateType type, int stage, DWORD value);

private:
    std::vector<RenderStateType> renderStates;
    std::vector<std::pair<TextureStageStateType, int>> stageStates;
};

// Stage 0 gives the texture factor's colour and alpha, stage 1 is off and
// no texture is bound.
void setFlatColor(StateScope& scope, DWORD argb);
