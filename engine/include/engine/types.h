// Engine value types shared by the configuration library, the engine core and
// the driver.
#pragma once

#include <cmath>

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

inline Color operator+(const Color& lhs, const Color& rhs) {
    return {lhs.r + rhs.r, lhs.g + rhs.g, lhs.b + rhs.b, lhs.a + rhs.a};
}
// Component by component, as when a colour is tinted by a factor colour.
inline Color operator*(const Color& lhs, const Color& rhs) {
    return {lhs.r * rhs.r, lhs.g * rhs.g, lhs.b * rhs.b, lhs.a * rhs.a};
}
inline Color operator*(const Color& c, float s) {
    return {c.r * s, c.g * s, c.b * s, c.a * s};
}
inline Color operator*(float s, const Color& c) {
    return c * s;
}

// Each component limited to [0, 1]; a NaN component becomes 0 so that packing
// it into a byte stays defined.
inline Color clamped(const Color& c) {
    const auto unit = [](float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; };
    return {unit(c.r), unit(c.g), unit(c.b), unit(c.a)};
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

inline Vector operator+(const Vector& lhs, const Vector& rhs) {
    return {lhs.x + rhs.x, lhs.y + rhs.y, lhs.z + rhs.z};
}
inline Vector operator-(const Vector& lhs, const Vector& rhs) {
    return {lhs.x - rhs.x, lhs.y - rhs.y, lhs.z - rhs.z};
}
inline Vector operator-(const Vector& v) {
    return {-v.x, -v.y, -v.z};
}
inline Vector operator*(const Vector& v, float s) {
    return {v.x * s, v.y * s, v.z * s};
}
inline Vector operator*(float s, const Vector& v) {
    return v * s;
}
inline Vector operator/(const Vector& v, float s) {
    return {v.x / s, v.y / s, v.z / s};
}
inline Vector& operator+=(Vector& lhs, const Vector& rhs) {
    return lhs = lhs + rhs;
}
inline Vector& operator-=(Vector& lhs, const Vector& rhs) {
    return lhs = lhs - rhs;
}
inline Vector& operator*=(Vector& v, float s) {
    return v = v * s;
}

inline float dot(const Vector& lhs, const Vector& rhs) {
    return lhs.x * rhs.x + lhs.y * rhs.y + lhs.z * rhs.z;
}
inline Vector cross(const Vector& lhs, const Vector& rhs) {
    return {lhs.y * rhs.z - lhs.z * rhs.y, lhs.z * rhs.x - lhs.x * rhs.z,
            lhs.x * rhs.y - lhs.y * rhs.x};
}
inline float squaredLength(const Vector& v) {
    return dot(v, v);
}
inline float length(const Vector& v) {
    return std::sqrt(squaredLength(v));
}
// A zero vector has no direction: it stays zero instead of turning into NaNs.
inline Vector normalized(const Vector& v) {
    const float len = length(v);
    return len > 0.0f ? v / len : Vector{};
}
