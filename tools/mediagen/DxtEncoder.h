// Block compression of pictures into DXT1 (opaque colour) and DXT5 (colour
// with interpolated alpha). Endpoints lie on the principal colour axis of each
// 4 x 4 block; each texel takes the nearest of the block's palette entries.
#pragma once

#include <cstdint>
#include <vector>

#include "Image.h"

class DxtEncoder {
public:
    static std::vector<std::uint8_t> EncodeDxt1(const Image& image);
    static std::vector<std::uint8_t> EncodeDxt5(const Image& image);

    // One block's colour part: 8 bytes, two 5:6:5 endpoints (first above the
    // second, so four colours) and sixteen 2-bit indices.
    static void EncodeColourBlock(const Rgba texels[16], std::uint8_t out[8]);
    // One block's alpha part: 8 bytes, two 8-bit endpoints and sixteen 3-bit indices.
    static void EncodeAlphaBlock(const Rgba texels[16], std::uint8_t out[8]);

private:
    static void GatherBlock(const Image& image, int nBlockX, int nBlockY, Rgba texels[16]);
};
