// What every resource of a device shares: its device, pool, usage, reference
// counts, a change counter and one slot for the backend's own objects.
#pragma once

#include "platform/d3d/D3D8.h"

class DeviceCore;

class ResourceBase {
public:
    ResourceBase(DeviceCore* device, D3DRESOURCETYPE type, D3DPOOL pool, DWORD usage);
    ResourceBase(const ResourceBase&) = delete;
    ResourceBase& operator=(const ResourceBase&) = delete;

    DeviceCore* Device() const { return m_pDevice; }
    D3DRESOURCETYPE ResourceType() const { return m_type; }
    D3DPOOL Pool() const { return m_pool; }
    DWORD Usage() const { return m_dwUsage; }

    // Bumped at every unlock that may have changed the contents, so a backend
    // re-uploads only when the number differs from the one it uploaded.
    DWORD Version() const { return m_dwVersion; }
    void BumpVersion() { ++m_dwVersion; }

    // Owned by the backend; the backend's ReleaseResource frees it when the
    // resource is destroyed.
    void* BackendData() const { return m_pBackendData; }
    void SetBackendData(void* data) { m_pBackendData = data; }

    // Reference counts the program sees. While it is above zero the resource
    // holds a reference on its device.
    ULONG PublicRefCount() const { return m_ulRefs; }

    // References held by the device state and state blocks. They keep the
    // object alive after the program's last Release without counting as a
    // program reference (so they never pin the device).
    void Bind() { ++m_ulBinds; }
    void Unbind();

protected:
    virtual ~ResourceBase();

    // The bodies every resource interface shares: no other interfaces, and
    // the device handed out with a reference.
    static HRESULT NoOtherInterface(void** object);
    HRESULT GiveDevice(IDirect3DDevice8** device) const;

    ULONG AddRefResource();
    ULONG ReleaseResource();

private:
    void DestroyIfUnused();

    DeviceCore* m_pDevice;
    D3DRESOURCETYPE m_type;
    D3DPOOL m_pool;
    DWORD m_dwUsage;
    DWORD m_dwVersion = 0;
    void* m_pBackendData = nullptr;
    ULONG m_ulRefs = 1;
    ULONG m_ulBinds = 0;
};
