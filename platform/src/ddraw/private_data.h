// The private data a program tags a surface with: bytes copied in, or an
// interface pointer the store holds a reference to (DDSPD_IUNKNOWNPOINTER).
// Volatile entries (DDSPD_VOLATILE) expire when the surface's contents change.
#pragma once

#include <ddraw.h>

#include <vector>

namespace platform::ddraw {

class PrivateDataStore {
public:
    PrivateDataStore() = default;
    PrivateDataStore(const PrivateDataStore&) = delete;
    PrivateDataStore& operator=(const PrivateDataStore&) = delete;
    ~PrivateDataStore() { clear(); }

    // `uniqueness` is the surface's uniqueness value now.
    HRESULT set(REFGUID tag, const void* data, DWORD size, DWORD flags, DWORD uniqueness);
    HRESULT get(REFGUID tag, void* buffer, DWORD* size, DWORD uniqueness) const;
    HRESULT free(REFGUID tag);
    // Drops every entry, releasing the interfaces held.
    void clear();

private:
    struct Entry {
        GUID tag;
        std::vector<BYTE> bytes;
        IUnknown* object = nullptr;  // one reference, for DDSPD_IUNKNOWNPOINTER
        bool isVolatile = false;
        DWORD uniqueness = 0;
    };

    std::vector<Entry>::iterator find(REFGUID tag);

    std::vector<Entry> entries_;
};

}  // namespace platform::ddraw
