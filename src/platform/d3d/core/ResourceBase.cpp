#include "platform/d3d/core/ResourceBase.h"

#include "platform/d3d/core/DeviceCore.h"

ResourceBase::ResourceBase(DeviceCore* device, D3DRESOURCETYPE type, D3DPOOL pool, DWORD usage)
    : m_pDevice(device), m_type(type), m_pool(pool), m_dwUsage(usage) {
    m_pDevice->AddRef();
    m_pDevice->OnResourceCreated(*this);
}

ResourceBase::~ResourceBase() {
    m_pDevice->OnResourceDestroyed(*this);
}

ULONG ResourceBase::AddRefResource() {
    if (m_ulRefs == 0) {
        // Handed out again (GetTexture) after the program's last Release while
        // the device still held it bound: it is the program's again.
        m_pDevice->AddRef();
        m_pDevice->OnResourceCreated(*this);
    }
    return ++m_ulRefs;
}

ULONG ResourceBase::ReleaseResource() {
    if (m_ulRefs == 0) {
        return 0;
    }
    const ULONG left = --m_ulRefs;
    if (left > 0) {
        return left;
    }
    DeviceCore* device = m_pDevice;
    device->OnResourceOrphaned(*this);
    if (m_ulBinds == 0) {
        delete this;
    }
    // Last: this may destroy the device, which unbinds (and so destroys) us.
    device->Release();
    return 0;
}

void ResourceBase::Unbind() {
    if (m_ulBinds > 0) {
        --m_ulBinds;
    }
    DestroyIfUnused();
}

void ResourceBase::DestroyIfUnused() {
    if (m_ulBinds == 0 && m_ulRefs == 0) {
        delete this;
    }
}

HRESULT ResourceBase::NoOtherInterface(void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

HRESULT ResourceBase::GiveDevice(IDirect3DDevice8** device) const {
    if (device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_pDevice->AddRef();
    *device = m_pDevice;
    return D3D_OK;
}
