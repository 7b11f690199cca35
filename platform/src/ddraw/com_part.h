// A group of interfaces another part of the platform adds to a DirectDraw
// object or a surface (IDirect3D3 on DirectDraw, IDirect3DTexture2 on a
// texture surface). As in DirectX 6 the group is one COM object with its
// owner: its IUnknown methods go to the owner, which creates the part on the
// first query for one of its interfaces and deletes it when the owner dies.
#pragma once

#include <unknwn.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform::ddraw {

class ComPart {
public:
    virtual ~ComPart() = default;
    // The part's interface pointer for `riid` without a new reference, or
    // null when the part does not offer it.
    virtual void* findInterface(REFIID riid) = 0;
};

// An owner's registered part makers: the interfaces each part offers and the
// function that makes it for an owner.
template <typename Owner, typename Make>
struct PartFactory {
    std::vector<IID> iids;
    Make make;
};

// `riid` from the owner's parts, making the part that offers it on the first
// query; null when no part offers it. Called with ddrawMutex() held.
template <typename Owner, typename Make>
void* findPartInterface(Owner& owner, std::vector<std::unique_ptr<ComPart>>& parts,
                        const std::vector<PartFactory<Owner, Make>>& factories, REFIID riid) {
    for (const auto& part : parts)
        if (void* found = part->findInterface(riid))
            return found;
    for (const auto& factory : factories) {
        if (std::find(factory.iids.begin(), factory.iids.end(), riid) == factory.iids.end())
            continue;
        std::unique_ptr<ComPart> part = factory.make(owner);
        if (!part)
            return nullptr;
        void* found = part->findInterface(riid);
        parts.push_back(std::move(part));
        return found;
    }
    return nullptr;
}

}  // namespace platform::ddraw
