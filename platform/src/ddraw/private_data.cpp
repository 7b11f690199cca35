#include "ddraw/private_data.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform::ddraw {

std::vector<PrivateDataStore::Entry>::iterator PrivateDataStore::find(REFGUID tag) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const Entry& e) { return e.tag == tag; });
}

HRESULT PrivateDataStore::set(REFGUID tag, const void* data, DWORD size, DWORD flags,
                              DWORD uniqueness) {
    if (flags & ~(DDSPD_IUNKNOWNPOINTER | DDSPD_VOLATILE))
        return DDERR_INVALIDPARAMS;
    Entry entry{tag, {}, nullptr, (flags & DDSPD_VOLATILE) != 0, uniqueness};
    if (flags & DDSPD_IUNKNOWNPOINTER) {
        // The data is the interface pointer itself.
        if (!data || size != sizeof(IUnknown*))
            return DDERR_INVALIDPARAMS;
        entry.object = static_cast<IUnknown*>(const_cast<void*>(data));
        entry.object->AddRef();
    } else {
        if (!data && size)
            return DDERR_INVALIDPARAMS;
        const BYTE* bytes = static_cast<const BYTE*>(data);
        entry.bytes.assign(bytes, bytes + size);
    }
    IUnknown* replaced = nullptr;
    const auto it = find(tag);
    if (it != entries_.end()) {
        replaced = it->object;
        *it = std::move(entry);
    } else {
        entries_.push_back(std::move(entry));
    }
    // Released last: the old object may be the new one.
    if (replaced)
        replaced->Release();
    return DD_OK;
}

HRESULT PrivateDataStore::get(REFGUID tag, void* buffer, DWORD* size, DWORD uniqueness) const {
    if (!size)
        return DDERR_INVALIDPARAMS;
    const auto it = const_cast<PrivateDataStore*>(this)->find(tag);
    if (it == entries_.end())
        return DDERR_NOTFOUND;
    if (it->isVolatile && it->uniqueness != uniqueness)
        return DDERR_EXPIRED;
    const DWORD needed =
        it->object ? DWORD(sizeof(IUnknown*)) : static_cast<DWORD>(it->bytes.size());
    if (!buffer || *size < needed) {
        *size = needed;
        return DDERR_MOREDATA;
    }
    if (it->object)
        std::memcpy(buffer, &it->object, sizeof(IUnknown*));
    else if (needed)
        std::memcpy(buffer, it->bytes.data(), needed);
    *size = needed;
    return DD_OK;
}

HRESULT PrivateDataStore::free(REFGUID tag) {
    const auto it = find(tag);
    if (it == entries_.end())
        return DDERR_NOTFOUND;
    IUnknown* object = it->object;
    entries_.erase(it);
    if (object)
        object->Release();
    return DD_OK;
}

void PrivateDataStore::clear() {
    // Taken out first, so a release that reaches back here finds nothing.
    std::vector<Entry> old;
    old.swap(entries_);
    for (Entry& e : old)
        if (e.object)
            e.object->Release();
}

}  // namespace platform::ddraw
