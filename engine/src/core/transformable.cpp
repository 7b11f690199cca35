#include "engine/core/transformable.h"

TMatrix Transformable::getGlobalMatrix() const {
    const TMatrix& local = getLocalMatrix();
    return parent ? parent->getGlobalMatrix() * local : local;
}

Vector Transformable::getGlobalOffset() const {
    const Vector& local = getLocalOffset();
    return parent ? parent->getGlobalMatrix() * local + parent->getGlobalOffset() : local;
}
