// Where media files live: a directory taken when a loader is built, a
// subfolder and a file name, composed in buffers of MAX_PATH characters.
// The directory is the current one, or the one the active MediaLocation
// decided at start.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr const char* kModelFolder = "/Model/";
constexpr const char* kTextureFolder = "/Texture/";
constexpr const char* kMiscFolder = "/Misc/";
constexpr const char* kSoundFolder = "/Sound/";

// Fills dir with the media directory; leaves it empty when it does not fit.
void CaptureDirectory(char (&dir)[MAX_PATH]);

// The settings file's folder (the run folder's Misc, or the user's own
// configuration folder when installed) and the folder of the settings an
// installed program starts from when the user has none (empty in a run
// folder). Either is empty when it does not fit.
void CaptureSettingsDirectory(char (&dir)[MAX_PATH], char (&defaultDir)[MAX_PATH]);

// out = dir + folder + name. When dir is the installed media directory and
// the user has a file of that name in the same subfolder of their own data
// folder, out is that file instead. FALSE (and an empty out) when the
// directory is unknown or the path does not fit: such a path must never be
// opened.
BOOL ComposeMediaPath(char (&out)[MAX_PATH], const char* dir, const char* folder, const char* name);

// For a loader that searches with a wildcard: when dir is the installed
// media directory and the user's data folder has a match for folder +
// pattern, dir becomes the user's folder. TRUE when it did.
BOOL PreferUserDirectory(char (&dir)[MAX_PATH], const char* folder, const char* pattern);
