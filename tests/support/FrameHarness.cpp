#include "support/FrameHarness.h"

#include <SDL.h>

#include "framework/FrameTimer.h"
#include "platform/kernel/Kernel.h"
#include "support/PresentParameters.h"

namespace {

double s_dClock = 1.0;
TableDirect3D* s_pTable = nullptr;

BOOL TestFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000;
    return TRUE;
}

BOOL TestCounter(LARGE_INTEGER* count) {
    count->QuadPart = static_cast<LONGLONG>(s_dClock * 1000000.0 + 0.5);
    return TRUE;
}

IDirect3D8* CreateTable(UINT) {
    if (s_pTable == nullptr) {
        return nullptr;
    }
    s_pTable->AddRef();
    return s_pTable;
}

}  // namespace

void SetTestClock(double seconds) {
    s_dClock = seconds;
}

double TestClock() {
    return s_dClock;
}

FrameEnvironment::FrameEnvironment() {
    // Keep video up for the whole test program: SDL would otherwise unload
    // the GL driver with the last window, and the driver's own leftovers
    // could no longer be told apart from the program's.
    static const bool s_bVideoKept = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    (void)s_bVideoKept;
    s_dClock = 1.0;
    frame_timer_hooks::Reset();
    kernel_hooks::SetPerformanceCounter(TestFrequency, TestCounter);
    s_pTable = &m_d3d;
    app_frame_hooks::SetDirect3DCreate(CreateTable);
    m_d3d.m_adapters = {StandardAdapter()};
    m_d3d.m_deviceFactory = [this](const CreateDeviceCall& call, IDirect3DDevice8** device) {
        DeviceCore::Creation creation;
        creation.m_uAdapter = call.m_uAdapter;
        creation.m_deviceType = call.m_type;
        creation.m_hFocusWindow = call.m_hFocus;
        creation.m_dwBehaviorFlags = call.m_dwBehavior;
        m_d3d.GetDeviceCaps(call.m_uAdapter, call.m_type, &creation.m_caps);
        D3DPRESENT_PARAMETERS parameters = call.m_params;
        return CreateRecordingTestDevice(&m_log, creation, &parameters, device);
    };
    DrainMessages();
}

FrameEnvironment::~FrameEnvironment() {
    app_frame_hooks::SetDirect3DCreate(nullptr);
    s_pTable = nullptr;
    kernel_hooks::SetPerformanceCounter(nullptr, nullptr);
    frame_timer_hooks::Reset();
    DrainMessages();
}

TableAdapter StandardAdapter() {
    TableAdapter adapter;
    adapter.m_modes = {{640, 480, 60, D3DFMT_R5G6B5},
                       {640, 480, 60, D3DFMT_X8R8G8B8},
                       {800, 600, 60, D3DFMT_X8R8G8B8},
                       {1024, 768, 60, D3DFMT_X8R8G8B8}};
    adapter.m_hal = TableDirect3D::Capable(D3DDEVTYPE_HAL, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5});
    adapter.m_ref = TableDirect3D::Capable(D3DDEVTYPE_REF, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5});
    return adapter;
}

void DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

IDirect3DDevice8* CreateBareTestDevice(BackendLog* log, UINT width, UINT height, const D3DCAPS8* caps) {
    DeviceCore::Creation creation;
    creation.m_deviceType = D3DDEVTYPE_HAL;
    creation.m_dwBehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    creation.m_caps = caps != nullptr ? *caps : TableDirect3D::Capable(D3DDEVTYPE_HAL, {}).m_caps;
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(width, height);
    IDirect3DDevice8* device = nullptr;
    if (FAILED(CreateRecordingTestDevice(log, creation, &parameters, &device))) {
        return nullptr;
    }
    return device;
}
