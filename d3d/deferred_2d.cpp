#include "deferred_2d.h"

void Deferred2DList::add(RenderDecal2D* decal) {
    if (decal)
        objects.insert(Entry{decal->getKey(), decal, nullptr});
}

void Deferred2DList::add(RenderLine* line) {
    if (line)
        objects.insert(Entry{line->getKey(), nullptr, line});
}

void Deferred2DList::drawAll() const {
    for (const Entry& entry : objects) {
        if (entry.decal)
            entry.decal->render();
        else
            entry.line->render();
    }
}
