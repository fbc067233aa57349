// A text X file in memory (the header is added), or a whole file image of any
// encoding, opened through the X-file runtime with the standard templates; hands
// out its first top-level object, or the first one of the given type at any depth.
#pragma once

#include <string>
#include <vector>

#include "platform/xfile/DXFile.h"

class XText {
public:
    explicit XText(const std::string& body, const GUID* type = nullptr) : XText(std::vector<BYTE>(), body, type) {}
    XText(const std::vector<BYTE>& image, const GUID& type) : XText(image, "", &type) {}
    ~XText() {
        if (m_pData != nullptr) {
            m_pData->Release();
        }
        if (m_pEnum != nullptr) {
            m_pEnum->Release();
        }
        if (m_pFile != nullptr) {
            m_pFile->Release();
        }
    }
    XText(const XText&) = delete;
    XText& operator=(const XText&) = delete;

    IDirectXFileData* Data() const { return m_pData; }

private:
    XText(const std::vector<BYTE>& image, const std::string& body, const GUID* type)
        : m_text(image.empty() ? "xof 0303txt 0032\n" + body : std::string(image.begin(), image.end())) {
        if (FAILED(DirectXFileCreate(&m_pFile))) {
            return;
        }
        m_pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
        DXFILELOADMEMORY memory{m_text.data(), static_cast<DWORD>(m_text.size())};
        if (FAILED(m_pFile->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &m_pEnum))) {
            return;
        }
        IDirectXFileData* top = nullptr;
        while (m_pData == nullptr && SUCCEEDED(m_pEnum->GetNextDataObject(&top))) {
            if (type == nullptr) {
                m_pData = top;
            } else {
                m_pData = FindFirst(top, *type);
                top->Release();
            }
        }
    }

    // The object itself or a data object below it, with a reference of its own; null if none.
    static IDirectXFileData* FindFirst(IDirectXFileData* data, const GUID& type) {
        const GUID* own = nullptr;
        if (SUCCEEDED(data->GetType(&own)) && *own == type) {
            data->AddRef();
            return data;
        }
        IDirectXFileData* found = nullptr;
        IDirectXFileObject* child = nullptr;
        while (found == nullptr && SUCCEEDED(data->GetNextObject(&child))) {
            IDirectXFileData* childData = nullptr;
            if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
                found = FindFirst(childData, type);
                childData->Release();
            }
            child->Release();
        }
        return found;
    }

    std::string m_text;
    IDirectXFile* m_pFile = nullptr;
    IDirectXFileEnumObject* m_pEnum = nullptr;
    IDirectXFileData* m_pData = nullptr;
};
