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
// Small textures a model's materials may name, once: Texture/face.dds and
// Texture/sub/back.dds (exporters write "sub\\back.dds").
void WriteTextures();
// A device that renders nothing and keeps every rule of the real one; one per
// process. Its record of calls starts afresh at each call, so a long run does
// not keep every input's calls.
IDirect3DDevice8* Device();

}  // namespace fuzz_media
