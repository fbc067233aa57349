// The device table: which modes each device offers, in which order, with
// which depth format and vertex processing, and which device is chosen first.
#include <gtest/gtest.h>

#include "app/ClockApp.h"
#include "framework/AppFrame.h"
#include "framework/ErrorReport.h"
#include "support/Capture.h"
#include "support/TableDirect3D.h"

namespace {

constexpr D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f, UINT refresh = 60) {
    return {w, h, refresh, f};
}

// Runs the enumeration of a plain frame over a table.
class TableFrame : public AppFrame {
public:
    explicit TableFrame(TableDirect3D* d3d) { m_pD3D = d3d; }
    ~TableFrame() override { m_pD3D = nullptr; }
    HRESULT Enumerate() { return EnumerateDevices(); }
    BOOL Depth(D3DFORMAT target, D3DFORMAT* out) { return ChooseDepthFormat(0, D3DDEVTYPE_HAL, target, out); }
    void SetDepthNeeds(BOOL use, DWORD depthBits, DWORD stencilBits) {
        m_bUseDepthBuffer = use;
        m_dwMinDepthBits = depthBits;
        m_dwMinStencilBits = stencilBits;
    }
    // Refuses the hardware device in one format, as an application may.
    D3DFORMAT m_refusedHalFormat = D3DFMT_UNKNOWN;
    HRESULT AcceptDevice(const D3DCAPS8* caps, DWORD behavior, D3DFORMAT format) override {
        if (caps->DeviceType == D3DDEVTYPE_HAL && format == m_refusedHalFormat) {
            return E_FAIL;
        }
        return AppFrame::AcceptDevice(caps, behavior, format);
    }
};

// The clock application's own rule on vertex processing, over a table.
class TableClockApp : public ClockApp {
public:
    explicit TableClockApp(TableDirect3D* d3d) { m_pD3D = d3d; }
    ~TableClockApp() override { m_pD3D = nullptr; }
    HRESULT Enumerate() { return EnumerateDevices(); }
};

const DeviceEntry& DeviceOf(const AppFrame& frame, DWORD adapter, DWORD device) {
    return frame.Adapter(adapter).m_devices[device];
}

TableAdapter DesktopAdapter() {
    TableAdapter adapter;
    adapter.m_desktop = Mode(1024, 768, D3DFMT_X8R8G8B8);
    adapter.m_modes = {Mode(640, 480, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_R5G6B5),
                       Mode(1024, 768, D3DFMT_X8R8G8B8)};
    adapter.m_hal = TableDirect3D::Capable(D3DDEVTYPE_HAL, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5});
    adapter.m_ref = TableDirect3D::Capable(D3DDEVTYPE_REF, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5});
    return adapter;
}

class DeviceEnumerationTest : public ::testing::Test {
protected:
    TableDirect3D m_d3d;
    MessageBoxCapture m_boxes;
};

TEST_F(DeviceEnumerationTest, ModesAreFilteredDeduplicatedAndSortedByFormatThenSize) {
    TableAdapter adapter = DesktopAdapter();
    adapter.m_modes = {
        Mode(1024, 768, D3DFMT_X8R8G8B8),  Mode(320, 240, D3DFMT_R5G6B5),     Mode(640, 350, D3DFMT_R5G6B5),
        Mode(800, 600, D3DFMT_R5G6B5, 60), Mode(800, 600, D3DFMT_R5G6B5, 75), Mode(640, 480, D3DFMT_X8R8G8B8),
        Mode(640, 400, D3DFMT_R5G6B5),     Mode(800, 500, D3DFMT_X8R8G8B8),   Mode(800, 480, D3DFMT_R5G6B5),
    };
    m_d3d.m_adapters = {adapter};
    TableFrame frame(&m_d3d);
    ASSERT_EQ(S_OK, frame.Enumerate());

    const DeviceEntry& hal = DeviceOf(frame, 0, 0);
    const struct {
        DWORD w;
        DWORD h;
        D3DFORMAT f;
    } expected[] = {
        {640, 400, D3DFMT_R5G6B5},   {800, 480, D3DFMT_R5G6B5},   {800, 600, D3DFMT_R5G6B5},
        {640, 480, D3DFMT_X8R8G8B8}, {800, 500, D3DFMT_X8R8G8B8}, {1024, 768, D3DFMT_X8R8G8B8},
    };
    ASSERT_EQ(std::size(expected), hal.m_dwNumModes);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(expected[i].w, hal.m_modes[i].m_dwWidth) << "mode " << i;
        EXPECT_EQ(expected[i].h, hal.m_modes[i].m_dwHeight) << "mode " << i;
        EXPECT_EQ(expected[i].f, hal.m_modes[i].m_format) << "mode " << i;
    }
}

