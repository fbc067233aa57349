#include <SDL_keyboard.h>
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>

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

TEST_F(DInputKeyboard, OnlyTheClockKeysLandOnTheirPublishedScanCodes) {
    SetUpLikeTheClock();
    // The keys ClockApp reads, with their published numbers written out: each
    // must land exactly there, and no other key of any keyboard may.
    const std::pair<SDL_Scancode, BYTE> clockKeys[] = {
        {SDL_SCANCODE_UP, 0xC8},    {SDL_SCANCODE_DOWN, 0xD0},   {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD}, {SDL_SCANCODE_PAGEUP, 0xC9}, {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_1, 0x02},     {SDL_SCANCODE_2, 0x03},      {SDL_SCANCODE_3, 0x04},
        {SDL_SCANCODE_4, 0x05},
    };
    for (int sdl = 0; sdl < SDL_NUM_SCANCODES; ++sdl) {
        g_keys.fill(0);
        g_keys[sdl] = 1;
        const std::array<BYTE, 256> state = Snapshot();
        for (const auto& [key, published] : clockKeys) {
            EXPECT_EQ(state[published], sdl == key ? 0x80 : 0x00)
                << SDL_GetScancodeName(static_cast<SDL_Scancode>(sdl)) << " on byte " << int{published};
        }
    }
}

TEST_F(DInputKeyboard, SeveralKeysDownTogetherAndReleased) {
    SetUpLikeTheClock();
    g_keys[SDL_SCANCODE_UP] = 1;
    g_keys[SDL_SCANCODE_PAGEDOWN] = 1;
    g_keys[SDL_SCANCODE_3] = 1;
    std::array<BYTE, 256> state = Snapshot();
    EXPECT_EQ(state[DIK_UP], 0x80);
    EXPECT_EQ(state[DIK_NEXT], 0x80);
    EXPECT_EQ(state[DIK_3], 0x80);
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 253);
    g_keys.fill(0);
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
