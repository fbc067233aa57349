#include "platform/xfile/XFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "platform/kernel/Kernel.h"
#include "platform/xfile/XDocument.h"
#include "platform/xfile/XFileEnumObject.h"
#include "platform/xfile/XFileParser.h"

namespace {

constexpr size_t kMaxFileBytes = size_t{256} << 20;

}  // namespace

HRESULT DirectXFileCreate(IDirectXFile** file) {
    if (file == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *file = new (std::nothrow) XFile();
    return *file != nullptr ? DXFILE_OK : DXFILEERR_BADALLOC;
}

HRESULT XFile::ReadWholeFile(const char* path, std::vector<BYTE>& image) {
    // The program spells folders with back-slashes.
    std::string native(path);
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    // Only a regular file of sane size: a folder, a device or an endless stream is no model.
    std::uint64_t size = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(native.c_str(), kMaxFileBytes, &size),
                                                         &std::fclose);
    if (!file) {
        return errno == EISDIR || errno == ENODEV || errno == EFBIG ? DXFILEERR_BADFILE : DXFILEERR_FILENOTFOUND;
    }
    image.reserve(static_cast<size_t>(size));
    BYTE buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        // The file may grow while it is read.
        if (image.size() + got > kMaxFileBytes) {
            return DXFILEERR_BADFILE;
        }
        image.insert(image.end(), buffer, buffer + got);
    }
    if (std::ferror(file.get())) {
        return DXFILEERR_BADFILE;
    }
    return S_OK;
}

HRESULT XFile::CreateEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject) {
    if (enumObject == nullptr || source == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *enumObject = nullptr;
    // Memory running out anywhere in reading is the runtime's allocation failure, never an exception.
    try {
        return OpenEnumObject(source, options, enumObject);
    } catch (const std::bad_alloc&) {
        return DXFILEERR_BADALLOC;
    }
}

HRESULT XFile::OpenEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject) {
    std::vector<BYTE> fileImage;
    const BYTE* image = nullptr;
    size_t size = 0;
    if (options == DXFILELOAD_FROMFILE) {
        HRESULT hr = ReadWholeFile(static_cast<const char*>(source), fileImage);
        if (FAILED(hr)) {
            return hr;
        }
        image = fileImage.data();
        size = fileImage.size();
    } else if (options == DXFILELOAD_FROMMEMORY) {
        const auto* memory = static_cast<const DXFILELOADMEMORY*>(source);
        if (memory->lpMemory == nullptr && memory->dSize != 0) {
            return DXFILEERR_BADVALUE;
        }
        image = static_cast<const BYTE*>(memory->lpMemory);
        size = memory->dSize;
    } else {
        return DXFILEERR_BADVALUE;
    }

    auto document = std::make_shared<XDocument>();
    document->Templates() = m_templates;
    HRESULT hr = XFileParser::Parse(image, size, *document);
    if (FAILED(hr)) {
        return hr;
    }
    // The templates are copied before the enumerator exists, so a failing copy leaves nothing behind.
    XTemplateSet templates = document->Templates();
    auto* created = new (std::nothrow) XFileEnumObject(document);
    if (created == nullptr) {
        return DXFILEERR_BADALLOC;
    }
    m_templates = std::move(templates);
    *enumObject = created;
    return DXFILE_OK;
}

HRESULT XFile::RegisterTemplates(LPCVOID data, DWORD size) {
    if (data == nullptr || size == 0) {
        return DXFILEERR_BADVALUE;
    }
    try {
        XDocument scratch;
        scratch.Templates() = m_templates;
        HRESULT hr = XFileParser::Parse(static_cast<const BYTE*>(data), size, scratch);
        if (FAILED(hr)) {
            return hr;
        }
        m_templates = scratch.Templates();
        return DXFILE_OK;
    } catch (const std::bad_alloc&) {
        return DXFILEERR_BADALLOC;
    }
}
