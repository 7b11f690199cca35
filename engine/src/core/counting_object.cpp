#include "engine/core/counting_object.h"

void CountingObject::addReference() {
    ++referenceCount;
}

void CountingObject::dropReference() {
    if (--referenceCount == 0 && deleteRequested)
        delete this;
}

void CountingObject::requestDeletion() {
    deleteRequested = true;
    if (referenceCount == 0)
        delete this;
}
