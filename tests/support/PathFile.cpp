#include "support/PathFile.h"

#include <cstring>

namespace {
void Append(std::string& out, const void* p, size_t size) {
    out.append(static_cast<const char*>(p), size);
}
}  // namespace

std::string PathFileBytes(int count, const std::vector<D3DXVECTOR3>& points, const std::vector<float>& angles,
                          const std::vector<float>& distances) {
    std::string out;
    Append(out, &count, 4);
    for (const D3DXVECTOR3& p : points) {
        float xyz[3] = {p.x, p.y, p.z};
        Append(out, xyz, 12);
    }
    for (float a : angles) {
        Append(out, &a, 4);
    }
    for (float d : distances) {
        Append(out, &d, 4);
    }
    return out;
}
