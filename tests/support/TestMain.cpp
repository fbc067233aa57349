#include <gtest/gtest.h>

#include "support/Capture.h"

int main(int argc, char** argv) {
    win_hooks::SetMessageBox(SilentMessageBox);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
