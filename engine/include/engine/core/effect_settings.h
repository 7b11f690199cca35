// Engine-wide settings that effects read: the vertex fog of the scene and
// how a selected model is marked.
#pragma once

#include "engine/types.h"

// Fog that fades vertices towards a colour between two camera distances.
struct SEVertexFog {
    static bool enabled;
    static float start;
    static float end;
    static Color color;
};

struct SEContour {
    enum Type { OUTLINE = 0, HIGHLIGHT = 1, OUTLINE_AND_HIGHLIGHT = 2 };
    // How Contour marks the selected model.
    static int contourType;
};
