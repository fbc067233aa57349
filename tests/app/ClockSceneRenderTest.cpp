// The program's own scene drawn by the real device at fixed local times, from
// the manual camera's starting pose: the hands stand where the time says,
// the scene viewport takes the background colour and the framed view keeps
// its white margin with the statistics line.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/ClockApp.h"
#include "app/FrameValues.h"
#include "app/ViewControl.h"
#include "framework/FrameTimer.h"
#include "overlay/Flags.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace {

constexpr float kPi = 3.14159265f;
// Hand lengths and depths of the generated hand models, pivot at the origin,
// pointing along +y at 12 o'clock, in front of the dial (negative z).
constexpr float kHandLength[3] = {6.6f, 9.6f, 10.6f};
constexpr float kHandFrontZ[3] = {-0.55f, -0.85f, -1.15f};

std::time_t s_now = 0;
// The frame timer creeps a microsecond per reading, so the bird, its sparks,
// the ribbons and the bubbles stay where they are between the two pictures;
// only the hands move.
LONGLONG s_llTicks = 5000000;
LONGLONG s_llStep = 1;
BOOL StillFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000;
    return TRUE;
}
BOOL StillCounter(LARGE_INTEGER* count) {
    s_llTicks += s_llStep;
    count->QuadPart = s_llTicks;
    return TRUE;
}
std::time_t FixedClock() {
    return s_now;
}
std::time_t LocalTime(int h, int m, int s) {
    std::tm when = {};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 6;
    when.tm_hour = h;
    when.tm_min = m;
    when.tm_sec = s;
    when.tm_isdst = -1;
    return std::mktime(&when);
}

class SceneClockApp : public ClockApp {
public:
    HRESULT Step() { return StepFrame(); }
    void Close() { HandleMessage(m_hWnd, WM_CLOSE, 0, 0); }
};

struct Pixel {
    int r, g, b;
};

class ClockSceneRenderTest : public ::testing::Test {
protected:
    ClockSceneRenderTest() {
        m_cwd.CopyMedia(VELMORAN_RUN_DIR);
        // Video stays up for the whole program, as in the other render tests:
        // SDL would otherwise unload the GL driver with the window, and the
        // driver's own leftovers could no longer be told apart from ours.
        static const bool s_bVideoKept = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
        (void)s_bVideoKept;
        kernel_hooks::SetWallClock(FixedClock);
        kernel_hooks::SetPerformanceCounter(StillFrequency, StillCounter);
        frame_timer_hooks::Reset();
    }
    ~ClockSceneRenderTest() override {
        kernel_hooks::SetWallClock(nullptr);
        kernel_hooks::SetPerformanceCounter(nullptr, nullptr);
        frame_timer_hooks::Reset();
    }

    void WriteFlags(DWORD word) {
        m_cwd.WriteFile("Misc/VelmoranFlags.vmf", std::string(reinterpret_cast<const char*>(&word), 4));
    }

    // Draws a few frames at the given local time and reads the last one back.
    std::vector<DWORD> FrameAt(SceneClockApp& app, std::time_t when) {
        s_now = when;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(S_OK, app.Step());
        }
        const D3DSURFACE_DESC& desc = app.BackBufferDesc();
        std::vector<DWORD> pixels(static_cast<std::size_t>(desc.Width) * desc.Height, 0);
        IDirect3DSurface8* surface = nullptr;
        EXPECT_EQ(D3D_OK, app.Device()->CreateImageSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8, &surface));
        if (surface == nullptr) {
            return pixels;
        }
        EXPECT_EQ(D3D_OK, app.Device()->GetFrontBuffer(surface));
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(D3D_OK, surface->LockRect(&locked, nullptr, D3DLOCK_READONLY));
        for (UINT y = 0; y < desc.Height && locked.pBits != nullptr; ++y) {
            std::memcpy(&pixels[static_cast<std::size_t>(y) * desc.Width],
                        static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
        }
        surface->UnlockRect();
        surface->Release();
        return pixels;
    }

    static Pixel At(const std::vector<DWORD>& frame, UINT width, float x, float y) {
        const DWORD p = frame[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
        return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    }
    static int Distance(Pixel a, Pixel b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }
    // The largest change between two frames within a pixel of (x, y): the
    // second hand is about a pixel wide.
    static int Change(const std::vector<DWORD>& a, const std::vector<DWORD>& b, UINT width, const D3DXVECTOR3& p) {
        int most = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const float x = p.x + float(dx), y = p.y + float(dy);
                most = std::max(most, Distance(At(a, width, x, y), At(b, width, x, y)));
            }
        }
        return most;
    }

    ScopedTempCwd m_cwd;
    MessageBoxCapture m_boxes;
};

