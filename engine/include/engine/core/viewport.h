// Viewport: the part of the render target a view draws into.
#pragma once

// Position and size are fractions of the render target; the aspect ratio is
// the viewport's width over its height as the screen shows it.
class Viewport {
public:
    Viewport() = default;
    Viewport(float x, float y, float width, float height, float aspect)
        : x(x), y(y), width(width), height(height), aspect(aspect) {}

    float getX() const { return x; }
    float getY() const { return y; }
    float getWidth() const { return width; }
    float getHeight() const { return height; }
    float getAspect() const { return aspect; }

    void setRect(float left, float top, float w, float h) {
        x = left;
        y = top;
        width = w;
        height = h;
    }
    void setAspect(float ratio) { aspect = ratio; }

private:
    float x = 0.0f;
    float y = 0.0f;
    float width = 1.0f;
    float height = 1.0f;
    float aspect = 4.0f / 3.0f;
};
