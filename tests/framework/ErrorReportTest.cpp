#include "framework/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/HResultNames.h"
#include "support/Capture.h"

namespace {

std::vector<UINT> g_windowMessages;

LRESULT RecordingProcedure(HWND, UINT message, WPARAM, LPARAM) {
    g_windowMessages.push_back(message);
    return 0;
}

class ReportErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_windowMessages.clear();
        window = win::CreateWindowObject(RecordingProcedure);
    }
    void TearDown() override { win::DestroyWindowObject(window); }
    HWND window = nullptr;
    MessageBoxCapture boxes;
};

TEST_F(ReportErrorTest, FatalShowsMessageWithExitSuffixThenClosesMainWindow) {
    EXPECT_EQ(ShowErrorMessage(ERR_NO_DEVICE, MSG_FATAL, "Velmoran no Horlo", window), ERR_NO_DEVICE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Could not find any compatible Direct3D\ndevices.\n\nThis sample will now exit.");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Velmoran no Horlo");
    EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONERROR);
    ASSERT_EQ(g_windowMessages.size(), 1u);
    EXPECT_EQ(g_windowMessages[0], WM_CLOSE);

    // An unknown code has the generic text and still closes the window.
    ShowErrorMessage(MakeHResult(0x8123ABCDu), MSG_FATAL, "t", window);
    EXPECT_EQ(boxes.Boxes()[1].text,
              "Generic application error. Enable\ndebug output for detailed information.\n\nThis sample will now "
              "exit.");
    EXPECT_EQ(g_windowMessages.size(), 2u);

    // Without a window there is only the box.
    ShowErrorMessage(ERR_NO_D3D, MSG_FATAL, "t", nullptr);
    EXPECT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(g_windowMessages.size(), 2u);
}

TEST_F(ReportErrorTest, WarningsKeepRunningAndTheFallBackNoteIsAppended) {
    ShowErrorMessage(ERR_NULL_REFERENCE_DEVICE, MSG_PLAIN, "t", window);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, ErrorMessageText(ERR_NULL_REFERENCE_DEVICE));
    EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONWARNING);

    ShowErrorMessage(ERR_HW_NO_WINDOW, MSG_SWITCHED_TO_REF, "t", window);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    const std::string& text = boxes.Boxes()[1].text;
    EXPECT_EQ(text.rfind("Your Direct3D hardware accelerator cannot\nrender into a window.", 0), 0u);
    EXPECT_NE(text.find("\n\nSwitching to the reference rasterizer,\na software device"), std::string::npos);
    EXPECT_TRUE(g_windowMessages.empty());

    EXPECT_STREQ(ErrorMessageText(E_OUTOFMEMORY), "Not enough memory.");
    EXPECT_STREQ(ErrorMessageText(MakeHResult(0x8876017Cu)), "Not enough video memory.");
    EXPECT_STREQ(ErrorMessageText(ERR_DEVICE_RESET), "Could not reset the Direct3D device.");
}

TEST(TraceErrorTest, OneRecordWithLocationMessageAndCodeAndABoxOnlyWhenAskedAndShort) {
    DebugCapture debug;
    MessageBoxCapture boxes;
    EXPECT_EQ(TraceError("Model", 461, E_FAIL, "failed to load xfile...a.x", FALSE), E_FAIL);
    TraceError("TexList", 0, 0, "loading texture...x.dds", FALSE);
    TraceError(nullptr, 0, S_OK, "VelmoranFlags saved", FALSE);
    ASSERT_EQ(debug.Records().size(), 3u);
    EXPECT_EQ(debug.Records()[0], "Model(461): failed to load xfile...a.x (hr=E_FAIL (0x80004005))\n");
    EXPECT_EQ(debug.Records()[1], "TexList(0): loading texture...x.dds (hr=S_OK (0x00000000))\n");
    EXPECT_EQ(debug.Records()[2], "VelmoranFlags saved (hr=S_OK (0x00000000))\n") << "no source, no location";
    EXPECT_TRUE(boxes.Boxes().empty());

    TraceError("Velmoran", 99, E_FAIL, "failed to open vpsfile", TRUE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "File: Velmoran\nLine: 99\nError Code: E_FAIL (0x80004005)\nCalling: failed to open vpsfile");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Unexpected error encountered");
    EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONERROR);
    EXPECT_EQ(debug.Records().size(), 4u);

    // Overlong text is left out and its box is not shown.
    std::string huge(5000, 'x');
    EXPECT_EQ(TraceError("Model", 1, E_FAIL, huge.c_str(), TRUE), E_FAIL);
    ASSERT_EQ(debug.Records().size(), 5u);
    EXPECT_EQ(debug.Records()[4], "Model(1):  (hr=E_FAIL (0x80004005))\n");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    std::string longFile(2900, 'f');
    TraceError(longFile.c_str(), 2, E_FAIL, "msg", FALSE);
    EXPECT_EQ(debug.Records()[5], "msg (hr=E_FAIL (0x80004005))\n");
}

// Where several names share a value, the common and the drawing interface's come first.
TEST(HResultNameTest, NamesSharedValuesByTheFirstFamilyListedAndOthersUnknown) {
    EXPECT_STREQ(HResultName(S_OK), "S_OK");
    EXPECT_STREQ(HResultName(MakeHResult(0x8876017Cu)), "D3DERR_OUTOFVIDEOMEMORY");
    EXPECT_STREQ(HResultName(MakeHResult(0x88760868u)), "D3DERR_DEVICELOST");
    EXPECT_STREQ(HResultName(MakeHResult(0x12345678u)), "Unknown");
}

}  // namespace
