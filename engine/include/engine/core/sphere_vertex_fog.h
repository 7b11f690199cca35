// Landscape fog: the ground of the spherical world fades into the fog colour
// (SEVertexFog::color) with its distance from the eye, so that the curved
// horizon does not end in a hard edge. The engine colours the ground's
// vertices with it; the render settings dialog shows and edits it.
#pragma once

class SphereVertexFogManager {
public:
    bool isEnabled() const { return enabled; }
    void setEnabled(bool on) { enabled = on; }

    // Distance over which the fog grows by `scale`.
    float getSpan() const { return span; }
    // Spans that are not positive are refused (the span stays).
    void setSpan(float distance);
    // Fog gained per span of distance.
    float getScale() const { return scale; }
    // Negative scales are refused.
    void setScale(float value);
    // Least share of the ground's own colour that is kept, 0 .. 1 (clamped).
    float getMinimum() const { return minimum; }
    void setMinimum(float value);

    // Share of the fog colour in a ground vertex at `distance` from the eye:
    // scale x distance / span, at most 1 - minimum; 0 when disabled.
    float fogAt(float distance) const;

private:
    bool enabled = true;
    float span = 100.0f;
    float scale = 1.0f;
    float minimum = 0.0f;
};

// Never null.
extern SphereVertexFogManager* theSphereVertexFogManager;
