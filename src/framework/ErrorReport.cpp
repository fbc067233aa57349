#include "framework/ErrorReport.h"

#include <cstdio>
#include <cstring>

#include "framework/HResultNames.h"
#include "platform/kernel/Kernel.h"

namespace {

constexpr std::size_t kTraceBufferSize = 3000;
constexpr std::size_t kReportBufferSize = 512;

const char kFatalSuffix[] = "\n\nThis sample will now exit.";
const char kReferenceSuffix[] =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\nDirect3D "
    "feature set, but runs very slowly.";

// Appends text when it fits whole; text that would overflow is left out.
void AppendIfFits(char* buffer, std::size_t size, const char* text) {
    std::size_t used = std::strlen(buffer);
    std::size_t extra = std::strlen(text);
    if (used + extra + 1 <= size) {
        std::memcpy(buffer + used, text, extra + 1);
    }
}

}  // namespace

const char* ErrorMessageText(HRESULT code) {
    switch (code) {
        case ERR_NO_D3D:
            return "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is "
                   "correctly "
                   "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that "
                   "match\nthe installed DirectX DLLs.";
        case ERR_NO_DEVICE:
            return "Could not find any compatible Direct3D\ndevices.";
        case ERR_NO_WINDOW_MODE:
            return "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
                   "desktop settings to a\n16- or 32-bit display mode and re-run this\nsample.";
        case ERR_NO_HW_DEVICE:
            return "No hardware-accelerated Direct3D devices\nwere found.";
        case ERR_HW_LACKS_FEATURES:
            return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator.";
        case ERR_HW_NO_WINDOW:
            return "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is "
                   "running to "
                   "see a\nlist of available devices and modes.";
        case ERR_HW_NO_DESKTOP_WINDOW:
            return "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
                   "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes.";
        case ERR_HW_NO_MODE:
            return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
                   "with "
                   "the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist of "
                   "available devices and modes.";
        case ERR_LEAKED_OBJECT:
            return "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).";
        case ERR_DEVICE_RESET:
            return "Could not reset the Direct3D device.";
        case ERR_NO_HOST_WINDOW:
            return "Could not draw in the window given to draw in.";
        case ERR_NULL_REFERENCE_DEVICE:
            return "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but "
                   "your\ncomputer "
                   "only has a reduced-functionality reference device\ninstalled.  Install the DirectX SDK to get the "
                   "full\nreference device.\n";
        case E_OUTOFMEMORY:
            return "Not enough memory.";
        case MakeHResult(0x8876017Cu):  // D3DERR_OUTOFVIDEOMEMORY
            return "Not enough video memory.";
        default:
            return "Generic application error. Enable\ndebug output for detailed information.";
    }
}

HRESULT ShowErrorMessage(HRESULT code, int kind, const char* windowTitle, HWND mainWindow) {
    char text[kReportBufferSize];
    std::snprintf(text, sizeof(text), "%s", ErrorMessageText(code));
    const char* caption = windowTitle != nullptr ? windowTitle : "";
    if (kind == MSG_FATAL) {
        AppendIfFits(text, sizeof(text), kFatalSuffix);
        MessageBoxA(nullptr, text, caption, MB_ICONERROR);
        if (mainWindow != nullptr) {
            SendMessageA(mainWindow, WM_CLOSE, 0, 0);
        }
    } else {
        if (kind == MSG_SWITCHED_TO_REF) {
            AppendIfFits(text, sizeof(text), kReferenceSuffix);
        }
        MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
    }
    return code;
}

HRESULT TraceError(const TraceSite& site, HRESULT code, BOOL popUp) {
    return TraceError(site.m_pszModule, site.m_lNumber, code, site.m_pszText, popUp);
}

HRESULT TraceError(const char* file, long line, HRESULT code, const char* message, BOOL popUp) {
    char lineText[32];
    std::snprintf(lineText, sizeof(lineText), "%ld", line);

    char record[kTraceBufferSize];
    record[0] = '\0';
    if (file != nullptr && std::strlen(file) + 200 < kTraceBufferSize) {
        std::snprintf(record, sizeof(record), "%s(%s): ", file, lineText);
    }
    if (message != nullptr) {
        AppendIfFits(record, sizeof(record), message);
    }

    char codeText[200];
    std::snprintf(codeText, sizeof(codeText), "%s (0x%08x)", HResultName(code), static_cast<unsigned>(code));
    char codeLine[220];
    std::snprintf(codeLine, sizeof(codeLine), " (hr=%s)", codeText);
    AppendIfFits(record, sizeof(record), codeLine);
    AppendIfFits(record, sizeof(record), "\n");
    OutputDebugStringA(record);

    if (popUp) {
        const char* fileText = file != nullptr ? file : "";
        const char* messageText = message != nullptr ? message : "";
        std::size_t needed =
            std::strlen(messageText) + std::strlen(fileText) + std::strlen(lineText) + std::strlen(codeText) + 200;
        if (needed < kTraceBufferSize) {
            char box[kTraceBufferSize];
            std::snprintf(box, sizeof(box), "File: %s\nLine: %s\nError Code: %s\nCalling: %s", fileText, lineText,
                          codeText, messageText);
            MessageBoxA(nullptr, box, "Unexpected error encountered", MB_ICONERROR);
        }
    }
    return code;
}
