// IDirect3DVertexBuffer: vertices in system memory, and for processed
// buffers the clip code of every vertex that ProcessVertices wrote.
#pragma once

#include <d3d.h>

#include <atomic>
#include <vector>

namespace platform::d3d::device {

class VertexBuffer final : public IDirect3DVertexBuffer {
public:
    // D3DERR_INVALIDVERTEXFORMAT or DDERR_INVALIDPARAMS for a bad description.
    static HRESULT create(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** out);
    static VertexBuffer* fromInterface(IDirect3DVertexBuffer* buffer);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Lock(DWORD flags, LPVOID* data, LPDWORD size) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE ProcessVertices(DWORD operation, DWORD destIndex, DWORD count,
                                              LPDIRECT3DVERTEXBUFFER source, DWORD sourceIndex,
                                              LPDIRECT3DDEVICE3 device, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetVertexBufferDesc(LPD3DVERTEXBUFFERDESC desc) override;
    HRESULT STDMETHODCALLTYPE Optimize(LPDIRECT3DDEVICE3 device, DWORD flags) override;

    DWORD fvf() const { return desc_.dwFVF; }
    DWORD vertexCount() const { return desc_.dwNumVertices; }
    const BYTE* data() const { return data_.data(); }
    // Null when the buffer never received processed vertices.
    const DWORD* clipCodes() const { return clipCodes_.empty() ? nullptr : clipCodes_.data(); }
    bool locked() const { return locked_; }

private:
    explicit VertexBuffer(const D3DVERTEXBUFFERDESC& desc, DWORD vertexSize);
    ~VertexBuffer() = default;

    std::atomic<ULONG> refs_{1};
    D3DVERTEXBUFFERDESC desc_;
    std::vector<BYTE> data_;
    std::vector<DWORD> clipCodes_;
    bool locked_ = false;
    bool optimized_ = false;
};

}  // namespace platform::d3d::device
