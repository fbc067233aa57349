// The program's command line in the usual GNU style (getopt_long): options
// for one run, help and version.
#pragma once

#include <cstdio>

#include "app/StartOptions.h"

class CommandLine {
public:
    enum class Action { Run, Exit };

    // Run with the options filled in; or Exit with the status to end with:
    // 0 after --help (usage on out) or --version (on out), 2 after a wrong
    // option or argument (one line saying what is wrong, then one pointing
    // to --help, on err), 1 when --root finds no window id in
    // XSCREENSAVER_WINDOW or no scale in VELMORAN_SCALE (one line on err);
    // VELMORAN_SCALE stands in for --scale. VELMORAN_VERBOSE set (not "0")
    // asks for the debug output as --verbose does.
    static Action Parse(int argc, char** argv, StartOptions& options, int& exitStatus, std::FILE* out, std::FILE* err);

    // A window id as screen savers pass it: decimal or 0x hexadecimal, not 0.
    static bool ParseWindowId(const char* text, unsigned long& id);

    static void PrintUsage(std::FILE* to);
    static const char* Version();
};