TEST_F(DeviceEnumerationTest, FirstWindowedDeviceIsChosenAndItsFullScreenModeIs640x480PreferablyIn16Bits) {
    m_d3d.m_adapters = {DesktopAdapter()};
    {
        TableFrame frame(&m_d3d);
        ASSERT_EQ(S_OK, frame.Enumerate());
        const DeviceEntry& hal = DeviceOf(frame, 0, 0);
        // The first windowed device is chosen without a warning.
        EXPECT_EQ(0u, frame.CurrentAdapter());
        EXPECT_EQ(0u, frame.Adapter(0).m_dwCurrentDevice);
        EXPECT_TRUE(frame.IsWindowed());
        EXPECT_TRUE(hal.m_bCanDoWindowed);
        EXPECT_TRUE(m_boxes.Boxes().empty());
    }
    const struct {
        std::vector<D3DDISPLAYMODE> modes;
        DWORD width, height;  // of the chosen mode
        D3DFORMAT format;
    } cases[] = {
        {DesktopAdapter().m_modes, 640, 480, D3DFMT_R5G6B5},
        {{Mode(1024, 768, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_R5G6B5)},
         640,
         480,
         D3DFMT_X8R8G8B8},
        // No 640 x 480 at all: the first mode (16 bits sort first).
        {{Mode(1024, 768, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_R5G6B5)}, 800, 600, D3DFMT_R5G6B5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modes.size());
        m_d3d.m_adapters[0].m_modes = c.modes;
        TableFrame frame(&m_d3d);
        ASSERT_EQ(S_OK, frame.Enumerate());
        const DeviceEntry& hal = DeviceOf(frame, 0, 0);
        const ModeEntry& mode = hal.m_modes[hal.m_dwCurrentMode];
        EXPECT_EQ(c.width, mode.m_dwWidth);
        EXPECT_EQ(c.height, mode.m_dwHeight);
        EXPECT_EQ(c.format, mode.m_format);
    }
}

