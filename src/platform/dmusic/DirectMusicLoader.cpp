#include "platform/dmusic/DirectMusicLoader.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <new>

#include "platform/dmusic/DirectMusicSegment.h"
#include "platform/dmusic/SoundFile.h"
#include "platform/kernel/Kernel.h"

namespace {
// Wide names come from the program's ANSI ones; file names here are UTF-8.
std::string ToUtf8(const WCHAR* text) {
    std::string out;
    for (; *text != L'\0'; ++text) {
        auto code = static_cast<std::uint32_t>(*text);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// The program writes paths with back-slashes.
std::string WithSlashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}
bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// File names on the program's platform ignore letter case, and the file
// search the program uses to find its sound does too. A path that does not
// exist as written is looked up folder by folder without regard to case.
std::string MatchIgnoringCase(const std::string& path) {
    if (Exists(path)) {
        return path;
    }
    std::string found = path.front() == '/' ? "" : ".";
    std::size_t start = path.front() == '/' ? 1 : 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) {
            continue;
        }
        std::string exact = found + "/" + part;
        if (!Exists(exact)) {
            DIR* dir = opendir(found.empty() ? "/" : found.c_str());
            if (dir == nullptr) {
                return path;
            }
            while (dirent* entry = readdir(dir)) {
                if (strcasecmp(entry->d_name, part.c_str()) == 0) {
                    exact = found + "/" + entry->d_name;
                    break;
                }
            }
            closedir(dir);
        }
        found = exact;
    }
    return path.front() == '/' ? found : found.substr(2);
}
}  // namespace

DirectMusicLoader::~DirectMusicLoader() {
    ClearCache();
}

HRESULT DirectMusicLoader::SetSearchDirectory(REFGUID, WCHAR* directory, BOOL clear) {
    if (directory == nullptr) {
        return E_POINTER;
    }
    std::string path = WithSlashes(ToUtf8(directory));
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return DMUS_E_LOADER_BADPATH;
    }
    if (clear) {
        ClearCache();
    }
    m_szSearchDirectory = path;
    return S_OK;
}

HRESULT DirectMusicLoader::LoadObjectFromFile(REFGUID classId, REFIID iid, WCHAR* fileName, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (fileName == nullptr || *fileName == L'\0') {
        return DMUS_E_LOADER_NOFILENAME;
    }
    if (classId != CLSID_DirectMusicSegment) {
        return DMUS_E_LOADER_FAILEDCREATE;  // segments are the only objects made from files here
    }
    if (iid != IID_IDirectMusicSegment8 && iid != kIID_IUnknown) {
        return E_NOINTERFACE;
    }
    std::string path = MatchIgnoringCase(Resolve(WithSlashes(ToUtf8(fileName))));
    for (auto& [cachedPath, segment] : m_cache) {
        if (cachedPath == path) {
            return segment->QueryInterface(iid, object);
        }
    }

    std::string trace = "dmusic: loading " + path + "\n";
    OutputDebugStringA(trace.c_str());
    SoundFile file;
    HRESULT hr = file.Load(path);
    if (FAILED(hr)) {
        return hr;
    }
    auto* segment = new (std::nothrow) DirectMusicSegment(std::move(file));
    if (segment == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_cache.emplace_back(path, segment);  // the loader keeps the first reference
    return segment->QueryInterface(iid, object);
}

HRESULT DirectMusicLoader::ReleaseObjectByUnknown(IUnknown* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    DirectMusicSegment* wanted = dynamic_cast<DirectMusicSegment*>(object);
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->second == wanted) {
            it->second->Release();
            m_cache.erase(it);
            return S_OK;
        }
    }
    return DMUS_E_LOADER_OBJECTNOTFOUND;
}

std::string DirectMusicLoader::Resolve(const std::string& name) const {
    if (name.front() == '/') {
        return name;
    }
    // Without a search directory names are taken from the current directory.
    if (m_szSearchDirectory.empty()) {
        return name;
    }
    if (m_szSearchDirectory.back() == '/') {
        return m_szSearchDirectory + name;
    }
    return m_szSearchDirectory + "/" + name;
}

void DirectMusicLoader::ClearCache() {
    for (auto& entry : m_cache) {
        entry.second->Release();
    }
    m_cache.clear();
}
