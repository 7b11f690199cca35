// ZBufferFiller: overwrites the whole depth buffer of the view with one
// depth and leaves the colours. Mirrors cut their picture out of the depth
// buffer with two of them: the near one shuts everything out before the
// mirrors mark their area, the far one opens the buffer again afterwards.
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/render_object.h>

#include <cstddef>

class View;

class ZBufferFiller : public DeferredRenderObject, public RenderObject {
public:
    static constexpr int nearKey = 20;
    static constexpr int farKey = 16;

    ZBufferFiller(float depth, int key);

    // The view draws its registered objects: the fill waits for the
    // deferred list.
    void render(RenderView& view) override;
    void render() override;
    void transform() override {}

    float getDepth() const { return depth; }

    static ZBufferFiller& nearFiller();
    static ZBufferFiller& farFiller();

    // The fillers stand in a view while at least one mirror is in it.
    static void registerView(View& view);
    static void unregisterView(View& view);
    // Mirrors counted in the view.
    static int mirrorsIn(const View& view);

private:
    struct Registry;

    float depth;
};
