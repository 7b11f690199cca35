#include <engine/core/globals.h>
#include <engine/core/line.h>
#include <engine/core/render_2d.h>
#include <engine/core/render_line_factory.h>

Line::Line(float xStart, float yStart, float xEnd, float yEnd, int lineWidth, const Color& color,
           float logicalWidth, float logicalHeight)
    : xStart(xStart),
      yStart(yStart),
      xEnd(xEnd),
      yEnd(yEnd),
      lineWidth(lineWidth),
      color(color),
      logicalWidth(logicalWidth),
      logicalHeight(logicalHeight) {
    if (theRenderLineFactory)
        renderLine = theRenderLineFactory->create(*this);
}

Line::~Line() {
    if (renderLine && theRenderLineFactory)
        theRenderLineFactory->destroy(renderLine);
}

void Line::setEnds(float newXStart, float newYStart, float newXEnd, float newYEnd) {
    std::lock_guard<std::recursive_mutex> guard(mutex);
    xStart = newXStart;
    yStart = newYStart;
    xEnd = newXEnd;
    yEnd = newYEnd;
}

void Line::setLineColor(const Color& value) {
    std::lock_guard<std::recursive_mutex> guard(mutex);
    color = value;
}

void Line::setDepth(std::int32_t value) {
    std::lock_guard<std::recursive_mutex> guard(mutex);
    depth = value;
    if (renderLine)
        renderLine->setKey(value);
}

RenderLine::RenderLine(Line& line) : key(line.getDepth()), line(&line) {}
