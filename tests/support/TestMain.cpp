#include <gtest/gtest.h>

#include "platform/win/DisplayScale.h"
#include "support/Capture.h"

int main(int argc, char** argv) {
    win_hooks::SetMessageBox(SilentMessageBox);
    // A developer's GDK_SCALE or Xft.dpi must not change what windows measure.
    win::SetScaleOverride(1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
