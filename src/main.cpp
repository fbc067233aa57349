// Program entry: the command line, where the files are, then one clock
// application object for the life of the process.
#include <cstdio>
#include <string>

#include "app/ClockApp.h"
#include "app/CommandLine.h"
#include "framework/MediaLocation.h"
#include "platform/d3d/FrameRateCap.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/DisplayConnection.h"
#include "platform/win/DisplayList.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/HostWindow.h"

namespace {
// With the display gone the user's display choices are still written, as at
// a normal exit.
void SaveSettings(void* app) {
    Flags* flags = static_cast<ClockApp*>(app)->GetFlags();
    if (flags != nullptr) {
        flags->Save();
    }
}

// The display asked for, where the window opens; false (one line said) when
// there is no such display. A screen saver's window is where it was given.
bool ChooseDisplay(const StartOptions& options) {
    if (options.m_iDisplay < 0 || options.m_bScreensaver) {
        return true;
    }
    const int count = win::DisplayCount();
    if (options.m_iDisplay >= count) {
        std::fprintf(stderr, "velmoran: no display %d (there are %d; see --list-displays)\n", options.m_iDisplay,
                     count);
        return false;
    }
    win::SetStartDisplay(options.m_iDisplay);
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    StartOptions options;
    int status = 0;
    if (CommandLine::Parse(argc, argv, options, status, stdout, stderr) == CommandLine::Action::Exit) {
        return status;
    }

    ShowDebugOutput(options.m_bVerbose);

    // Wayland gives programs no windows of others to draw in, and no screen
    // saver hands one over there.
    if (options.m_bScreensaver && win::IsWaylandSession()) {
        std::fprintf(stderr, "velmoran: --root and --window-id need an X11 session, not Wayland\n");
        return 1;
    }
    // A window to draw in that is not there is said before anything starts.
    if (options.m_bScreensaver) {
        char problem[160];
        if (!win::FindHostWindow(options.m_iWindowId, &options.m_iWindowId, problem, sizeof(problem))) {
            std::fprintf(stderr, "velmoran: %s\n", problem);
            return 1;
        }
        win::PrepareHostWindow(options.m_iWindowId);
    }
    // Drawing where nobody can see it is of no use.
    char problem[320];
    if (!win::ConnectDisplay(problem, sizeof(problem))) {
        std::fprintf(stderr, "velmoran: %s\n", problem);
        return 1;
    }
    if (options.m_bListDisplays) {
        if (!win::ListDisplays(stdout, problem, sizeof(problem))) {
            std::fprintf(stderr, "velmoran: %s\n", problem);
            return 1;
        }
        return 0;
    }

    if (!ChooseDisplay(options)) {
        return 2;
    }

    MediaLocation location;
    std::string message;
    MediaEnvironment environment = MediaLocation::ProcessEnvironment();
    environment.m_szRunFolder = options.m_szRunFolder;
    if (FAILED(MediaLocation::Resolve(environment, location, message))) {
        std::fprintf(stderr, "velmoran: %s\n", message.c_str());
        return 1;
    }
    MediaLocation::Activate(&location);
    d3d::SetFrameRateCap(options.m_uMaxFps);
    win::SetScaleOverride(options.m_iScale);

    ClockApp app(options);
    // Written too when the display goes away; a screen saver never writes them.
    if (!options.m_bScreensaver) {
        win::SetDisplayLostHandler(SaveSettings, &app);
    }
    if (FAILED(app.Create(GetModuleHandleA(nullptr)))) {
        win::SetDisplayLostHandler(nullptr, nullptr);
        // A screen-saver daemon is told that its display module failed.
        return options.m_bScreensaver ? 1 : 0;
    }
    // As Alt+Enter would, once the window and device are up; a screen saver
    // draws at the size of the window it was given.
    if (options.m_bFullscreen && !options.m_bScreensaver) {
        PostMessageA(app.MainWindow(), WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
    }
    const int code = app.Run();
    win::SetDisplayLostHandler(nullptr, nullptr);
    return code;
}
