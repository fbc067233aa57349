#include <gtest/gtest.h>

#include <string>

#include "sound/MusicManager.h"
#include "sound/MusicSegment.h"

namespace {

TEST(MusicManager, OverlongNamesAreRefusedAndLeaveNoSegment) {
    MusicManager music;
    ASSERT_EQ(music.Initialize(nullptr, 128, DMUS_APATH_SHARED_STEREOPLUSREVERB), S_OK);
    const std::string longName(300, 'a');
    EXPECT_EQ(music.SetSearchDirectory(("/" + longName).c_str()), E_INVALIDARG);
    auto* pSegment = reinterpret_cast<MusicSegment*>(1);  // must come back null on failure
    EXPECT_EQ(music.CreateSegmentFromFile(&pSegment, (longName + ".wav").c_str(), TRUE, FALSE), E_INVALIDARG);
    EXPECT_EQ(pSegment, nullptr);
}

TEST(MusicManager, EveryManagerGivesBackItsComStartUp) {
    for (int i = 0; i < 2; ++i) {
        MusicManager music;
        EXPECT_EQ(music.Initialize(nullptr, 128, DMUS_APATH_SHARED_STEREOPLUSREVERB), S_OK);
    }
    // Nothing can be created now.
    LPVOID pObject = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8, &pObject),
              CO_E_NOTINITIALIZED);
}

}  // namespace
