// The deferred lists: objects queued during a view and drawn at its end, the
// opaque ones first, then the translucent ones.
#pragma once

#include <cstdint>

class DeferredRenderObject {
public:
    DeferredRenderObject() = default;
    DeferredRenderObject(const DeferredRenderObject&) = default;
    DeferredRenderObject& operator=(const DeferredRenderObject&) = default;

    // Called by position: keep the slot order.
    virtual void render() = 0;
    virtual void transform() = 0;
    virtual ~DeferredRenderObject() = default;

    std::int32_t deferredKey = 0;
};

class DeferredAlphaObjectInterface : public DeferredRenderObject {
public:
    // Distance beyond the near plane along the view axis; larger is farther.
    // Whoever queues the object sets it first.
    float depth;
};

void addToDeferredAlphaObjectsList(DeferredAlphaObjectInterface* object);
void addToDeferredRenderObjectsList(DeferredRenderObject* object);
// Draw the list by deferred key, highest first (equal keys in insertion
// order), each object transformed and then rendered, and empty it.
void renderDeferredRenderObjects();
// Draw the list, far to near when sorting is on (else in insertion order),
// and empty it.
void renderDeferredAlphaObjects();
// Whether the alpha list is sorted; on by default.
void setDeferredAlphaSorting(bool sort);
