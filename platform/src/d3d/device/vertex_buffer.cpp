#include "d3d/device/vertex_buffer.h"

#include "core/call_log.h"
#include "d3d/device/device.h"
#include "d3d/vertex/fvf.h"
#include "d3d/vertex/process.h"

namespace platform::d3d::device {

HRESULT VertexBuffer::create(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** out) {
    if (desc.dwSize != sizeof(D3DVERTEXBUFFERDESC) || desc.dwNumVertices == 0 ||
        desc.dwNumVertices > D3DMAXNUMVERTICES)
        return DDERR_INVALIDPARAMS;
    const DWORD size = vertex::fvfVertexSize(desc.dwFVF);
    if (size == 0)
        return D3DERR_INVALIDVERTEXFORMAT;
    *out = new VertexBuffer(desc, size);
    return D3D_OK;
}

VertexBuffer::VertexBuffer(const D3DVERTEXBUFFERDESC& desc, DWORD vertexSize)
    : desc_(desc), data_(static_cast<size_t>(vertexSize) * desc.dwNumVertices) {
    // Every buffer lives in system memory whatever was asked.
    desc_.dwCaps = (desc.dwCaps & ~D3DVBCAPS_OPTIMIZED) | D3DVBCAPS_SYSTEMMEMORY;
}

VertexBuffer* VertexBuffer::fromInterface(IDirect3DVertexBuffer* buffer) {
    return dynamic_cast<VertexBuffer*>(buffer);
}

HRESULT VertexBuffer::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DVertexBuffer) {
        AddRef();
        *object = static_cast<IDirect3DVertexBuffer*>(this);
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

ULONG VertexBuffer::AddRef() {
    core::countCall("IDirect3DVertexBuffer::AddRef", {});
    return ++refs_;
}

ULONG VertexBuffer::Release() {
    core::countCall("IDirect3DVertexBuffer::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT VertexBuffer::Lock(DWORD flags, LPVOID* data, LPDWORD size) {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::Lock", flags, (ULONG_PTR)data, (ULONG_PTR)size);
    if (!data)
        return DDERR_INVALIDPARAMS;
    if (optimized_)
        return D3DERR_VERTEXBUFFEROPTIMIZED;
    if (locked_)
        return D3DERR_VERTEXBUFFERLOCKED;
    locked_ = true;
    *data = data_.data();
    if (size)
        *size = static_cast<DWORD>(data_.size());
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock() {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::Unlock");
    if (!locked_)
        return DDERR_NOTLOCKED;
    locked_ = false;
    return D3D_OK;
}

HRESULT VertexBuffer::ProcessVertices(DWORD operation, DWORD destIndex, DWORD count,
                                      LPDIRECT3DVERTEXBUFFER source, DWORD sourceIndex,
                                      LPDIRECT3DDEVICE3 device, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::ProcessVertices", operation, destIndex, count,
                         (ULONG_PTR)source, sourceIndex, (ULONG_PTR)device, flags);
    VertexBuffer* src = source ? fromInterface(source) : nullptr;
    Device* dev = device ? Device::fromInterface(device) : nullptr;
    if (!src || !dev)
        return DDERR_INVALIDPARAMS;
    if (locked_ || src->locked_)
        return D3DERR_VERTEXBUFFERLOCKED;
    if (optimized_)
        return D3DERR_VERTEXBUFFEROPTIMIZED;
    if (clipCodes_.empty())
        clipCodes_.assign(desc_.dwNumVertices, 0);
    vertex::ProcessRequest request;
    request.operations = operation;
    request.flags = flags;
    request.sourceIndex = sourceIndex;
    request.destinationIndex = destIndex;
    request.count = count;
    const vertex::SourceVertices from{src->data_.data(), src->desc_.dwFVF, src->desc_.dwNumVertices};
    const vertex::DestinationVertices to{data_.data(), desc_.dwFVF, desc_.dwNumVertices,
                                         clipCodes_.data()};
    return dev->process(request, from, to);
}

HRESULT VertexBuffer::GetVertexBufferDesc(LPD3DVERTEXBUFFERDESC desc) {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::GetVertexBufferDesc", (ULONG_PTR)desc);
    if (!desc || desc->dwSize != sizeof(D3DVERTEXBUFFERDESC))
        return DDERR_INVALIDPARAMS;
    *desc = desc_;
    return D3D_OK;
}

HRESULT VertexBuffer::Optimize(LPDIRECT3DDEVICE3 device, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DVertexBuffer::Optimize", (ULONG_PTR)device, flags);
    if (!device)
        return DDERR_INVALIDPARAMS;
    if (locked_)
        return D3DERR_VERTEXBUFFERLOCKED;
    if (optimized_)
        return D3DERR_VERTEXBUFFEROPTIMIZED;
    optimized_ = true;
    desc_.dwCaps |= D3DVBCAPS_OPTIMIZED;
    return D3D_OK;
}

}  // namespace platform::d3d::device