TEST_F(DeviceEnumerationTest, DepthFormatFollowsTheMinimumBitsAndAFormatWithoutOneIsDropped) {
    m_d3d.m_adapters = {DesktopAdapter()};
    TableFrame frame(&m_d3d);
    // The depth format chosen for the needs.
    auto chosen = [&frame](DWORD depthBits, DWORD stencilBits) {
        frame.SetDepthNeeds(TRUE, depthBits, stencilBits);
        D3DFORMAT depth = D3DFMT_UNKNOWN;
        return frame.Depth(D3DFMT_X8R8G8B8, &depth) ? depth : D3DFMT_UNKNOWN;
    };
    EXPECT_EQ(D3DFMT_D16, chosen(16, 0));
    EXPECT_EQ(D3DFMT_D24X8, chosen(24, 0));
    EXPECT_EQ(D3DFMT_D24S8, chosen(16, 1));  // D15S1 is not offered by this device
    m_d3d.m_adapters[0].m_hal.m_depthFormats = {D3DFMT_D24X4S4, D3DFMT_D32};
    frame.SetDepthNeeds(TRUE, 16, 8);
    D3DFORMAT none = D3DFMT_UNKNOWN;
    EXPECT_FALSE(frame.Depth(D3DFMT_X8R8G8B8, &none));
    EXPECT_EQ(D3DFMT_D24X4S4, chosen(16, 4));
    EXPECT_EQ(D3DFMT_D32, chosen(32, 0));

    // A device with no depth format at all keeps no mode while a depth buffer is wanted.
    m_d3d.m_adapters[0].m_hal.m_depthFormats = {};
    frame.SetDepthNeeds(TRUE, 16, 0);
    ASSERT_EQ(S_OK, frame.Enumerate());
    EXPECT_EQ(1u, frame.Adapter(0).m_dwNumDevices);
    EXPECT_EQ(D3DDEVTYPE_REF, DeviceOf(frame, 0, 0).m_deviceType);

    // Without a depth buffer every format is kept and carries no depth format.
    frame.SetDepthNeeds(FALSE, 16, 0);
    ASSERT_EQ(S_OK, frame.Enumerate());
    ASSERT_EQ(2u, frame.Adapter(0).m_dwNumDevices);
    EXPECT_EQ(D3DFMT_UNKNOWN, DeviceOf(frame, 0, 0).m_modes[0].m_depthStencilFormat);
}

TEST_F(DeviceEnumerationTest, ClockAppGetsD16AndMixedVertexProcessingOnAHardwareTransformDevice) {
    TableAdapter adapter = DesktopAdapter();
    adapter.m_hal.m_caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    m_d3d.m_adapters = {adapter};
    {
        TableClockApp app(&m_d3d);
        ASSERT_EQ(S_OK, app.Enumerate());
        const DeviceEntry& hal = DeviceOf(app, 0, 0);
        ASSERT_EQ(4u, hal.m_dwNumModes);
        for (DWORD i = 0; i < hal.m_dwNumModes; ++i) {
            EXPECT_EQ(D3DCREATE_MIXED_VERTEXPROCESSING, hal.m_modes[i].m_dwBehavior) << "mode " << i;
            EXPECT_EQ(D3DFMT_D16, hal.m_modes[i].m_depthStencilFormat) << "mode " << i;
        }
        // The reference device has no hardware transform: software processing.
        EXPECT_EQ(D3DCREATE_SOFTWARE_VERTEXPROCESSING, DeviceOf(app, 0, 1).m_modes[0].m_dwBehavior);
    }
    // A frame that accepts everything takes the pure hardware device.
    TableFrame frame(&m_d3d);
    ASSERT_EQ(S_OK, frame.Enumerate());
    EXPECT_EQ(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE,
              DeviceOf(frame, 0, 0).m_modes[0].m_dwBehavior);
}

// The warning shown when only the reference device can render in a window,
// one case per reason.
struct RefCase {
    const char* m_szName;
    void (*m_pfnShape)(TableAdapter&, TableFrame&);
    HRESULT m_hrExpected;
};

class ReferenceWarningTest : public DeviceEnumerationTest, public ::testing::WithParamInterface<RefCase> {};

