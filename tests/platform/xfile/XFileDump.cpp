#include "platform/xfile/XFileDump.h"

#include <cstdio>
#include <cstring>

namespace {

std::string Hex(const void* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    const BYTE* bytes = static_cast<const BYTE*>(data);
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

}  // namespace

HRESULT XFileDump::CreateRuntime(XRef<IDirectXFile>& file) {
    HRESULT hr = DirectXFileCreate(file.Out());
    if (FAILED(hr)) {
        return hr;
    }
    return file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
}

HRESULT XFileDump::Open(IDirectXFile* file, const std::vector<BYTE>& image, XRef<IDirectXFileEnumObject>& enumObject) {
    DXFILELOADMEMORY memory{const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size())};
    return file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, enumObject.Out());
}

std::string XFileDump::NameOf(IDirectXFileObject* object) {
    DWORD length = 0;
    if (FAILED(object->GetName(nullptr, &length)) || length == 0) {
        return "";
    }
    std::string name(length, '\0');
    if (FAILED(object->GetName(name.data(), &length))) {
        return "?";
    }
    name.resize(length - 1);
    return name;
}

void XFileDump::DescribeData(IDirectXFileData* data, int depth, std::string& out) {
    const GUID* type = nullptr;
    data->GetType(&type);
    DWORD size = 0;
    void* bytes = nullptr;
    data->GetData(nullptr, &size, &bytes);
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    out += indent + Hex(type, sizeof(GUID)) + " '" + NameOf(data) + "' ";
    // String members are pointers; describe what the leading ones point at.
    const struct {
        const GUID& type;
        DWORD strings;
    } kLeadingStrings[] = {
        {TID_D3DRMTextureFilename, 1},    {DXFILEOBJ_SkinWeights, 1},      {DXFILEOBJ_EffectInstance, 1},
        {DXFILEOBJ_EffectParamFloats, 1}, {DXFILEOBJ_EffectParamDWord, 1}, {DXFILEOBJ_EffectParamString, 2},
        {DXFILEOBJ_EffectString, 1},
    };
    const BYTE* raw = static_cast<const BYTE*>(bytes);
    for (const auto& leading : kLeadingStrings) {
        for (DWORD i = 0; *type == leading.type && i < leading.strings && size >= sizeof(char*); ++i) {
            const char* text = nullptr;
            std::memcpy(&text, raw, sizeof(text));
            out += std::string("\"") + text + "\" ";
            raw += sizeof(text);
            size -= sizeof(text);
        }
    }
    out += Hex(raw, size);
    out += "\n";
    XRef<IDirectXFileObject> child;
    while (SUCCEEDED(data->GetNextObject(child.Out()))) {
        XRef<IDirectXFileData> childData;
        XRef<IDirectXFileDataReference> reference;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(childData.Out())))) {
            DescribeData(childData.Get(), depth + 1, out);
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference,
                                                   reinterpret_cast<void**>(reference.Out())))) {
            XRef<IDirectXFileData> target;
            HRESULT hr = reference->Resolve(target.Out());
            out += indent + "  -> '" + NameOf(reference.Get()) + "' " +
                   (SUCCEEDED(hr) ? "resolves to '" + NameOf(target.Get()) + "'" : "unresolved") + "\n";
        }
    }
}

namespace {
HRESULT OpenImage(const std::vector<BYTE>& image, XRef<IDirectXFile>& file, XRef<IDirectXFileEnumObject>& enumObject) {
    HRESULT hr = XFileDump::CreateRuntime(file);
    return SUCCEEDED(hr) ? XFileDump::Open(file.Get(), image, enumObject) : hr;
}
}  // namespace

std::string XFileDump::Describe(const std::vector<BYTE>& image) {
    XRef<IDirectXFile> file;
    XRef<IDirectXFileEnumObject> enumObject;
    HRESULT hr = OpenImage(image, file, enumObject);
    if (FAILED(hr)) {
        char text[32];
        std::snprintf(text, sizeof(text), "error 0x%08x", static_cast<unsigned>(hr));
        return text;
    }
    std::string out;
    XRef<IDirectXFileData> data;
    while (SUCCEEDED(enumObject->GetNextDataObject(data.Out()))) {
        DescribeData(data.Get(), 0, out);
    }
    return out;
}

HRESULT XFileDump::CountTopLevel(const std::vector<BYTE>& image, size_t* count) {
    *count = 0;
    XRef<IDirectXFile> file;
    XRef<IDirectXFileEnumObject> enumObject;
    HRESULT hr = OpenImage(image, file, enumObject);
    XRef<IDirectXFileData> data;
    while (SUCCEEDED(hr) && SUCCEEDED(enumObject->GetNextDataObject(data.Out()))) {
        ++*count;
    }
    return hr;
}
