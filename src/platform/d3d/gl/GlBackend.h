// The OpenGL renderer behind a device: fixed function through generated
// programs, GL state cached so redundant calls are skipped, resources
// uploaded lazily by version. A HAL backend draws in the window's context; a
// REF backend draws in an off-screen context and copies its frames to the
// window at Present: a software one, or the best device there is for a
// window without GL (another program's).
#pragma once

#include <epoxy/gl.h>

#include <vector>

#include "platform/d3d/core/RenderBackend.h"
#include "platform/d3d/gl/EglContext.h"
#include "platform/d3d/gl/GlFrameReadback.h"
#include "platform/d3d/gl/GlLimits.h"
#include "platform/d3d/gl/GlStateCache.h"
#include "platform/d3d/gl/GlTranslation.h"
#include "platform/d3d/gl/ShaderCache.h"
#include "platform/d3d/gl/ShaderGenerator.h"
#include "platform/d3d/gl/ShaderKey.h"

struct SDL_Cursor;
class CoreTexture;
class CoreVertexBuffer;
class CoreIndexBuffer;

class GlBackend final : public RenderBackend {
public:
    // `window` may be null for a REF device (off-screen only). Nothing is
    // made until Create.
    GlBackend(D3DDEVTYPE type, HWND window, const GlLimits& limits, UINT refreshRate);
    ~GlBackend() override;
    GlBackend(const GlBackend&) = delete;
    GlBackend& operator=(const GlBackend&) = delete;

    // Makes (REF) or borrows (HAL) the context and the per-context objects.
    HRESULT Create();

    HRESULT Reset(D3DPRESENT_PARAMETERS& parameters) override;
    HRESULT TestCooperativeLevel() override;
    HRESULT Clear(DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT Draw(DeviceState& state, const DrawCall& call) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride) override;
    HRESULT ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) override;
    HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    void ShowCursor(bool show) override;
    void ReleaseResource(ResourceBase& resource) override;

    // GL calls issued so far (state changes, uploads, draws), for benchmarks.
    DWORD GlCallCount() const { return m_cache.CallCount(); }
    // Programs compiled so far.
    std::size_t ProgramCount() const { return m_shaders.Size(); }
    // True when frames are paced to the display (swap interval or sleep).
    bool IsPaced() const { return m_bPacing; }
    // Counter ticks from one frame to the next: the display's, or the cap's
    // when that is lower (0: no cap).
    static ULONGLONG FramePeriod(ULONGLONG frequency, UINT refreshRate, UINT cap);
    // Block-compressed textures go to GL compressed when it has S3TC; tests
    // turn that off to check the decoded path on the same machine.
    void UseCompressedUploads(bool use) { m_bCompressedUploads = use; }
    // Device pixels per unit of the back buffer, and the render targets' size
    // in device pixels (the back buffer's times the scale).
    int Scale() const { return m_iScale; }
    UINT TargetWidth() const { return m_uTargetWidth; }
    UINT TargetHeight() const { return m_uTargetHeight; }
    // The last presented frame in device pixels, top row first, for tests.
    std::vector<DWORD> FrontPixels();

