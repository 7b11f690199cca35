// The landscape fog of the spherical world: vertex fog that grows over a span
// of distance, scaled, never thinner than a minimum; the settings dialog
// reads and changes it.
#pragma once

class SphereVertexFogManager {
public:
    float getSpan() const { return span; }
    float getScale() const { return scale; }
    float getMinimum() const { return minimum; }
    bool isEnabled() const { return enabled; }
    void setSpan(float value) { span = value; }
    void setScale(float value) { scale = value; }
    void setMinimum(float value) { minimum = value; }
    void setEnabled(bool value) { enabled = value; }

private:
    float span = 100.0f;
    float scale = 1.0f;
    float minimum = 0.0f;
    bool enabled = true;
};

extern SphereVertexFogManager* theSphereVertexFogManager;
