// Engine value types shared by the configuration library, the engine core and
// the driver.
#pragma once

// An RGBA colour with float components, nominally in [0, 1].
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    Color() = default;
    Color(float red, float green, float blue, float alpha = 1.0f)
        : r(red), g(green), b(blue), a(alpha) {}
};

inline bool operator==(const Color& lhs, const Color& rhs) {
    return lhs.r == rhs.r && lhs.g == rhs.g && lhs.b == rhs.b && lhs.a == rhs.a;
}
inline bool operator!=(const Color& lhs, const Color& rhs) {
    return !(lhs == rhs);
}

// A point or direction in three dimensions.
struct Vector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector() = default;
    Vector(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {}
};

inline bool operator==(const Vector& lhs, const Vector& rhs) {
    return lhs.x == rhs.x && lhs.y == rhs.y && lhs.z == rhs.z;
}
inline bool operator!=(const Vector& lhs, const Vector& rhs) {
    return !(lhs == rhs);
}
