// The 2D decals and lines of a frame, drawn on top of it at its end.
#pragma once

#include <engine/core/render_2d.h>

#include <cstddef>
#include <cstdint>
#include <set>

// Ordered by the objects' keys, larger first; equal keys keep the order in
// which they were added. The objects are not owned.
class Deferred2DList {
public:
    // Null objects are ignored.
    void add(RenderDecal2D* decal);
    void add(RenderLine* line);

    // Calls render() on each object in order. An exception from an object
    // leaves this function: the objects after it are not drawn.
    void drawAll() const;
    void clear() { objects.clear(); }
    std::size_t size() const { return objects.size(); }

private:
    struct Entry {
        std::int32_t key;
        RenderDecal2D* decal;  // exactly one of the two is set
        RenderLine* line;
    };
    struct LargerKeyFirst {
        bool operator()(const Entry& a, const Entry& b) const { return a.key > b.key; }
    };

    // A multiset inserts an equal key after the ones already there.
    std::multiset<Entry, LargerKeyFirst> objects;
};
