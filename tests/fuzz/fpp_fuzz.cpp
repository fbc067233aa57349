// The bird's path file as the path reads it: points, camera angles and
// distances, the spline built from them and evaluated along the whole path.
#include <cstdint>

#include "FuzzMedia.h"
#include "scene/FergusonPath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::Write("Misc/Clock.fpp", data, size);
    FergusonPath path;
    if (SUCCEEDED(path.Load("Clock.fpp"))) {
        float p[3], a[3], angle = 0.0f, distance = 0.0f;
        for (float s = -1.0f; s < 64.0f; s += 0.37f) {
            path.Evaluate(s, &p[0], &p[1], &p[2], &a[0], &a[1], &a[2]);
            path.EvaluateCamera(s, &angle, &distance);
        }
    }
    path.Release();
    return 0;
}
