// The children of an X-file data object in file order: the one loop every
// reader of the file shares, and adapters for what a reader wants of a child.
#pragma once

#include <memory>

#include "platform/xfile/DXFile.h"

// Releases an interface when its holder goes, also when a visit throws (the
// mesh loader lets running out of memory unwind to its entry).
struct XofRelease {
    void operator()(IUnknown* p) const { p->Release(); }
};

// Calls visit(IDirectXFileObject*) with each child of pParent in file order,
// releasing each after its visit, and stops at the first failure. A child the
// runtime cannot hand out ends the walk with onNextFailed(hr).
template <typename Visit, typename OnNextFailed>
HRESULT ForEachChild(IDirectXFileData* pParent, Visit visit, OnNextFailed onNextFailed) {
    for (;;) {
        IDirectXFileObject* pChild = nullptr;
        const HRESULT hrNext = pParent->GetNextObject(&pChild);
        if (hrNext == DXFILEERR_NOMOREOBJECTS) {
            return S_OK;
        }
        if (FAILED(hrNext)) {
            return onNextFailed(hrNext);
        }
        const std::unique_ptr<IDirectXFileObject, XofRelease> held(pChild);
        const HRESULT hr = visit(pChild);
        if (FAILED(hr)) {
            return hr;
        }
    }
}

template <typename Visit>
HRESULT ForEachChild(IDirectXFileData* pParent, Visit visit) {
    return ForEachChild(pParent, visit, [](HRESULT hr) { return hr; });
}

// The child as a data object (one more reference), or null for references
// and binary objects.
inline IDirectXFileData* QueryData(IDirectXFileObject* pChild) {
    IDirectXFileData* pData = nullptr;
    return SUCCEEDED(pChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pData))) ? pData : nullptr;
}

// The data object behind a child: the child itself or the object a reference
// names; S_OK with null for a binary object.
inline HRESULT ResolveData(IDirectXFileObject* pChild, IDirectXFileData** ppData) {
    *ppData = QueryData(pChild);
    IDirectXFileDataReference* pReference = nullptr;
    if (*ppData != nullptr ||
        FAILED(pChild->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&pReference)))) {
        return S_OK;
    }
    const HRESULT hr = pReference->Resolve(ppData);
    pReference->Release();
    return hr;
}

// visit(pData), releasing pData after it.
template <typename Visit>
HRESULT VisitAndRelease(IDirectXFileData* pData, Visit& visit) {
    const std::unique_ptr<IDirectXFileData, XofRelease> held(pData);
    return visit(pData);
}

// visit(IDirectXFileData*) for the children that are data objects; references
// and binary objects are passed over.
template <typename Visit>
auto OnlyData(Visit visit) {
    return [visit](IDirectXFileObject* pChild) mutable -> HRESULT {
        IDirectXFileData* pData = QueryData(pChild);
        return pData != nullptr ? VisitAndRelease(pData, visit) : S_OK;
    };
}

// visit(IDirectXFileData*) for the data children and the objects references
// name; a reference that does not resolve ends the walk, binary objects are
// passed over.
template <typename Visit>
auto ResolvingReferences(Visit visit) {
    return [visit](IDirectXFileObject* pChild) mutable -> HRESULT {
        IDirectXFileData* pData = nullptr;
        const HRESULT hr = ResolveData(pChild, &pData);
        if (FAILED(hr) || pData == nullptr) {
            return hr;
        }
        return VisitAndRelease(pData, visit);
    };
}

// visit(const GUID& type, IDirectXFileData*) for a data object with its type;
// one whose type cannot be read ends the walk with that error.
template <typename Visit>
auto WithType(Visit visit) {
    return [visit](IDirectXFileData* pData) mutable -> HRESULT {
        const GUID* pType = nullptr;
        const HRESULT hr = pData->GetType(&pType);
        if (FAILED(hr) || pType == nullptr) {
            return hr;
        }
        return visit(*pType, pData);
    };
}
