// An installed program's tree and a user's folders in a fresh temporary
// folder, with an unrelated current directory inside it. Activate() makes
// the resolved location the program's for the life of the object.
#pragma once

#include <string>

#include "framework/MediaLocation.h"
#include "support/TempDir.h"

class ScopedInstalledTree {
public:
    ScopedInstalledTree();
    ~ScopedInstalledTree();
    ScopedInstalledTree(const ScopedInstalledTree&) = delete;
    ScopedInstalledTree& operator=(const ScopedInstalledTree&) = delete;

    // The executable in <root>/prefix/bin, XDG folders in <root>/data and
    // <root>/config, home in <root>/home, current directory <root>/work.
    MediaEnvironment Environment() const;
    // Resolves the environment (it must resolve) and activates it.
    const MediaLocation& Activate(const MediaEnvironment& environment);

    const ScopedTempCwd& Root() const { return m_root; }
    std::string Installed(const std::string& relative) const;  // under prefix/share/velmoran
    std::string User(const std::string& relative) const;       // under data/velmoran
    std::string Config(const std::string& relative) const;     // under config/velmoran

private:
    ScopedTempCwd m_root;
    MediaLocation m_location;
};