// Screen position of a world point with the camera and viewport of the frame.
D3DXVECTOR3 ToScreen(const Camera& camera, const D3DXVECTOR3& world) {
    D3DXMATRIX view, viewProjection;
    D3DXMatrixInverse(&view, nullptr, &camera.CameraMatrix());
    D3DXMatrixMultiply(&viewProjection, &view, &camera.ProjectionMatrix());
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &world, &viewProjection);
    return {float(g_viewport.X) + (ndc.x + 1.0f) * 0.5f * float(g_viewport.Width),
            float(g_viewport.Y) + (1.0f - ndc.y) * 0.5f * float(g_viewport.Height), ndc.z};
}

// A point at `fraction` of hand `hand`'s length, turned `degrees` clockwise
// from 12 on flower `flower`, on the screen.
D3DXVECTOR3 HandPoint(const ClockApp& app, int flower, int hand, float degrees, float fraction) {
    const D3DXMATRIX& placement = app.GetVelmoran()->Parts(Velmoran::PART_BASE)[flower].World();
    const float a = degrees * kPi / 180.0f;
    const float length = kHandLength[hand] * fraction;
    const D3DXVECTOR3 local(length * std::sin(a), length * std::cos(a), kHandFrontZ[hand]);
    D3DXVECTOR3 world;
    D3DXVec3TransformCoord(&world, &local, &placement);
    return ToScreen(*app.GetCamera(), world);
}

bool Inside(const D3DXVECTOR3& p) {
    return p.z > 0.0f && p.z < 1.0f && p.x >= float(g_viewport.X) + 2.0f &&
           p.x < float(g_viewport.X + g_viewport.Width) - 2.0f && p.y >= float(g_viewport.Y) + 2.0f &&
           p.y < float(g_viewport.Y + g_viewport.Height) - 2.0f;
}

TEST_F(ClockSceneRenderTest, HandsPointWhereTheLocalTimeSaysInTheFramedBlackScene) {
    WriteFlags(FLAG_MANUAL_CAMERA | FLAG_FRAMED_VIEW);
    SceneClockApp app;
    s_now = LocalTime(15, 30, 45);
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_TRUE(m_boxes.Boxes().empty());
    ASSERT_GT(app.GetVelmoran()->Count(), 0);
    ResetCamera(app.GetCamera());
    const UINT width = app.BackBufferDesc().Width;

    // 15:30:45 and a time whose hands all point elsewhere.
    const float first[3] = {105.0f, 180.0f, 270.0f};
    const float second[3] = {30.0f + 7 * 0.5f, 42.0f, 48.0f};
    const std::vector<DWORD> a = FrameAt(app, LocalTime(15, 30, 45));
    const std::vector<DWORD> b = FrameAt(app, LocalTime(1, 7, 8));

    // The flower the camera sees largest, with its hands' circle in view.
    int flower = -1;
    float best = 0.0f;
    for (int i = 0; i < app.GetVelmoran()->Count(); ++i) {
        bool whole = true;
        for (float deg = 0.0f; deg < 360.0f; deg += 45.0f) {
            whole = whole && Inside(HandPoint(app, i, 2, deg, 0.8f));
        }
        const D3DXVECTOR3 c = HandPoint(app, i, 2, 0.0f, 0.0f);
        const D3DXVECTOR3 t = HandPoint(app, i, 2, 0.0f, 1.0f);
        const float size = std::hypot(t.x - c.x, t.y - c.y);
        if (whole && size > best) {
            best = size;
            flower = i;
        }
    }
    ASSERT_GE(flower, 0) << "no flower wholly in view from the starting pose";
    ASSERT_GT(best, 25.0f) << "the nearest flower is too small on the screen to probe";

    // Along each hand at the first time the picture differs from the second
    // time (the hand is there, then gone); along an empty direction it does
    // not. The second hand's needle is thinner than a pixel at this distance,
    // so its broad counterweight behind the pivot is probed instead.
    const float probes[3][3] = {{0.45f, 0.6f, 0.75f}, {0.45f, 0.6f, 0.75f}, {-0.12f, -0.18f, -0.24f}};
    auto changed = [&](int hand, float degrees) {
        int n = 0;
        for (float f : probes[hand]) {
            n += Change(a, b, width, HandPoint(app, flower, hand, degrees, f)) > 60 ? 1 : 0;
        }
        return n;
    };
    for (int hand = 0; hand < 3; ++hand) {
        EXPECT_GE(changed(hand, first[hand]), 2) << "hand " << hand << " is not at " << first[hand] << " degrees";
        EXPECT_GE(changed(hand, second[hand]), 2)
            << "hand " << hand << " is not at " << second[hand] << " degrees later";
    }
    EXPECT_EQ(0, changed(1, 225.0f)) << "the dial changed where no hand ever was";

    // Inside the frame's band, the top of the scene viewport shows background
    // (black, and the fog is black too) between the flowers; the margin is
    // white and holds the green statistics.
    int darkest = 3 * 255;
    for (int i = 1; i < 10; ++i) {
        const Pixel p = At(a, width, float(g_viewport.X) + float(g_viewport.Width) * float(i) / 10.0f,
                           float(g_viewport.Y) + float(g_viewport.Height) * 0.12f);
        darkest = std::min(darkest, p.r + p.g + p.b);
    }
    EXPECT_LT(darkest, 30);
    const Pixel margin = At(a, width, 2.0f, float(app.BackBufferDesc().Height) - 3.0f);
    EXPECT_GT(margin.r + margin.g + margin.b, 3 * 240);
    int green = 0;
    for (UINT y = 0; y < 20; ++y) {
        for (UINT x = 0; x < 150; ++x) {
            const Pixel p = At(a, width, float(x), float(y));
            green += (p.g > 120 && p.r < 90 && p.b < 90) ? 1 : 0;
        }
    }
    EXPECT_GE(green, 20);
    app.Close();
}

