// Reads a file image through the public runtime calls and describes everything
// a loader could see, so two encodings of one model can be compared whole.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/xfile/DXFile.h"

// A text file's bytes, and a value read from data bytes at an offset.
inline std::vector<BYTE> Bytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}
template <typename T>
T At(const void* bytes, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const BYTE*>(bytes) + offset, sizeof(T));
    return value;
}

// Releases an interface when it goes out of scope.
template <typename T>
class XRef {
public:
    XRef() = default;
    ~XRef() { Reset(); }
    XRef(const XRef&) = delete;
    XRef& operator=(const XRef&) = delete;
    T** Out() {
        Reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset() {
        if (m_p != nullptr) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

class XFileDump {
public:
    // A runtime with the standard templates registered.
    static HRESULT CreateRuntime(XRef<IDirectXFile>& file);
    // Opens an enumerator on an in-memory image.
    static HRESULT Open(IDirectXFile* file, const std::vector<BYTE>& image, XRef<IDirectXFileEnumObject>& enumObject);
    // The whole file as text, or "error 0x..." when it cannot be read.
    static std::string Describe(const std::vector<BYTE>& image);
    // Number of top-level objects, or the failure.
    static HRESULT CountTopLevel(const std::vector<BYTE>& image, size_t* count);
    static std::string NameOf(IDirectXFileObject* object);

private:
    static void DescribeData(IDirectXFileData* data, int depth, std::string& out);
};
