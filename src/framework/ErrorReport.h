// The frame's user-facing error boxes and the loaders' diagnostic trace.
#pragma once

#include "platform/kernel/WinTypes.h"
#include "platform/win/WinUser.h"

constexpr HRESULT ERR_NO_D3D = MakeHResult(0x82000001u);
constexpr HRESULT ERR_NO_DEVICE = MakeHResult(0x82000003u);
constexpr HRESULT ERR_NO_WINDOW_MODE = MakeHResult(0x82000004u);
constexpr HRESULT ERR_NO_HW_DEVICE = MakeHResult(0x82000005u);
constexpr HRESULT ERR_HW_LACKS_FEATURES = MakeHResult(0x82000006u);
constexpr HRESULT ERR_HW_NO_WINDOW = MakeHResult(0x82000007u);
constexpr HRESULT ERR_HW_NO_DESKTOP_WINDOW = MakeHResult(0x82000008u);
constexpr HRESULT ERR_HW_NO_MODE = MakeHResult(0x82000009u);
constexpr HRESULT ERR_LEAKED_OBJECT = MakeHResult(0x8200000Au);
constexpr HRESULT ERR_DEVICE_RESET = MakeHResult(0x8200000Cu);
constexpr HRESULT ERR_NULL_REFERENCE_DEVICE = MakeHResult(0x8200000Du);
// The window given to draw in (screen-saver mode) could not be adopted.
constexpr HRESULT ERR_NO_HOST_WINDOW = MakeHResult(0x82000010u);

constexpr int MSG_PLAIN = 0;
constexpr int MSG_FATAL = 1;
constexpr int MSG_SWITCHED_TO_REF = 2;

// The fixed English text of a frame error code.
const char* ErrorMessageText(HRESULT code);

// Shows the message of `code` with the suffix of `kind` in a box captioned
// with the window title; a fatal kind then sends WM_CLOSE to the main window
// when there is one. Returns code. The frame's ReportError forwards here.
HRESULT ShowErrorMessage(HRESULT code, int kind, const char* windowTitle, HWND mainWindow);

// Writes "file(line): message (hr=NAME (0xXXXXXXXX))" as one debugger record
// and, with popUp, shows the same facts in a box. Returns code.
HRESULT TraceError(const char* file, long line, HRESULT code, const char* message, BOOL popUp);

// One fixed trace site of a loader: the module, number and text its record
// shows. The number reads like a source line but is an identifier, and the
// texts are the program's established output, odd spellings included; users'
// logs and the tests match them, so they are kept exactly. Each loader keeps
// its sites together in one table.
struct TraceSite {
    const char* m_pszModule;
    long m_lNumber;
    const char* m_pszText;
};

// TraceError with the site's module, number and text.
HRESULT TraceError(const TraceSite& site, HRESULT code, BOOL popUp);
