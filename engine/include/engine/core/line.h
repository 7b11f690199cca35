// A screen line in logical screen coordinates, drawn by the driver on top of
// the frame. It asks the driver's line factory for its render side when made.
#pragma once

#include <engine/types.h>

#include <cstdint>
#include <mutex>

class RenderLine;

class Line {
public:
    Line(float xStart, float yStart, float xEnd, float yEnd, int lineWidth, const Color& color,
         float logicalWidth, float logicalHeight);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // The game may move a line while the driver draws it: readers that need
    // a consistent line hold its lock.
    void lock() const { mutex.lock(); }
    void unlock() const { mutex.unlock(); }

    float getXStart() const { return xStart; }
    float getYStart() const { return yStart; }
    float getXEnd() const { return xEnd; }
    float getYEnd() const { return yEnd; }
    int getLineWidth() const { return lineWidth; }
    const Color& getLineColor() const { return color; }
    float getScreenLogicalWidth() const { return logicalWidth; }
    float getScreenLogicalHeight() const { return logicalHeight; }

    void setEnds(float newXStart, float newYStart, float newXEnd, float newYEnd);
    void setLineColor(const Color& value);

    // Lines of a larger depth are drawn first.
    std::int32_t getDepth() const { return depth; }
    void setDepth(std::int32_t value);

    // Null without a line factory.
    RenderLine* getRenderLine() const { return renderLine; }

private:
    mutable std::recursive_mutex mutex;
    float xStart, yStart, xEnd, yEnd;
    int lineWidth;
    Color color;
    float logicalWidth, logicalHeight;
    std::int32_t depth = 0;
    RenderLine* renderLine = nullptr;
};
