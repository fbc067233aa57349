// Feeds arbitrary bytes to the X-file runtime the way the loaders use it: the
// standard templates registered, an enumerator from memory, then every object,
// name, member block, child and reference visited. Any input must either be
// refused with a runtime error or give objects whose members lie inside their data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/xfile/DXFile.h"

namespace {

constexpr int kMaxVisitDepth = 256;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void VisitName(IDirectXFileObject* object) {
    DWORD length = 0;
    Check(SUCCEEDED(object->GetName(nullptr, &length)));
    if (length > 0) {
        char* name = new char[length];
        DWORD copied = length;
        Check(SUCCEEDED(object->GetName(name, &copied)));
        Check(copied == length && name[length - 1] == '\0' && std::strlen(name) == length - 1);
        delete[] name;
    }
    GUID id;
    Check(SUCCEEDED(object->GetId(&id)));
}

void VisitData(IDirectXFileData* data, int depth) {
    Check(depth < kMaxVisitDepth);
    VisitName(data);
    const GUID* type = nullptr;
    Check(SUCCEEDED(data->GetType(&type)) && type != nullptr);
    DWORD size = 0;
    void* bytes = nullptr;
    Check(SUCCEEDED(data->GetData(nullptr, &size, &bytes)));
    // Touch every byte so the sanitizers see any block that is not what it claims.
    volatile BYTE sum = 0;
    for (DWORD i = 0; i < size; ++i) {
        sum = static_cast<BYTE>(sum + static_cast<const BYTE*>(bytes)[i]);
    }
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child))) {
        IDirectXFileData* childData = nullptr;
        IDirectXFileDataReference* reference = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
            VisitData(childData, depth + 1);
            childData->Release();
        } else if (SUCCEEDED(
                       child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
            VisitName(reference);
            IDirectXFileData* target = nullptr;
            if (SUCCEEDED(reference->Resolve(&target))) {
                const GUID* targetType = nullptr;
                Check(SUCCEEDED(target->GetType(&targetType)));
                target->Release();
            }
            reference->Release();
        } else {
            std::abort();  // every child is a data object or a reference
        }
        child->Release();
    }
}

bool IsRuntimeError(HRESULT hr) {
    return ((static_cast<DWORD>(hr) >> 16) & 0x1FFF) == 0x876;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IDirectXFile* file = nullptr;
    Check(SUCCEEDED(DirectXFileCreate(&file)));
    Check(SUCCEEDED(file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES)));
    DXFILELOADMEMORY memory{const_cast<std::uint8_t*>(data), static_cast<DWORD>(size)};
    IDirectXFileEnumObject* enumObject = nullptr;
    HRESULT hr = file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject);
    if (FAILED(hr)) {
        Check(IsRuntimeError(hr) && enumObject == nullptr);
        file->Release();
        return 0;
    }
    IDirectXFileData* top = nullptr;
    while (SUCCEEDED(enumObject->GetNextDataObject(&top))) {
        VisitData(top, 0);
        top->Release();
    }
    enumObject->Release();
    // The same bytes as a template block: refused or registered, never harmful.
    if (size > 0) {
        file->RegisterTemplates(data, static_cast<DWORD>(size));
    }
    file->Release();
    return 0;
}
