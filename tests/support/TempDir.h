// A fresh folder that is the current directory for the life of the object,
// since media paths are taken from the current directory.
#pragma once

#include <string>

class ScopedTempCwd {
public:
    ScopedTempCwd();
    ~ScopedTempCwd();
    ScopedTempCwd(const ScopedTempCwd&) = delete;
    ScopedTempCwd& operator=(const ScopedTempCwd&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& relative) const { return m_path + "/" + relative; }
    void MakeFolder(const std::string& relative) const;
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    std::string ReadFile(const std::string& relative) const;
    // The media folders (Model, Texture, Misc, Sound) of a run folder, copied in.
    void CopyMedia(const std::string& runFolder) const;

private:
    std::string m_path;
    std::string m_previous;
};
