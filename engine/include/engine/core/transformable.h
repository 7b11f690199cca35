// Transformable: an object placed in the world by a rotation and an offset,
// either on its own or relative to a parent.
#pragma once

#include "engine/core/tmatrix.h"

class Transformable {
public:
    Transformable() = default;
    Transformable(const Transformable&) = default;
    Transformable& operator=(const Transformable&) = default;

    // Called by position: keep the slot order.
    // World placement: the parent's placement applied to the local one.
    virtual TMatrix getGlobalMatrix() const;
    virtual Vector getGlobalOffset() const;
    virtual const TMatrix& getLocalMatrix() const { return localMatrix; }
    virtual const Vector& getLocalOffset() const { return localOffset; }
    virtual void setLocalMatrix(const TMatrix& m) { localMatrix = m; }
    virtual void setLocalOffset(const Vector& v) { localOffset = v; }
    // Not owned; the parent must outlive the link or be unset first.
    virtual void setParent(const Transformable* p) { parent = p; }
    virtual const Transformable* getParent() const { return parent; }
    virtual ~Transformable() = default;

    void setTransformation(const TMatrix& m, const Vector& v) {
        setLocalMatrix(m);
        setLocalOffset(v);
    }

private:
    TMatrix localMatrix;
    Vector localOffset;
    const Transformable* parent = nullptr;
};