TEST_P(ReferenceWarningTest, ExplainsWhyTheHardwareDeviceWasNotTaken) {
    TableAdapter adapter = DesktopAdapter();
    TableFrame frame(&m_d3d);
    GetParam().m_pfnShape(adapter, frame);
    m_d3d.m_adapters = {adapter};

    ASSERT_EQ(S_OK, frame.Enumerate());
    const AdapterEntry& chosen = frame.Adapter(frame.CurrentAdapter());
    EXPECT_EQ(D3DDEVTYPE_REF, chosen.m_devices[chosen.m_dwCurrentDevice].m_deviceType);
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    const MessageBoxRecord& box = m_boxes.Boxes()[0];
    EXPECT_EQ(0u, box.text.find(std::string(ErrorMessageText(GetParam().m_hrExpected)) + "\n\nSwitching to"));
    EXPECT_EQ(MB_ICONWARNING, box.type);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, ReferenceWarningTest,
    ::testing::Values(
        RefCase{"NoHardwareDevice", [](TableAdapter& a, TableFrame&) { a.m_hal.m_bPresent = false; }, ERR_NO_HW_DEVICE},
        RefCase{"HardwareHasNoMode",
                [](TableAdapter& a, TableFrame& f) {
                    a.m_hal.m_depthFormats = {};
                    f.SetDepthNeeds(TRUE, 16, 0);
                },
                ERR_HW_LACKS_FEATURES},
        RefCase{"HardwareCannotRenderWindowed", [](TableAdapter& a, TableFrame&) { a.m_hal.m_caps.Caps2 = 0; },
                ERR_HW_NO_WINDOW},
        RefCase{"HardwareLacksTheDesktopFormat",
                [](TableAdapter& a, TableFrame&) { a.m_hal.m_renderFormats = {D3DFMT_R5G6B5}; },
                ERR_HW_NO_DESKTOP_WINDOW},
        RefCase{"DesktopFormatNotConfirmed",
                [](TableAdapter&, TableFrame& f) { f.m_refusedHalFormat = D3DFMT_X8R8G8B8; }, ERR_HW_NO_MODE}),
    [](const ::testing::TestParamInfo<RefCase>& info) { return std::string(info.param.m_szName); });

TEST_F(DeviceEnumerationTest, NoUsableDeviceAndNoWindowedDeviceAreErrorsAndAnAdapterWithoutDevicesTakesNoSlot) {
    TableAdapter adapter = DesktopAdapter();
    adapter.m_hal.m_caps.Caps2 = adapter.m_ref.m_caps.Caps2 = 0;
    TableAdapter formatless = adapter;
    formatless.m_hal.m_renderFormats = formatless.m_ref.m_renderFormats = {};
    const struct {
        std::vector<TableAdapter> adapters;
        HRESULT hr;
    } cases[] = {{{adapter}, ERR_NO_WINDOW_MODE}, {{formatless}, ERR_NO_DEVICE}, {{}, ERR_NO_DEVICE}};
    for (const auto& c : cases) {
        m_d3d.m_adapters = c.adapters;
        TableFrame frame(&m_d3d);
        EXPECT_EQ(c.hr, frame.Enumerate()) << c.adapters.size();
    }
    // An adapter without devices takes no slot.
    formatless.m_szDescription = "Empty adapter";
    TableAdapter good = DesktopAdapter();
    good.m_szDescription = "Good adapter";
    m_d3d.m_adapters = {formatless, good};
    TableFrame frame(&m_d3d);
    ASSERT_EQ(S_OK, frame.Enumerate());
    EXPECT_EQ(1u, frame.AdapterCount());
    EXPECT_STREQ("Good adapter", frame.Adapter(0).m_identifier.Description);
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(DeviceEnumerationTest, TablesStopAtTheirLimits) {
    TableAdapter adapter = DesktopAdapter();
    adapter.m_modes.clear();
    // 130 distinct modes in two formats: the working list keeps 100.
    for (UINT i = 0; i < 65; ++i) {
        adapter.m_modes.push_back(Mode(640 + i, 480, D3DFMT_X8R8G8B8));
        adapter.m_modes.push_back(Mode(640 + i, 480, D3DFMT_R5G6B5));
    }
    m_d3d.m_adapters = std::vector<TableAdapter>(12, adapter);
    TableFrame frame(&m_d3d);
    ASSERT_EQ(S_OK, frame.Enumerate());
    EXPECT_EQ(kMaxAdapters, frame.AdapterCount());
    EXPECT_EQ(kMaxEnumModes, DeviceOf(frame, 9, 0).m_dwNumModes);
}

}  // namespace
