// The 2D objects the driver collects during a frame and draws on top of it.
#pragma once

#include <cstdint>

class Decal2D;
class Line;

// Both keep their ordering key as their first member: larger keys are drawn
// first, equal keys in the order they were handed to the driver. Virtual
// operations are in their binding slot order.
class RenderDecal2D {
public:
    explicit RenderDecal2D(std::int32_t key = 0) : key(key) {}
    // The key is the decal's depth.
    explicit RenderDecal2D(Decal2D& decal);

    virtual void render() = 0;
    virtual void transform() {}
    virtual ~RenderDecal2D() = default;
    virtual void update(int) {}

    std::int32_t getKey() const { return key; }
    void setKey(std::int32_t value) { key = value; }
    // Null for an object not made for a decal.
    Decal2D* getBaseDecal() const { return decal; }

protected:
    std::int32_t key;
    Decal2D* decal = nullptr;
};

class RenderLine {
public:
    explicit RenderLine(std::int32_t key = 0) : key(key) {}
    // The key is the line's depth.
    explicit RenderLine(Line& line);

    virtual void render() = 0;
    virtual void transform() {}
    virtual ~RenderLine() = default;

    std::int32_t getKey() const { return key; }
    void setKey(std::int32_t value) { key = value; }
    // Null for an object not made for a line.
    Line* getBaseLine() const { return line; }

protected:
    std::int32_t key;
    Line* line = nullptr;
};
