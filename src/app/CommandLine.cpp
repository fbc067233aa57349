#include "app/CommandLine.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/win/DisplayScale.h"

#ifndef VELMORAN_VERSION
#define VELMORAN_VERSION "0"
#endif

namespace {

constexpr int kExitUsage = 2;

enum OptionId {
    kHelp = 'h',
    kVersion = 'V',
    kFullscreen = 256,
    kWindowed,
    kResetSettings,
    kMaxFps,
    kRoot,
    kWindowId,
    kWindow,
    kVerbose,
    kRunFolder,
    kScale,
    kDisplay,
    kListDisplays
};

// A cap above any display's refresh means nothing; below one frame a second
// the clock would not show its seconds.
constexpr unsigned long kMaxFpsLimit = 1000;
// More displays than any desk holds.
constexpr unsigned long kMaxDisplay = 99;

const option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"fullscreen", no_argument, nullptr, kFullscreen},
    {"windowed", no_argument, nullptr, kWindowed},
    {"reset-settings", no_argument, nullptr, kResetSettings},
    {"max-fps", required_argument, nullptr, kMaxFps},
    {"root", no_argument, nullptr, kRoot},
    {"window-id", required_argument, nullptr, kWindowId},
    {"window", no_argument, nullptr, kWindow},
    {"verbose", no_argument, nullptr, kVerbose},
    {"run-folder", required_argument, nullptr, kRunFolder},
    {"scale", required_argument, nullptr, kScale},
    {"display", required_argument, nullptr, kDisplay},
    {"list-displays", no_argument, nullptr, kListDisplays},
    {nullptr, 0, nullptr, 0},
};

// A leading ':' makes a missing argument its own case; the messages are ours.
constexpr const char* kShortOptions = ":hV";

const char* const kUsage =
    "Usage: velmoran [OPTION]...\n"
    "A desktop clock drawn as a real-time 3-D scene.\n"
    "\n"
    "Options:\n"
    "      --fullscreen       start in full screen (for this run only)\n"
    "      --windowed         start in a window (the default)\n"
    "      --reset-settings   start from the default display choices\n"
    "      --max-fps=N        draw at most N frames a second (1 to 1000; default:\n"
    "                         the display's refresh); 30 or 15 saves CPU where\n"
    "                         OpenGL is rendered in software\n"
    "      --root             draw on the screen's root window, or in the window\n"
    "                         whose id is in XSCREENSAVER_WINDOW when that is set,\n"
    "                         as a screen saver (see Screen saver below)\n"
    "      --window-id=ID     draw in the X window ID (decimal or 0x hexadecimal)\n"
    "                         as a screen saver\n"
    "      --window           open a window of its own (the default)\n"
    "      --run-folder=DIR   read the media from DIR's Model, Texture, Misc and\n"
    "                         Sound folders and keep the display choices in\n"
    "                         DIR/Misc, as a build's run folder (see Files below)\n"
    "      --scale=N          draw N device pixels to a point (1 to 8) on X11;\n"
    "                         default: GDK_SCALE, then the X resources' Xft.dpi\n"
    "                         / 96, rounded (see Scale below)\n"
    "      --display=N        open the window on display N and go full screen\n"
    "                         there (numbered as --list-displays shows them;\n"
    "                         default: where the window system puts it); the\n"
    "                         device dialog's adapter N is the same display\n"
    "      --list-displays    list the displays, one a line: number, name, size\n"
    "                         and place on the desktop, then exit\n"
    "      --verbose          print the debug output (what is loaded from where)\n"
    "                         on stderr\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "\n"
    "Keys:\n"
    "  1  black or white background      2  buttons shown or hidden\n"
    "  3  full or framed view            4  numeral rings\n"
    "  Esc, Alt+X      quit; the display choices are saved\n"
    "  Alt+Enter       window or full screen\n"
    "  F2              choose the display device\n"
    "  arrows, Page Up/Page Down   steer the camera while it stands still (camera button)\n"
    "  The corner buttons: exit, full screen, camera, count-down timer.\n"
    "\n"
    "Scale:\n"
    "  On a Wayland desktop the clock is as sharp as the screen its window is on,\n"
    "  at the compositor's scale. On X11 it is drawn N times larger than 512 x 384\n"
    "  with N from --scale, VELMORAN_SCALE, GDK_SCALE or Xft.dpi (in that order).\n"
    "\n"
    "Screen saver:\n"
    "  With --root or --window-id the clock draws the full view in the given\n"
    "  window at its size, the camera riding with the bird, without buttons,\n"
    "  menus or statistics; it takes no input, reads the display choices but\n"
    "  never writes them, and ends on SIGTERM, SIGINT or when the window goes.\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/velmoran/VelmoranFlags.vmf   the display choices\n"
    "                         (default ~/.config/velmoran/)\n"
    "  $XDG_DATA_HOME/velmoran/   your own media, used instead of the installed\n"
    "                         file of the same name, e.g. Sound/AlarmSound.wav\n"
    "                         (default ~/.local/share/velmoran/)\n"
    "  PREFIX/share/velmoran/    the installed media\n"
    "  The installed program uses these whatever folder it is started in. A\n"
    "  program with no installed media beside it (a build's bin/velmoran) reads\n"
    "  them from the folder it is started in, which must hold Model/, and keeps\n"
    "  its choices in Misc/VelmoranFlags.vmf there; --run-folder=DIR does the\n"
    "  same with DIR on purpose.\n"
    "\n"
    "Environment:\n"
    "  XDG_CONFIG_HOME, XDG_DATA_HOME, HOME   where settings and your own media are\n"
    "  XSCREENSAVER_WINDOW    the window --root draws in, set by the screen saver\n"
    "  VELMORAN_VERBOSE=1     as --verbose\n"
    "  VELMORAN_SCALE=N       as --scale=N\n"
    "  VELMORAN_NO_PACING=1   do not pace frames to the display (tests, benchmarks);\n"
    "                         --max-fps still applies\n"
    "  LP_NUM_THREADS=N       threads of Mesa's software rasterizer; unset, the\n"
    "                         clock draws on its own thread (least CPU)\n";

