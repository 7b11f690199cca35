// Takes a surface's clipper off for BltFast, which refuses clipped targets,
// and puts it back: reattach() reports a failure, the destructor (on the way
// out of a failed copy) does it quietly.
#pragma once

#include "rimage.h"

#include <ddraw.h>

#include <functional>

class DetachedClipper {
public:
    // `test` checks (and logs) a DirectDraw result; `detachFailure` is the
    // message thrown when the clipper cannot be taken off.
    DetachedClipper(IDirectDrawSurface4* target, std::function<bool(HRESULT)> test,
                    const char* detachFailure)
        : target(target), test(std::move(test)) {
        if (FAILED(target->GetClipper(&clipper)))
            clipper = nullptr;
        if (clipper && !this->test(target->SetClipper(nullptr))) {
            clipper->Release();
            clipper = nullptr;
            throw DrawException(detachFailure);
        }
    }
    ~DetachedClipper() {
        if (!clipper)
            return;
        target->SetClipper(clipper);
        clipper->Release();
    }
    DetachedClipper(const DetachedClipper&) = delete;
    DetachedClipper& operator=(const DetachedClipper&) = delete;

    void reattach(const char* failure) {
        if (!clipper)
            return;
        IDirectDrawClipper* held = clipper;
        clipper = nullptr;
        const bool attached = test(target->SetClipper(held));
        held->Release();
        if (!attached)
            throw DrawException(failure);
    }

private:
    IDirectDrawSurface4* target;
    std::function<bool(HRESULT)> test;
    IDirectDrawClipper* clipper = nullptr;
};
