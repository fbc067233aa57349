// An off-screen OpenGL 3.3 core context on Mesa's software rasteriser. The
// reference device draws with it, so it works with no display and no GPU.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class EglContext {
public:
    EglContext() = default;
    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    // Opens the software EGL device and makes a context current. Fails (and
    // holds nothing) when no software device or no 3.3 core context exists.
    HRESULT Create();
    bool MakeCurrent();
    bool IsCreated() const { return m_pContext != nullptr; }
    const std::string& Renderer() const { return m_szRenderer; }

private:
    static void Release(const void* owner);
    void Destroy();

    void* m_pDisplay = nullptr;
    void* m_pContext = nullptr;
    std::string m_szRenderer;
};
