// xview FILE.x [--out PNG] [--size WxH] [--yaw A] [--pitch A] [--time S] [--white]
//   renders one model head-less through the reference device, framed by its
//   bounds and lit like the clock, skinned models at an animation time.
// xview --sheet PNG --run DIR
//   renders the contact sheet of the generated media in a run folder.
// xview --icon PNG --run DIR [--size N]
//   renders the program's icon, a flower clock's head on a transparent
//   background, N pixels square (256 by default).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ModelRenderer.h"
#include "ModelScene.h"
#include "gfxutil/DdsImage.h"
#include "platform/d3d/gl/PngWriter.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTicksPerSecond = 4800.0f;
constexpr D3DCOLOR kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

struct Canvas {
    UINT m_uWidth, m_uHeight;
    std::vector<DWORD> m_pixels;

    Canvas(UINT uWidth, UINT uHeight) : m_uWidth(uWidth), m_uHeight(uHeight), m_pixels(uWidth * uHeight, 0xFF202020) {}
    void Put(const std::vector<DWORD>& tile, UINT uTileWidth, UINT uTileHeight, UINT uX, UINT uY) {
        for (UINT y = 0; y < uTileHeight && uY + y < m_uHeight; ++y) {
            for (UINT x = 0; x < uTileWidth && uX + x < m_uWidth; ++x) {
                m_pixels[(uY + y) * m_uWidth + uX + x] = tile[y * uTileWidth + x];
            }
        }
    }
};

std::vector<Mat4> Placements(const std::string& szPath) {
    std::ifstream file(szPath, std::ios::binary);
    std::int32_t n = 0;
    file.read(reinterpret_cast<char*>(&n), 4);
    std::vector<Mat4> out;
    for (std::int32_t i = 0; i < n && file; ++i) {
        Mat4 m;
        file.read(reinterpret_cast<char*>(m.m), 64);
        out.push_back(m);
    }
    return out;
}

struct PathStart {
    Vec3 m_p0, m_p1;
    float m_fAngle = 0.0f, m_fDistance = 0.0f;
};

// The first two path points and the first camera angle and distance.
bool ReadPathStart(const std::string& szPath, PathStart& start) {
    std::ifstream file(szPath, std::ios::binary);
    std::int32_t n = 0;
    file.read(reinterpret_cast<char*>(&n), 4);
    if (!file || n < 2) {
        return false;
    }
    std::vector<float> values(static_cast<size_t>(n) * 5);
    file.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(values.size() * 4));
    start.m_p0 = Vec3(values[0], values[1], values[2]);
    start.m_p1 = Vec3(values[3], values[4], values[5]);
    start.m_fAngle = values[static_cast<size_t>(n) * 3];
    start.m_fDistance = values[static_cast<size_t>(n) * 4];
    return static_cast<bool>(file);
}

// The follow camera as the clock sets it up at the start of the path (the
// bird's bob is still zero there, so the path frame is the bird's frame).
ViewCamera FollowCamera(const PathStart& start, Mat4& pathFrame) {
    const Vec3 forward = Normalize(start.m_p1 - start.m_p0);
    const Vec3 right = Normalize(Cross(Vec3(0, 1, 0), forward));
    const Vec3 up = Cross(forward, right);
    const Vec3 rows[4] = {right, up, forward, start.m_p0};
    for (int r = 0; r < 4; ++r) {
        pathFrame.m[r * 4 + 0] = rows[r].x;
        pathFrame.m[r * 4 + 1] = rows[r].y;
        pathFrame.m[r * 4 + 2] = rows[r].z;
    }
    const Vec3 offset(start.m_fDistance * std::cos(start.m_fAngle), 20.0f,
                      -start.m_fDistance * std::sin(start.m_fAngle));
    const Mat4 camera =
        Mat4::RotationY(start.m_fAngle - kPi / 2.0f) * Mat4::Translation(offset.x, offset.y, offset.z) * pathFrame;
    ViewCamera view;
    view.m_eye = Vec3(camera.m[12], camera.m[13], camera.m[14]);
    view.m_forward = Vec3(camera.m[8], camera.m[9], camera.m[10]);
    return view;
}

