#include "engine/core/view.h"

#include "engine/core/globals.h"
#include "engine/core/render_driver.h"

void View::draw() {
    if (!theRenderDriver || !renderView)
        return;
    theRenderDriver->initView(*renderView);
    drawContent(*renderView);
    theRenderDriver->termView();
}
