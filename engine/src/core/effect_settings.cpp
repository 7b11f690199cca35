#include "engine/core/effect_settings.h"
#include "engine/core/effect_interfaces.h"

bool SEVertexFog::enabled = false;
float SEVertexFog::start = 50.0f;
float SEVertexFog::end = 100.0f;
Color SEVertexFog::color = Color(0.5f, 0.5f, 0.5f, 1.0f);

int SEContour::contourType = SEContour::OUTLINE;

bool ModelSelectionInterface::force_contour_z_fix = false;
