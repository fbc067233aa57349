// Finds font files by face name through fontconfig ("Arial" resolves to its
// metric-compatible free face).
#pragma once

#include <string>

class FontLocator {
public:
    // The file and face index best matching the family, weight and slant.
    // False when fontconfig has no font at all.
    static bool Find(const char* family, bool bold, bool italic, std::string* file, int* faceIndex);
};
