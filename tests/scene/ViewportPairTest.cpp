#include "scene/ViewportPair.h"

#include <gtest/gtest.h>

namespace {

void ExpectViewport(const D3DVIEWPORT8& vp, DWORD x, DWORD y, DWORD w, DWORD h) {
    EXPECT_EQ(x, vp.X);
    EXPECT_EQ(y, vp.Y);
    EXPECT_EQ(w, vp.Width);
    EXPECT_EQ(h, vp.Height);
    EXPECT_FLOAT_EQ(1.0f, vp.MaxZ);
}

TEST(ViewportPairTest, FramedIsTheCentredThreeQuartersAndFullTheWholeBuffer) {
    ViewportPair pair;
    pair.SetFramed(512, 384);
    pair.SetFull(512, 384);
    ExpectViewport(pair.Framed(), 64, 48, 384, 288);
    ExpectViewport(pair.Full(), 0, 0, 512, 384);
    pair.SetFramed(1023, 767);  // odd sizes truncate
    ExpectViewport(pair.Framed(), 127, 95, 767, 575);
}

}  // namespace
