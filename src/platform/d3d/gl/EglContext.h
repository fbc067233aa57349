// An off-screen OpenGL 3.3 core context: on Mesa's software rasteriser for
// the reference device, so it works with no display and no GPU; on a GPU when
// there is one for frames drawn into another program's window.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class EglContext {
public:
    EglContext() = default;
    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    enum class Device { kSoftware, kBest };

    // Opens the software EGL device (kSoftware), or a GPU's before it (kBest),
    // and makes a context current. Fails (and holds nothing) when no such
    // device or no 3.3 core context exists.
    HRESULT Create(Device device = Device::kSoftware);
    bool MakeCurrent();
    bool IsCreated() const { return m_pContext != nullptr; }
    const std::string& Renderer() const { return m_szRenderer; }
    bool IsSoftware() const { return m_bSoftware; }

private:
    HRESULT CreateOn(void* display, Device device);
    static void Release(const void* owner);
    void Destroy();

    void* m_pDisplay = nullptr;
    void* m_pContext = nullptr;
    std::string m_szRenderer;
    bool m_bSoftware = false;
};
