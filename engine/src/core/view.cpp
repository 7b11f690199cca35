#include "engine/core/view.h"

#include <algorithm>

#include "engine/core/globals.h"
#include "engine/core/render_driver.h"

void View::draw() {
    if (!theRenderDriver || !renderView)
        return;
    theRenderDriver->initView(*renderView);
    drawContent(*renderView);
    // A copy holds every object for the whole pass, so one that unregisters
    // itself (or another) while drawing stays alive until the pass is over.
    const std::vector<RenderObjectKey> drawn = objects;
    for (const RenderObjectKey& key : drawn)
        key->render(*renderView);
    theRenderDriver->termView();
}

void View::registerObject(RenderObject* object) {
    if (object && !isRegistered(object))
        objects.emplace_back(object);
}

void View::unregisterObject(RenderObject* object) {
    const auto it = std::find_if(objects.begin(), objects.end(),
                                 [object](const RenderObjectKey& key) { return key.get() == object; });
    if (it != objects.end())
        objects.erase(it);
}

bool View::isRegistered(const RenderObject* object) const {
    return std::any_of(objects.begin(), objects.end(),
                       [object](const RenderObjectKey& key) { return key.get() == object; });
}