// The default view (full view, buttons, numerals, the camera riding with the
// bird) early in the flight, flowers, bird and ribbons in view, keeps the picture it had before the
// frame's drawing was made cheaper: colours averaged over 4 x 4 blocks agree
// within a few levels. VELMORAN_WRITE_REFERENCE=<file> writes a new one.
TEST_F(ClockSceneRenderTest, TheDefaultViewKeepsItsPicture) {
    WriteFlags(kDefaultFlagsWord);
    SceneClockApp app;
    s_now = LocalTime(10, 8, 0);
    s_llTicks = 5000000;
    crt::srand(1);
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_TRUE(m_boxes.Boxes().empty());
    s_llStep = 1000000 / 60;
    for (int i = 0; i < 150; ++i) {
        app.Step();
    }
    s_llStep = 1;
    const std::vector<DWORD> frame = FrameAt(app, s_now);
    const UINT width = app.BackBufferDesc().Width;
    const UINT height = app.BackBufferDesc().Height;
    app.Close();
    ASSERT_EQ(512u, width);
    ASSERT_EQ(384u, height);

    constexpr UINT kBlock = 4;
    std::string pooled;
    for (UINT by = 0; by < height / kBlock; ++by) {
        for (UINT bx = 0; bx < width / kBlock; ++bx) {
            int sum[3] = {0, 0, 0};
            for (UINT y = 0; y < kBlock; ++y) {
                for (UINT x = 0; x < kBlock; ++x) {
                    const Pixel p = At(frame, width, float(bx * kBlock + x), float(by * kBlock + y));
                    sum[0] += p.r;
                    sum[1] += p.g;
                    sum[2] += p.b;
                }
            }
            for (int c : sum) {
                pooled += char((c + int(kBlock * kBlock) / 2) / int(kBlock * kBlock));
            }
        }
    }
    const std::string header = "P6\n128 96\n255\n";
    if (const char* out = std::getenv("VELMORAN_WRITE_REFERENCE"); out != nullptr) {
        std::ofstream(out, std::ios::binary) << header << pooled;
    }
    std::ifstream in(VELMORAN_TEST_DATA "/default-view.ppm", std::ios::binary);
    const std::string reference((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(header.size() + pooled.size(), reference.size()) << "no reference picture";
    long total = 0;
    int far = 0;
    long light[2] = {0, 0};  // the picture's and the reference's
    for (std::size_t i = 0; i < pooled.size(); ++i) {
        const int d = std::abs(int(BYTE(pooled[i])) - int(BYTE(reference[header.size() + i])));
        total += d;
        far += d > 24 ? 1 : 0;
        light[0] += BYTE(pooled[i]);
        light[1] += BYTE(reference[header.size() + i]);
    }
    // A dimmer light or ambient shifts the lit flowers a few levels only,
    // within the figures below, but the light of the whole picture with them.
    EXPECT_NEAR(double(light[0]) / double(light[1]), 1.0, 0.005);
    // The scene is mostly black: a lost flower or a lost bird shows in both
    // figures, a rounding difference of the rasterizer in neither.
    EXPECT_LT(double(total) / double(pooled.size()), 1.0);
    EXPECT_LT(far, int(pooled.size() / 200));
}

}  // namespace
