#include <SDL_keyboard.h>
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/dinput/DInput.h"
#include "platform/win/WinUser.h"

namespace {

// The fake keyboard and focus the device reads through its seams.
std::array<BYTE, SDL_NUM_SCANCODES> g_keys{};
bool g_focused = true;
HWND g_focusAskedFor = nullptr;

const BYTE* FakeKeys(int* count) {
    *count = static_cast<int>(g_keys.size());
    return g_keys.data();
}

bool FakeFocus(HWND window) {
    g_focusAskedFor = window;
    return g_focused;
}

LRESULT NoProcedure(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

class DInputKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        g_keys.fill(0);
        g_focused = true;
        g_focusAskedFor = nullptr;
        dinput_hooks::SetKeyStateSource(FakeKeys);
        dinput_hooks::SetFocusSource(FakeFocus);
        m_hWindow = win::CreateWindowObject(NoProcedure);
        ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                     reinterpret_cast<LPVOID*>(&m_pInput), nullptr),
                  DI_OK);
        ASSERT_EQ(m_pInput->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr), DI_OK);
    }

    void TearDown() override {
        if (m_pKeyboard != nullptr) {
            EXPECT_EQ(m_pKeyboard->Release(), 0u);
        }
        if (m_pInput != nullptr) {
            EXPECT_EQ(m_pInput->Release(), 0u);
        }
        win::DestroyWindowObject(m_hWindow);
        dinput_hooks::SetKeyStateSource(nullptr);
        dinput_hooks::SetFocusSource(nullptr);
    }

    // The program's own set-up sequence.
    void SetUpLikeTheClock() {
        ASSERT_EQ(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
        ASSERT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY),
                  DI_OK);
        ASSERT_EQ(m_pKeyboard->Acquire(), DI_OK);
    }

    std::array<BYTE, 256> Snapshot() {
        std::array<BYTE, 256> state;
        state.fill(0xCD);
        EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state.data()), DI_OK);
        return state;
    }

    HWND m_hWindow = nullptr;
    IDirectInput8A* m_pInput = nullptr;
    IDirectInputDevice8A* m_pKeyboard = nullptr;
};

TEST_F(DInputKeyboard, ClockKeysLandOnTheirPublishedScanCodes) {
    SetUpLikeTheClock();
    struct Case {
        SDL_Scancode sdl;
        BYTE dik;
        BYTE published;
    };
    // The published numbers are written out: the keys the clock reads must
    // land exactly there, whatever the constants say.
    const Case cases[] = {
        {SDL_SCANCODE_UP, DIK_UP, 0xC8},         {SDL_SCANCODE_DOWN, DIK_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, DIK_LEFT, 0xCB},     {SDL_SCANCODE_RIGHT, DIK_RIGHT, 0xCD},
        {SDL_SCANCODE_PAGEUP, DIK_PRIOR, 0xC9},  {SDL_SCANCODE_PAGEDOWN, DIK_NEXT, 0xD1},
        {SDL_SCANCODE_1, DIK_1, 0x02},           {SDL_SCANCODE_2, DIK_2, 0x03},
        {SDL_SCANCODE_3, DIK_3, 0x04},           {SDL_SCANCODE_4, DIK_4, 0x05},
        {SDL_SCANCODE_ESCAPE, DIK_ESCAPE, 0x01}, {SDL_SCANCODE_F2, DIK_F2, 0x3C},
        {SDL_SCANCODE_RETURN, DIK_RETURN, 0x1C}, {SDL_SCANCODE_X, DIK_X, 0x2D},
        {SDL_SCANCODE_LALT, DIK_LMENU, 0x38},    {SDL_SCANCODE_RALT, DIK_RMENU, 0xB8},
        {SDL_SCANCODE_KP_1, DIK_NUMPAD1, 0x4F},  {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER, 0x9C},
        {SDL_SCANCODE_SPACE, DIK_SPACE, 0x39},   {SDL_SCANCODE_A, DIK_A, 0x1E},
        {SDL_SCANCODE_F11, DIK_F11, 0x57},       {SDL_SCANCODE_LGUI, DIK_LWIN, 0xDB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(SDL_GetScancodeName(c.sdl));
        EXPECT_EQ(c.dik, c.published);
        g_keys.fill(0);
        g_keys[c.sdl] = 1;
        std::array<BYTE, 256> state = Snapshot();
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(state[i], i == c.published ? 0x80 : 0x00) << "byte " << i;
        }
    }
}

TEST_F(DInputKeyboard, EveryPcKeyHasItsOwnByte) {
    SetUpLikeTheClock();
    // Press every key SDL knows: no two keys of a PC keyboard may share a byte
    // (the ISO key beside Enter is the one that shares with back-slash).
    int mapped = 0;
    std::array<int, 256> owners{};
    for (int sdl = 0; sdl < SDL_NUM_SCANCODES; ++sdl) {
        g_keys.fill(0);
        g_keys[sdl] = 1;
        std::array<BYTE, 256> state = Snapshot();
        int down = 0;
        for (int i = 0; i < 256; ++i) {
            if (state[i] != 0) {
                EXPECT_EQ(state[i], 0x80);
                ++down;
                ++owners[i];
            }
        }
        EXPECT_LE(down, 1) << SDL_GetScancodeName(static_cast<SDL_Scancode>(sdl));
        mapped += down;
    }
    EXPECT_EQ(owners[0], 0);
    for (int i = 1; i < 256; ++i) {
        if (i != DIK_BACKSLASH && i != DIK_MUTE) {
            EXPECT_LE(owners[i], 1) << "byte " << i;
        }
    }
    // A 104-key board plus the keypad, international and media keys.
    EXPECT_GE(mapped, 104);
}