// With its own messages off getopt_long reports an abbreviation that fits
// several options as unrecognised; this names them, as its message would.
bool ListAmbiguous(const char* current, char (&possibilities)[128]) {
    const char* name = current + 2;
    const std::size_t length = std::strcspn(name, "=");
    int matches = 0;
    for (const option* entry = kOptions; entry->name != nullptr; ++entry) {
        if (std::strncmp(entry->name, name, length) == 0) {
            ++matches;
            const std::size_t used = std::strlen(possibilities);
            std::snprintf(possibilities + used, sizeof(possibilities) - used, " '--%s'", entry->name);
        }
    }
    if (matches < 2) {
        possibilities[0] = '\0';
    }
    return matches > 1;
}

// A decimal whole number from low to high, nothing before or after it.
bool ParseWhole(const char* text, unsigned long low, unsigned long high, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return text[0] >= '0' && text[0] <= '9' && *end == '\0' && value >= low && value <= high;
}

// Takes the argument of an option that has one into the options; null, or
// the message (its %s the argument) when the argument is no good.
const char* TakeArgument(int id, const char* argument, StartOptions& options) {
    unsigned long value = 0;
    switch (id) {
        case kMaxFps:
            if (!ParseWhole(argument, 1, kMaxFpsLimit, value)) {
                return "--max-fps needs a whole number from 1 to 1000, not '%s'";
            }
            options.m_uMaxFps = static_cast<UINT>(value);
            return nullptr;
        case kDisplay:
            if (!ParseWhole(argument, 0, kMaxDisplay, value)) {
                return "--display needs a display number (see --list-displays), not '%s'";
            }
            options.m_iDisplay = static_cast<int>(value);
            return nullptr;
        case kWindowId:
            if (!CommandLine::ParseWindowId(argument, options.m_iWindowId)) {
                return "--window-id needs a window id, decimal or 0x hexadecimal, not '%s'";
            }
            options.m_bScreensaver = TRUE;
            return nullptr;
        case kRunFolder:
            if (argument[0] == '\0') {
                return "--run-folder needs a folder, not '%s'";
            }
            options.m_szRunFolder = argument;
            return nullptr;
        default:
            options.m_iScale = win::ParseScale(argument);
            return options.m_iScale == 0 ? "--scale needs a whole number from 1 to 8, not '%s'" : nullptr;
    }
}

// What getopt_long refused, as its own message would say it: the format and
// the word it names (a short option's letter is written into shortName).
const char* RefusedOption(const char* current, char (&shortName)[2], char (&possibilities)[128], const char*& subject) {
    subject = current;
    if (std::strncmp(current, "--", 2) != 0) {
        shortName[0] = static_cast<char>(optopt);
        subject = shortName;
        return "invalid option -- '%s'";
    }
    if (optopt != 0) {
        return "option '%s' doesn't allow an argument";
    }
    if (ListAmbiguous(current, possibilities)) {
        return "option '%s' is ambiguous; possibilities:";
    }
    return "unrecognized option '%s'";
}