// A flower clock showing 10:08:37: hands turned about their own Z axis.
bool Clock(const std::string& szModels, const Mat4& placement, ModelScene& scene) {
    ModelScene base, numerals, hands[3];
    if (!base.Load(szModels + "/VelmoranBase07.x") || !numerals.Load(szModels + "/VelmoranMoji01.x") ||
        !hands[0].Load(szModels + "/VelmoranHri101.x") || !hands[1].Load(szModels + "/VelmoranHri201.x") ||
        !hands[2].Load(szModels + "/VelmoranHri301.x")) {
        return false;
    }
    const float angles[3] = {-(10.0f * kPi / 6.0f + 8.0f * kPi / 360.0f), -(8.0f * kPi / 30.0f),
                             -(37.0f * kPi / 30.0f)};
    scene.Append(base, placement);
    scene.Append(numerals, placement);
    for (int h = 0; h < 3; ++h) {
        scene.Append(hands[h], Mat4::RotationZ(angles[h]) * placement);
    }
    return true;
}

void Thumbnail(const std::string& szPath, Canvas& canvas, UINT uX, UINT uY, UINT uSize) {
    std::ifstream file(szPath, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string data = bytes.str();
    DdsImage image;
    if (image.Parse(data.data(), data.size()) != S_OK) {
        return;
    }
    std::vector<DWORD> argb;
    image.DecodeLevel(0, argb);
    const UINT uW = image.GetWidth(), uH = image.GetHeight();
    std::vector<DWORD> tile(uSize * uSize);
    for (UINT y = 0; y < uSize; ++y) {
        for (UINT x = 0; x < uSize; ++x) {
            const DWORD s = argb[(y * uH / uSize) * uW + x * uW / uSize];
            // Over a grey checker, so translucency shows.
            const int nBack = ((x / 8 + y / 8) % 2) ? 90 : 140;
            const int a = static_cast<int>(s >> 24);
            auto mix = [&](int nShift) {
                return (static_cast<int>((s >> nShift) & 0xFF) * a + nBack * (255 - a)) / 255;
            };
            tile[y * uSize + x] = 0xFF000000u | static_cast<DWORD>(mix(16)) << 16 | static_cast<DWORD>(mix(8)) << 8 |
                                  static_cast<DWORD>(mix(0));
        }
    }
    canvas.Put(tile, uSize, uSize, uX, uY);
}

int Sheet(const std::string& szOut, const std::string& szRun) {
    const std::string szModels = szRun + "/Model";
    Canvas canvas(1024, 1024);
    std::vector<DWORD> pixels;

    // Top row: what the keyboard camera's reset pose shows (on black) and the
    // follow camera's first view (on white): every flower, vine and the bird.
    ModelScene scene;
    for (const Mat4& placement : Placements(szRun + "/Misc/Clock.vps")) {
        Clock(szModels, placement, scene);
    }
    ModelScene vine;
    vine.Load(szModels + "/VelmoranTuru04.x");
    for (const Mat4& placement : Placements(szRun + "/Misc/Clock.bps")) {
        scene.Append(vine, placement);
    }
    ViewCamera reset;
    reset.m_eye = Vec3(-57.8f, -5.3f, 30.1f);
    reset.m_forward = Vec3(std::sin(0.4f), 0.0f, std::cos(0.4f));
    // The follow camera's first view, with the bird drawn 3.5 times its size.
    PathStart start;
    Mat4 pathFrame;
    ViewCamera follow = reset;
    ModelScene flying;
    if (ReadPathStart(szRun + "/Misc/Clock.fpp", start) && flying.Load(szModels + "/BlueBird01.x")) {
        follow = FollowCamera(start, pathFrame);
        scene.Append(flying, Mat4::Scaling(3.5f, 3.5f, 3.5f) * pathFrame);
    }
    const std::vector<ViewBatch> all = scene.Pose(0.0f);
    {
        // One device at a time: each draws with its own context.
        ModelRenderer large;
        if (!large.Create(512, 384, szRun + "/Texture")) {
            std::fprintf(stderr, "xview: no reference device\n");
            return 1;
        }
        for (int i = 0; i < 2; ++i) {
            if (large.Render(all, i == 0 ? reset : follow, i == 0 ? kBlack : kWhite, pixels)) {
                canvas.Put(pixels, 512, 384, 512 * i, 0);
            }
        }
    }
    ModelRenderer small;
    if (!small.Create(256, 192, szRun + "/Texture")) {
        std::fprintf(stderr, "xview: no reference device\n");
        return 1;
    }

    ModelScene clock, bird;
    Clock(szModels, Mat4::Identity(), clock);
    bird.Load(szModels + "/BlueBird01.x");
    const std::vector<ViewBatch> clockPose = clock.Pose(0.0f);
    const std::vector<ViewBatch> vinePose = vine.Pose(0.0f);
    const std::vector<ViewBatch> birdUp = bird.Pose(0.125f * kTicksPerSecond);
    const std::vector<ViewBatch> birdDown = bird.Pose(0.375f * kTicksPerSecond);
    struct Tile {
        const std::vector<ViewBatch>* m_pBatches;
        float m_fYaw, m_fPitch;
        D3DCOLOR m_background;
    };
    const Tile tiles[8] = {{&clockPose, 0.0f, 0.0f, kBlack}, {&clockPose, 0.0f, 0.0f, kWhite},
                           {&clockPose, 0.8f, 0.3f, kBlack}, {&vinePose, 0.5f, 0.1f, kWhite},
                           {&birdUp, 2.5f, 0.35f, kBlack},   {&birdDown, 2.5f, 0.35f, kWhite},
                           {&birdUp, -1.57f, 0.1f, kWhite},  {&vinePose, 2.0f, -0.1f, kBlack}};
    for (int i = 0; i < 8; ++i) {
        const ViewCamera camera = ModelRenderer::Frame(*tiles[i].m_pBatches, tiles[i].m_fYaw, tiles[i].m_fPitch);
        if (small.Render(*tiles[i].m_pBatches, camera, tiles[i].m_background, pixels)) {
            canvas.Put(pixels, 256, 192, 256 * (i % 4), 384 + 192 * (i / 4));
        }
    }

    const char* const textures[] = {"VelmoranDial01.dds",    "VelmoranPetal01.dds", "VelmoranLeaf01.dds",
                                    "VelmoranMoji01.dds",    "BlueBird01.dds",      "ParticleBubble01.dds",
                                    "ParticleTrailPC01.dds", "RibonTex01.dds",      "Bottun.dds",
                                    "BottunTimer01.dds",     "SpriteDigital01.dds", "Frame01.dds",
                                    "MainFrame01.dds"};
    for (int i = 0; i < 13; ++i) {
        Thumbnail(szRun + "/Texture/" + textures[i], canvas, 128 * (i % 8), 768 + 128 * (i / 8), 128);
    }
    if (!PngWriter::WriteArgb(szOut.c_str(), canvas.m_uWidth, canvas.m_uHeight, canvas.m_pixels.data(),
                              canvas.m_uWidth * 4, false)) {
        std::fprintf(stderr, "xview: cannot write %s\n", szOut.c_str());
        return 1;
    }
    return 0;
}

// Each icon pixel is the mean of kIconSamples x kIconSamples rendered ones:
// the device draws without antialiasing, and a 48-pixel icon with stepped
// petal edges looks broken.
constexpr UINT kIconSamples = 4;

int Icon(const std::string& szOut, const std::string& szRun, UINT uSize) {
    ModelScene clock;
    if (!Clock(szRun + "/Model", Mat4::Identity(), clock)) {
        std::fprintf(stderr, "xview: cannot read the clock's models in %s/Model\n", szRun.c_str());
        return 1;
    }
    // The head alone: with the stem and leaves the face would be a few
    // pixels wide at the small sizes, and a stem cut off by the edge looks
    // like a mistake.
    std::vector<ViewBatch> head;
    for (ViewBatch& batch : clock.Pose(0.0f)) {
        if (batch.m_szMesh != "leaf_display") {
            head.push_back(std::move(batch));
        }
    }
    if (head.empty()) {
        std::fprintf(stderr, "xview: the flower model has nothing to draw\n");
        return 1;
    }
    const ViewCamera camera = ModelRenderer::FrameFront(head, 0.96f);
    const UINT uLarge = uSize * kIconSamples;
    std::vector<DWORD> onBlack, onWhite;
    ModelRenderer renderer;
    if (!renderer.Create(uLarge, uLarge, szRun + "/Texture")) {
        std::fprintf(stderr, "xview: no reference device\n");
        return 1;
    }
    renderer.SetFog(false);
    if (!renderer.Render(head, camera, kBlack, onBlack) || !renderer.Render(head, camera, kWhite, onWhite)) {
        std::fprintf(stderr, "xview: rendering failed\n");
        return 1;
    }
    // Difference matting: over black a pixel is its colour times its alpha,
    // over white that plus (1 - alpha) of white, so the two renders give the
    // alpha, and the render over black is already the premultiplied colour
    // that averages correctly down to the icon's size.
    std::vector<DWORD> icon(static_cast<size_t>(uSize) * uSize);
    for (UINT y = 0; y < uSize; ++y) {
        for (UINT x = 0; x < uSize; ++x) {
            float fSum[3] = {}, fAlpha = 0.0f;
            for (UINT sy = 0; sy < kIconSamples; ++sy) {
                for (UINT sx = 0; sx < kIconSamples; ++sx) {
                    const size_t i = static_cast<size_t>(y * kIconSamples + sy) * uLarge + x * kIconSamples + sx;
                    int nGap = 0;
                    for (int c = 0; c < 3; ++c) {
                        const int nBlack = static_cast<int>((onBlack[i] >> (16 - 8 * c)) & 0xFF);
                        const int nWhite = static_cast<int>((onWhite[i] >> (16 - 8 * c)) & 0xFF);
                        fSum[c] += static_cast<float>(nBlack);
                        nGap = std::max(nGap, nWhite - nBlack);
                    }
                    fAlpha += 1.0f - static_cast<float>(std::clamp(nGap, 0, 255)) / 255.0f;
                }
            }
            DWORD argb = 0;
            if (fAlpha > 0.0f) {
                argb = static_cast<DWORD>(std::lround(fAlpha * 255.0f / (kIconSamples * kIconSamples))) << 24;
                for (int c = 0; c < 3; ++c) {
                    const long nColour = std::min(255L, std::lround(fSum[c] / fAlpha));
                    argb |= static_cast<DWORD>(nColour) << (16 - 8 * c);
                }
            }
            icon[static_cast<size_t>(y) * uSize + x] = argb;
        }
    }
    if (!PngWriter::WriteArgb(szOut.c_str(), uSize, uSize, icon.data(), uSize * 4, true)) {
        std::fprintf(stderr, "xview: cannot write %s\n", szOut.c_str());
        return 1;
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: xview FILE.x [--out PNG] [--size WxH] [--yaw A] [--pitch A] [--time S] [--white]\n"
                 "       xview --sheet PNG --run DIR\n"
                 "       xview --icon PNG --run DIR [--size N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string szFile, szOut = "xview.png", szSheet, szIcon, szRun;
    UINT uWidth = 512, uHeight = 384;
    bool bSize = false;
    float fYaw = 0.0f, fPitch = 0.0f, fTime = 0.0f;
    bool bWhite = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool bValue = i + 1 < argc;
        if (arg == "--out" && bValue) {
            szOut = argv[++i];
        } else if (arg == "--size" && bValue) {
            // N alone is N x N.
            const int nRead = std::sscanf(argv[++i], "%ux%u", &uWidth, &uHeight);
            if (nRead == 1) {
                uHeight = uWidth;
            }
            if (nRead < 1 || uWidth == 0 || uHeight == 0 || uWidth > 4096 || uHeight > 4096) {
                return Usage();
            }
            bSize = true;
        } else if (arg == "--yaw" && bValue) {
            fYaw = std::strtof(argv[++i], nullptr);
        } else if (arg == "--pitch" && bValue) {
            fPitch = std::strtof(argv[++i], nullptr);
        } else if (arg == "--time" && bValue) {
            fTime = std::strtof(argv[++i], nullptr);
        } else if (arg == "--white") {
            bWhite = true;
        } else if (arg == "--sheet" && bValue) {
            szSheet = argv[++i];
        } else if (arg == "--icon" && bValue) {
            szIcon = argv[++i];
        } else if (arg == "--run" && bValue) {
            szRun = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && szFile.empty()) {
            szFile = arg;
        } else {
            return Usage();
        }
    }
    if (!szSheet.empty()) {
        return szRun.empty() ? Usage() : Sheet(szSheet, szRun);
    }
    if (!szIcon.empty()) {
        if (szRun.empty() || (bSize && uWidth != uHeight)) {
            return Usage();
        }
        return Icon(szIcon, szRun, bSize ? uWidth : 256);
    }
    if (szFile.empty()) {
        return Usage();
    }
    ModelScene scene;
    if (!scene.Load(szFile)) {
        std::fprintf(stderr, "xview: cannot read %s\n", szFile.c_str());
        return 1;
    }
    // Textures live beside the model folder, as in the run folder.
    const std::string szTextures = (std::filesystem::path(szFile).parent_path() / ".." / "Texture").string();
    ModelRenderer renderer;
    if (!renderer.Create(uWidth, uHeight, szTextures)) {
        std::fprintf(stderr, "xview: no reference device\n");
        return 1;
    }
    const std::vector<ViewBatch> batches = scene.Pose(fTime * kTicksPerSecond);
    std::vector<DWORD> pixels;
    if (!renderer.Render(batches, ModelRenderer::Frame(batches, fYaw, fPitch), bWhite ? kWhite : kBlack, pixels) ||
        !PngWriter::WriteArgb(szOut.c_str(), uWidth, uHeight, pixels.data(), uWidth * 4, false)) {
        std::fprintf(stderr, "xview: rendering failed\n");
        return 1;
    }
    std::printf("%s: %u triangles -> %s\n", szFile.c_str(), scene.Triangles(), szOut.c_str());
    return 0;
}
