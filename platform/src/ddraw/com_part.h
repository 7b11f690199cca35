// A group of interfaces another part of the platform adds to a DirectDraw
// object or a surface (IDirect3D3 on DirectDraw, IDirect3DTexture2 on a
// texture surface). As in DirectX 6 the group is one COM object with its
// owner: its IUnknown methods go to the owner, which creates the part on the
// first query for one of its interfaces and deletes it when the owner dies.
#pragma once

#include <unknwn.h>

namespace platform::ddraw {

class ComPart {
public:
    virtual ~ComPart() = default;
    // The part's interface pointer for `riid` without a new reference, or
    // null when the part does not offer it.
    virtual void* findInterface(REFIID riid) = 0;
};

}  // namespace platform::ddraw
