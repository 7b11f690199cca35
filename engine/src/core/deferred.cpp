#include "engine/core/deferred.h"

#include <algorithm>
#include <vector>

namespace {

// Touched only by the thread that draws the views.
std::vector<DeferredRenderObject*> renderObjects;
std::vector<DeferredAlphaObjectInterface*> alphaObjects;
bool sortAlpha = true;

// The list is emptied before drawing, so an object may queue others for the
// next view while it draws.
template <typename T>
std::vector<T*> takeAll(std::vector<T*>& list) {
    std::vector<T*> taken;
    taken.swap(list);
    return taken;
}

}  // namespace

void addToDeferredAlphaObjectsList(DeferredAlphaObjectInterface* object) {
    if (object)
        alphaObjects.push_back(object);
}

void addToDeferredRenderObjectsList(DeferredRenderObject* object) {
    if (object)
        renderObjects.push_back(object);
}

// Each object is transformed right before it draws: objects that prepare
// their vertices late (the water surfaces) do it there; the rest do nothing.
void renderDeferredRenderObjects() {
    // Higher keys first: the mirrors' depth fillers (20 and 16) enclose the
    // mirrors (19) and what they reflect (18).
    std::vector<DeferredRenderObject*> objects = takeAll(renderObjects);
    std::stable_sort(objects.begin(), objects.end(),
                     [](const DeferredRenderObject* a, const DeferredRenderObject* b) {
                         return a->deferredKey > b->deferredKey;
                     });
    for (DeferredRenderObject* object : objects) {
        object->transform();
        object->render();
    }
}

void renderDeferredAlphaObjects() {
    std::vector<DeferredAlphaObjectInterface*> objects = takeAll(alphaObjects);
    if (sortAlpha)
        std::stable_sort(objects.begin(), objects.end(),
                         [](const DeferredAlphaObjectInterface* a,
                            const DeferredAlphaObjectInterface* b) { return a->depth > b->depth; });
    for (DeferredAlphaObjectInterface* object : objects) {
        object->transform();
        object->render();
    }
}

void setDeferredAlphaSorting(bool sort) {
    sortAlpha = sort;
}
