// The driver's factory of lines' render sides.
#pragma once

class Line;
class RenderLine;

// Virtual operations in their binding slot order.
class RenderLineFactory {
public:
    virtual ~RenderLineFactory() = default;
    virtual RenderLine* create(Line& line) = 0;
    virtual void destroy(RenderLine* line) = 0;
};