TEST_F(DInputKeyboard, SeveralKeysDownTogetherAndReleasedAndAnEmptyKeySource) {
    SetUpLikeTheClock();
    g_keys[SDL_SCANCODE_UP] = 1;
    g_keys[SDL_SCANCODE_PAGEDOWN] = 1;
    g_keys[SDL_SCANCODE_3] = 1;
    g_keys[SDL_SCANCODE_KP_1] = 1;
    g_keys[SDL_SCANCODE_KP_2] = 1;
    std::array<BYTE, 256> state = Snapshot();
    EXPECT_EQ(state[DIK_UP], 0x80);
    EXPECT_EQ(state[DIK_NEXT], 0x80);
    EXPECT_EQ(state[DIK_3], 0x80);
    // The keypad's digits are not those of the main block.
    EXPECT_EQ(state[DIK_NUMPAD1], 0x80);
    EXPECT_EQ(state[DIK_NUMPAD2], 0x80);
    EXPECT_EQ(state[DIK_1], 0);
    EXPECT_EQ(state[DIK_2], 0);
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 251);
    g_keys.fill(0);
    state = Snapshot();
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 256);

    // A key source with nothing to give reads as no key down.
    g_keys[SDL_SCANCODE_UP] = 1;  // not the source any more
    dinput_hooks::SetKeyStateSource([](int* count) -> const BYTE* {
        *count = 0;
        return nullptr;
    });
    state = Snapshot();
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 256);
}

TEST_F(DInputKeyboard, FocusLossLosesAcquisitionUntilFocusReturns) {
    SetUpLikeTheClock();
    g_keys[SDL_SCANCODE_LEFT] = 1;
    EXPECT_EQ(Snapshot()[DIK_LEFT], 0x80);
    EXPECT_EQ(g_focusAskedFor, m_hWindow);

    g_focused = false;
    BYTE state[256];
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state), DIERR_INPUTLOST);
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state), DIERR_NOTACQUIRED);
    // The clock re-acquires every frame while reading fails: refused while in the background.
    EXPECT_EQ(m_pKeyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state), DIERR_NOTACQUIRED);

    g_focused = true;
    EXPECT_EQ(m_pKeyboard->Acquire(), DI_OK);
    EXPECT_EQ(Snapshot()[DIK_LEFT], 0x80);

    // A background device ignores the focus.
    ASSERT_EQ(m_pKeyboard->Unacquire(), DI_OK);
    ASSERT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    g_focused = false;
    EXPECT_EQ(m_pKeyboard->Acquire(), DI_OK);
    g_keys[SDL_SCANCODE_DOWN] = 1;
    EXPECT_EQ(Snapshot()[DIK_DOWN], 0x80);
}

TEST_F(DInputKeyboard, CallsOutOfOrderAndBadArgumentsFailWithThePlatformCodes) {
    BYTE state[256];
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state), DIERR_NOTACQUIRED);
    EXPECT_EQ(m_pKeyboard->Acquire(), DIERR_INVALIDPARAM);  // no data format yet
    EXPECT_EQ(m_pKeyboard->Unacquire(), DI_NOEFFECT);

    EXPECT_EQ(m_pKeyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    DIDATAFORMAT wrongSize = c_dfDIKeyboard;
    wrongSize.dwDataSize = 16;
    EXPECT_EQ(m_pKeyboard->SetDataFormat(&wrongSize), DIERR_INVALIDPARAM);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
    // The program's value, written as it passes it.
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, 22), DI_OK);

    SetUpLikeTheClock();
    EXPECT_EQ(m_pKeyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
    BYTE small[16];
    EXPECT_EQ(m_pKeyboard->GetDeviceState(sizeof(small), small), DIERR_INVALIDPARAM);
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);

    EXPECT_EQ(m_pKeyboard->Unacquire(), DI_OK);
    EXPECT_EQ(m_pKeyboard->GetDeviceState(256, state), DIERR_NOTACQUIRED);
    EXPECT_EQ(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
}

TEST(DInputCreate, OnlyVersion8AndTheKeyboard) {
    LPVOID out = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0900, IID_IDirectInput8A, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInputDevice8A, &out, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, nullptr, nullptr), DIERR_INVALIDPARAM);

    ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DI_OK);
    auto* input = static_cast<IDirectInput8A*>(out);
    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
    const GUID mouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    EXPECT_EQ(input->CreateDevice(mouse, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(input->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(input->CreateDevice(GUID_SysKeyboard, &device, input), DIERR_NOAGGREGATION);

    // Reference counts: QueryInterface adds one, each Release takes one.
    void* again = nullptr;
    ASSERT_EQ(input->QueryInterface(IID_IDirectInput8A, &again), S_OK);
    EXPECT_EQ(again, input);
    EXPECT_EQ(input->QueryInterface(IID_IDirectInputDevice8A, &again), E_NOINTERFACE);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(input->Release(), 1u);
    EXPECT_EQ(input->Release(), 0u);
}

TEST_F(DInputKeyboard, WithoutItsSeamsAndFocusOnlyABackgroundDeviceReads) {
    // SDL's own key state and focus: nothing has the focus in a head-less run
    // and no key is down.
    dinput_hooks::SetKeyStateSource(nullptr);
    dinput_hooks::SetFocusSource(nullptr);
    g_keys[SDL_SCANCODE_UP] = 1;
    ASSERT_EQ(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY),
              DI_OK);
    EXPECT_EQ(m_pKeyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_EQ(m_pKeyboard->SetCooperativeLevel(m_hWindow, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    ASSERT_EQ(m_pKeyboard->Acquire(), DI_OK);
    std::array<BYTE, 256> state = Snapshot();
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 256);
}

}  // namespace
