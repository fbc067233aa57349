// Where the program's files are, decided once at start from the environment:
// - installed: media come from the data folder found from the executable's
//   own path (<prefix>/bin -> <prefix>/share/velmoran), so a moved or
//   unpacked tree still works, whatever folder the program is started in (a
//   user's own ~/Model must not matter); a user may replace any single file
//   by putting it in the same subfolder under $XDG_DATA_HOME/velmoran; the
//   settings file lives in $XDG_CONFIG_HOME/velmoran, and the installed tree
//   is never written;
// - a run folder: a program with no installed data beside it (the build's)
//   takes the current directory, which must hold Model/, or a folder named
//   on purpose; media and the settings file (in Misc/) are all there.
// Loaders keep forming paths as directory + subfolder + name (MediaPath.h).
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// What the decision depends on; tests make their own.
struct MediaEnvironment {
    std::string m_szCurrentDir;
    std::string m_szExecutable;  // the program's own file
    std::string m_szDataHome;    // XDG_DATA_HOME as set, or empty
    std::string m_szConfigHome;  // XDG_CONFIG_HOME as set, or empty
    std::string m_szHome;        // HOME, or the account's home folder
    std::string m_szRunFolder;   // a run folder asked for on purpose, or empty
};

class MediaLocation {
public:
    enum class Kind { RunFolder, Installed };

    // The installed data folder relative to the executable's folder.
    static const char* DataFromExecutable();
    static MediaEnvironment ProcessEnvironment();

    // S_OK and the location, or E_FAIL and a message for the user saying
    // where media were looked for.
    static HRESULT Resolve(const MediaEnvironment& environment, MediaLocation& location, std::string& message);

    // The location the loaders use from now on; null restores the plain
    // rule (each loader takes the current directory when it is built).
    static void Activate(const MediaLocation* location);
    static const MediaLocation* Active();

    Kind GetKind() const { return m_kind; }
    // Holds Model/, Texture/, Misc/ and Sound/.
    const std::string& MediaDirectory() const { return m_szMedia; }
    // The user's replacements, same subfolders; empty in a run folder.
    const std::string& UserDirectory() const { return m_szUser; }
    // The folder of the settings file.
    const std::string& SettingsDirectory() const { return m_szSettings; }
    // The folder of the settings the program starts from when the user has
    // none yet; empty in a run folder.
    const std::string& DefaultSettingsDirectory() const { return m_szDefaultSettings; }

private:
    // Media and settings (in Misc/) all in one folder.
    void UseRunFolder(const std::string& folder);

    Kind m_kind = Kind::RunFolder;
    std::string m_szMedia;
    std::string m_szUser;
    std::string m_szSettings;
    std::string m_szDefaultSettings;
};
