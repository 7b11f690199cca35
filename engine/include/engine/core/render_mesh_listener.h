// RenderMeshListener: an object that wants to know when the mouse pointer
// enters or leaves it.
#pragma once

class RenderMeshListener {
public:
    explicit RenderMeshListener(int tracePriority = 0) : tracePriority(tracePriority) {}
    virtual ~RenderMeshListener() = default;

    // Called by position: keep the slot order.
    virtual void pointerEntered(RenderMeshListener* previous) { (void)previous; }
    virtual void pointerLeft(RenderMeshListener* next) { (void)next; }

    // Of two candidates under the pointer the higher priority wins.
    int getTracePriority() const { return tracePriority; }
    void setTracePriority(int priority) { tracePriority = priority; }

private:
    int tracePriority;
};