private:
    struct VertexArray {
        GLuint m_uVao = 0;
        DWORD m_dwFvf = 0;
        UINT m_uStride = 0;
        DWORD m_dwIndexSerial = 0;  // index buffer bound in the VAO (serials are never reused)
    };
    struct BufferData {
        GLuint m_uBuffer = 0;
        DWORD m_dwSerial = 0;
        DWORD m_dwVersion = 0;
        bool m_bUploaded = false;
        VertexArray m_arrays[2];
        int m_iNextArray = 0;
    };
    struct TextureData {
        GLuint m_uTexture = 0;
        DWORD m_dwVersion = 0;
        bool m_bUploaded = false;
    };

    static constexpr int kUserArrays = 8;

    bool MakeCurrent();
    // The scale of the window drawn into now: 1 without a GL window.
    int WindowScaleNow() const;
    void DestroyTargets();
    // Makes the targets for `parameters` at `scale` (falling back to 1 when
    // the larger targets do not fit GL's limits).
    HRESULT CreateTargets(const D3DPRESENT_PARAMETERS& parameters, int scale);
    // The window moved to a display of another scale: the targets follow,
    // the program's back buffer stays.
    void FollowWindowScale();
    void ApplyWindowMode(D3DPRESENT_PARAMETERS& parameters);

    void ApplyRenderStates(const DeviceState& state);
    void ApplyViewport(const DeviceState& state);
    void BuildShaderKey(const DeviceState& state, const FvfLayout& layout, ShaderKey* key) const;
    void UpdateFrameBlock(const DeviceState& state);
    void UpdateWorldBlocks(const DeviceState& state, DWORD dirty);
    void UploadUniforms(GLuint buffer, const void* data, GLsizeiptr bytes);
    // Binds as much of the palette as the current program declares.
    void BindPalette(unsigned entries);
    void BindTextures(const DeviceState& state, bool samplersDirty);
    GLuint Sampler(const DeviceState& state, DWORD stage);
    TextureData* PrepareTexture(CoreTexture& texture, int unit);
    // A vertex or index buffer's GL buffer, its bytes uploaded when their version moved.
    BufferData* PrepareBuffer(ResourceBase& buffer, const BYTE* bytes, UINT length);
    void SetupVertexArray(const FvfLayout& layout, UINT stride, GLuint buffer);
    GLuint UserVertexArray(const FvfLayout& layout, UINT stride);
    // Binds the vertex array reading `layout` at `stride` from a vertex
    // buffer: one of the buffer's two, the older replaced when neither fits.
    VertexArray* BufferVertexArray(BufferData& vertices, const FvfLayout& layout, UINT stride);
    // GL state was changed behind the cache (a reset, the present hook):
    // forget the cache and apply every state again at the next draw.
    void ForgetGlState();

    void ResolveToFront();
    void ShowOnWindowContext();
    void ShowOnWindowSurface();
    void Pace();
    void ReadFront(std::vector<DWORD>& pixels);

    D3DDEVTYPE m_type;
    HWND m_hWindow;
    GlLimits m_limits;
    UINT m_uRefreshRate;
    bool m_bPacing = true;
    bool m_bCompressedUploads = true;
    bool m_bSwapIntervalPaces = false;
    ULONGLONG m_ullNextFrame = 0;
    EglContext m_egl;
    bool m_bCreated = false;

    GlStateCache m_cache;
    ShaderCache m_shaders;
    ShaderKey m_key;
    DWORD m_dwKeyFvf = ~0u;
    DWORD m_dwForceDirty = 0;
    unsigned m_uBoundPaletteEntries = 0;
    GLuint m_uProgram = 0;

    D3DPRESENT_PARAMETERS m_params = {};
    UINT m_uWidth = 0;  // the back buffer the program sees, in its units
    UINT m_uHeight = 0;
    // The targets are the back buffer at a whole scale: every size and
    // position the program gives is multiplied by m_iScale on its way to GL.
    int m_iScale = 1;
    UINT m_uTargetWidth = 0;
    UINT m_uTargetHeight = 0;
    bool m_bHasDepth = false;
    bool m_bHasStencil = false;
    bool m_bLost = false;
    bool m_bFullscreenApplied = false;

    // The device draws its targets top row first, as the device's own
    // surfaces are laid out (GL's rows run bottom-up, so every draw is
    // mirrored: viewport, scissor, clip-space Y, winding). The window's buffer
    // is top row first too, so a frame reaches it by a plain memory copy
    // instead of a full-window draw. Without multisampling the back buffer is
    // a texture in the window's BGRA layout, for the same reason.
    GLuint m_uBackFbo = 0;
    GLuint m_uBackColor = 0;
    bool m_bBackColorTexture = false;
    GLuint m_uBackDepth = 0;
    GLuint m_uFrontFbo = 0;
    GLuint m_uFrontColor = 0;
    GLuint m_uFrameUbo = 0;
    GLuint m_uPixelUbo = 0;
    GLuint m_uWorldUbo = 0;
    GLuint m_uWorldNormalUbo = 0;
    GLuint m_uUserVbo = 0;
    GLsizeiptr m_iUserVboSize = 0;
    VertexArray m_userArrays[kUserArrays];
    int m_iNextUserArray = 0;
    GLuint m_uSamplers[d3dgl::kSamplerCount] = {};
    bool m_bPointMagnified = false;  // the bound samplers magnify with point sampling
    DWORD m_dwNextSerial = 1;

    // Objects in the window's context that show a REF frame.
    GLuint m_uWindowTexture = 0;
    GLuint m_uWindowFbo = 0;
    UINT m_uWindowTextureWidth = 0;
    UINT m_uWindowTextureHeight = 0;

    FrameBlock m_frame = {};
    PixelBlock m_pixel = {};  // as the pixel block's buffer holds it
    float m_fWorld[ShaderGenerator::kPaletteSize][16] = {};
    float m_fWorldNormal[ShaderGenerator::kPaletteSize][16] = {};
    std::vector<DWORD> m_pixels;
    // Frames on their way to a window without GL.
    GlFrameReadback m_readback;
    std::vector<DWORD> m_scratch;

    SDL_Cursor* m_pCursor = nullptr;
    bool m_bCursorShown = false;
};
