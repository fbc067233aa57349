// What the fuzz targets share: a media folder of their own as the current
// directory (the loaders read their files from there), message boxes and
// debug output silenced, and a recording device for the loaders that need one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3d/D3D8.h"

namespace fuzz_media {

// Creates the folder (Model, Texture, Misc, Sound) once and enters it.
void Enter();
// Writes the input as the file at relative (e.g. "Model/Fuzz.x").
void Write(const std::string& relative, const std::uint8_t* data, std::size_t size);
// A device that renders nothing and keeps every rule of the real one; one per process.
IDirect3DDevice8* Device();

}  // namespace fuzz_media
