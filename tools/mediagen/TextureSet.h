// Every texture of the program, painted from code: the scene textures the
// models name (with mip levels), the particle textures, and the overlay
// sheets with their cell layouts. Text and digits come from FreeType faces.
#pragma once

#include <string>
#include <vector>

#include "FontRenderer.h"
#include "Image.h"

struct NamedFile {
    std::string m_szName;
    std::string m_bytes;
};

class TextureSet {
public:
    // serif: the numeral face; sans: the read-out face.
    static std::vector<NamedFile> Build(FontRenderer& serif, FontRenderer& sans);

    static Image Dial();
    static Image Petal();
    static Image Leaf();
    static Image Numerals(FontRenderer& serif);
    static Image BirdFeathers();
    static Image Bubble();
    static Image Spark();
    static Image Ribbon();
    static Image Buttons();
    static Image TimerButtons();
    static Image Digits(FontRenderer& sans);
    static Image Panel();
    static Image Border();
};
