// The 2D objects the driver collects during a frame and draws on top of it.
#pragma once

#include <cstdint>

// Both keep their ordering key as their first member: larger keys are drawn
// first, equal keys in the order they were handed to the driver.
class RenderDecal2D {
public:
    explicit RenderDecal2D(std::int32_t key = 0) : key(key) {}
    virtual ~RenderDecal2D() = default;
    virtual void render() = 0;

    std::int32_t getKey() const { return key; }
    void setKey(std::int32_t value) { key = value; }

protected:
    std::int32_t key;
};

class RenderLine {
public:
    explicit RenderLine(std::int32_t key = 0) : key(key) {}
    virtual ~RenderLine() = default;
    virtual void render() = 0;

    std::int32_t getKey() const { return key; }
    void setKey(std::int32_t value) { key = value; }

protected:
    std::int32_t key;
};
