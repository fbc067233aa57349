// Program entry: the command line, where the files are, then one clock
// application object for the life of the process.
#include <cstdio>
#include <string>

#include "app/ClockApp.h"
#include "app/CommandLine.h"
#include "framework/MediaLocation.h"
#include "platform/d3d/FrameRateCap.h"

int main(int argc, char** argv) {
    StartOptions options;
    int status = 0;
    if (CommandLine::Parse(argc, argv, options, status, stdout, stderr) == CommandLine::Action::Exit) {
        return status;
    }

    MediaLocation location;
    std::string message;
    if (FAILED(MediaLocation::Resolve(MediaLocation::ProcessEnvironment(), location, message))) {
        std::fprintf(stderr, "velmoran: %s\n", message.c_str());
        return 1;
    }
    MediaLocation::Activate(&location);
    d3d::SetFrameRateCap(options.m_uMaxFps);

    ClockApp app(options);
    if (FAILED(app.Create(GetModuleHandleA(nullptr)))) {
        return 0;
    }
    // As Alt+Enter would, once the window and device are up.
    if (options.m_bFullscreen) {
        PostMessageA(app.MainWindow(), WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
    }
    return app.Run();
}
