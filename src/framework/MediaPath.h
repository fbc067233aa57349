// Where media files live: the directory current at start-up, a subfolder and a
// file name, composed in buffers of MAX_PATH characters.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr const char* kModelFolder = "/Model/";
constexpr const char* kTextureFolder = "/Texture/";
constexpr const char* kMiscFolder = "/Misc/";
constexpr const char* kSoundFolder = "/Sound/";

// Fills dir with the current directory; leaves it empty when it does not fit.
void CaptureDirectory(char (&dir)[MAX_PATH]);

// out = dir + folder + name. FALSE (and an empty out) when the directory is
// unknown or the path does not fit: such a path must never be opened.
BOOL ComposeMediaPath(char (&out)[MAX_PATH], const char* dir, const char* folder, const char* name);