// What the environment adds to good options: --root's window from the screen
// saver, VELMORAN_SCALE and VELMORAN_VERBOSE. False (one line on err) for a
// window id or a scale that is none.
bool ReadEnvironment(StartOptions& options, std::FILE* err) {
    if (options.m_bScreensaver && options.m_iWindowId == 0) {
        // --root: the screen saver's own window when it names one.
        const char* given = std::getenv("XSCREENSAVER_WINDOW");
        if (given != nullptr && given[0] != '\0' && !CommandLine::ParseWindowId(given, options.m_iWindowId)) {
            std::fprintf(err, "velmoran: XSCREENSAVER_WINDOW holds no window id: '%s'\n", given);
            return false;
        }
    }
    const char* scale = std::getenv("VELMORAN_SCALE");
    if (options.m_iScale == 0 && scale != nullptr && scale[0] != '\0') {
        options.m_iScale = win::ParseScale(scale);
        if (options.m_iScale == 0) {
            std::fprintf(err, "velmoran: VELMORAN_SCALE holds no whole number from 1 to 8: '%s'\n", scale);
            return false;
        }
    }
    const char* verbose = std::getenv("VELMORAN_VERBOSE");
    if (verbose != nullptr && verbose[0] != '\0' && std::strcmp(verbose, "0") != 0) {
        options.m_bVerbose = TRUE;
    }
    return true;
}

}  // namespace

CommandLine::Action CommandLine::Parse(int argc, char** argv, StartOptions& options, int& exitStatus, std::FILE* out,
                                       std::FILE* err) {
    options = StartOptions();
    exitStatus = 0;
    // Each parse starts afresh, messages included.
    optind = 0;
    opterr = 0;
    const char* problem = nullptr;
    const char* subject = nullptr;
    char shortName[2] = {};
    char possibilities[128] = {};
    int id = 0;
    while (problem == nullptr && (id = getopt_long(argc, argv, kShortOptions, kOptions, nullptr)) != -1) {
        const char* current = argv[optind - 1];
        switch (id) {
            case kHelp:
                PrintUsage(out);
                return Action::Exit;
            case kVersion:
                std::fprintf(out, "velmoran (Velmoran no Horlo) %s\n", Version());
                return Action::Exit;
            case kFullscreen:
                options.m_bFullscreen = TRUE;
                break;
            case kWindowed:
                options.m_bFullscreen = FALSE;
                break;
            case kResetSettings:
                options.m_bResetSettings = TRUE;
                break;
            case kMaxFps:
            case kWindowId:
            case kRunFolder:
            case kScale:
            case kDisplay:
                problem = TakeArgument(id, optarg, options);
                subject = optarg;
                break;
            case kRoot:
                options.m_bScreensaver = TRUE;
                options.m_iWindowId = 0;
                break;
            case kWindow:
                options.m_bScreensaver = FALSE;
                options.m_iWindowId = 0;
                break;
            case kVerbose:
                options.m_bVerbose = TRUE;
                break;
            case kListDisplays:
                options.m_bListDisplays = TRUE;
                break;
            case ':':
                problem = "option '%s' requires an argument";
                subject = current;
                break;
            default:
                problem = RefusedOption(current, shortName, possibilities, subject);
                break;
        }
    }
    if (problem == nullptr && optind < argc) {
        problem = "unexpected argument '%s'";
        subject = argv[optind];
    }
    if (problem == nullptr) {
        if (!ReadEnvironment(options, err)) {
            exitStatus = 1;
            return Action::Exit;
        }
        return Action::Run;
    }
    // The error and where to learn more, as GNU programs do: the whole usage
    // would scroll the one line that matters away.
    std::fprintf(err, "velmoran: ");
    std::fprintf(err, problem, subject);
    std::fprintf(err, "%s\n", possibilities);
    std::fprintf(err, "Try 'velmoran --help' for more information.\n");
    exitStatus = kExitUsage;
    return Action::Exit;
}

bool CommandLine::ParseWindowId(const char* text, unsigned long& id) {
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    if (!std::isxdigit(static_cast<unsigned char>(digits[0])) ||
        (!hex && !std::isdigit(static_cast<unsigned char>(digits[0])))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(digits, &end, hex ? 16 : 10);
    if (*end != '\0' || errno == ERANGE || value == 0) {
        return false;
    }
    id = value;
    return true;
}

void CommandLine::PrintUsage(std::FILE* to) {
    std::fputs(kUsage, to);
}

const char* CommandLine::Version() {
    return VELMORAN_VERSION;
}
