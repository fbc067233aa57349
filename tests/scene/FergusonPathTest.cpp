#include "scene/FergusonPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Capture.h"
#include "support/PathFile.h"
#include "support/TempDir.h"

namespace {

const std::vector<D3DXVECTOR3> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 4, 10}};

struct Point {
    D3DXVECTOR3 at{-1, -1, -1};
    D3DXVECTOR3 ahead{-1, -1, -1};
};

Point At(const FergusonPath& path, float s) {
    Point p;
    path.Evaluate(s, &p.at.x, &p.at.y, &p.at.z, &p.ahead.x, &p.ahead.y, &p.ahead.z);
    return p;
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance, float s) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << "at " << s;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << "at " << s;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << "at " << s;
}

class FergusonPathTest : public ::testing::Test {
protected:
    void SetUp() override { m_cwd.MakeFolder("Misc"); }
    HRESULT WriteAndLoad(FergusonPath& path, const std::string& bytes) {
        m_cwd.WriteFile("Misc/Clock.fpp", bytes);
        return path.Load("Clock.fpp");
    }

    ScopedTempCwd m_cwd;
};

TEST_F(FergusonPathTest, TheLoopRunsThroughEveryPointAndJoinsWithoutAKinkEvenAtItsSeam) {
    FergusonPath path;
    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(4, kSquare, {0, 1, 2, 3}, {10, 20, 30, 40})), S_OK);
    ASSERT_EQ(path.PointCount(), 4);
    const float h = 1e-3f;
    for (int j = 0; j < 4; ++j) {
        const auto s = float(j);
        ExpectNear(At(path, s).at, kSquare[j], 1e-4f, s);
        float angle = -1, distance = -1;
        path.EvaluateCamera(s, &angle, &distance);
        EXPECT_NEAR(angle, s, 1e-4f);
        EXPECT_NEAR(distance, 10.0f * (s + 1.0f), 1e-4f);

        // Arriving at point j (from the segment before it, the last one for
        // point 0) meets it in place and in direction and speed.
        const float end = j == 0 ? 4.0f : s;
        const D3DXVECTOR3 before = At(path, end - h).at;
        ExpectNear(before, kSquare[j], 0.05f, end);
        const D3DXVECTOR3 inbound = (kSquare[j] - before) * (1.0f / h);
        const D3DXVECTOR3 outbound = (At(path, s + h).at - kSquare[j]) * (1.0f / h);
        ExpectNear(inbound, outbound, 0.2f, s);
        path.EvaluateCamera(end - h, &angle, &distance);
        EXPECT_NEAR(angle, s, 0.01f) << "the camera's values close the loop too";

        // The look-ahead point is where the path is one segment later.
        for (float f : {0.25f, 0.5f}) {
            ExpectNear(At(path, s + f).ahead, At(path, float((j + 1) % 4) + f).at, 1e-4f, s + f);
        }
    }
}

TEST_F(FergusonPathTest, OutsideThePathOrWithoutOneTheOutputsAreLeftAloneAndOnePointIsAStandstill) {
    FergusonPath path;
    EXPECT_EQ(At(path, 0.0f).at.x, -1.0f) << "not loaded";
    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(4, kSquare, {0, 0, 0, 0}, {1, 1, 1, 1})), S_OK);
    for (float s : {4.0f, 7.5f, -0.5f, -3.0f}) {
        Point p = At(path, s);
        EXPECT_EQ(p.at.x, -1.0f) << s;
        EXPECT_EQ(p.ahead.z, -1.0f) << s;
        float angle = -1, distance = -1;
        path.EvaluateCamera(s, &angle, &distance);
        EXPECT_EQ(angle, -1.0f);
        EXPECT_EQ(distance, -1.0f);
    }
    // After Release the count stays but nothing may be read.
    path.Release();
    EXPECT_EQ(At(path, 1.0f).at.x, -1.0f);

    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(1, {{3, 4, 5}}, {0.5f}, {80})), S_OK);
    for (float s : {0.0f, 0.3f, 0.99f}) {
        Point p = At(path, s);
        ExpectNear(p.at, D3DXVECTOR3(3, 4, 5), 1e-4f, s);
        ExpectNear(p.ahead, D3DXVECTOR3(3, 4, 5), 1e-4f, s);
        float angle = 0, distance = 0;
        path.EvaluateCamera(s, &angle, &distance);
        EXPECT_NEAR(angle, 0.5f, 1e-4f);
        EXPECT_NEAR(distance, 80.0f, 1e-4f);
    }
}

TEST_F(FergusonPathTest, FileFaultsAreReportedWithTheirMessages) {
    struct Case {
        std::string bytes;
        const char* message;
    };
    std::string full = PathFileBytes(3, {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {0, 0, 0}, {1, 1, 1});
    int huge = 0x7FFFFFFF;
    int negative = -4;
    int zero = 0;
    std::vector<Case> cases = {
        {"", "Ferguson(71): failed to read pointnuber from file"},
        {std::string("\x01\x00", 2), "Ferguson(71): failed to read pointnuber from file"},
        {std::string(reinterpret_cast<char*>(&zero), 4), "Ferguson(71): failed to read pointnuber from file"},
        {std::string(reinterpret_cast<char*>(&negative), 4) + std::string(400, '\0'),
         "Ferguson(71): failed to read pointnuber from file"},
        {std::string(reinterpret_cast<char*>(&huge), 4) + std::string(400, '\0'),
         "Ferguson(94): failed to read pointposition from file"},
        {full.substr(0, 4 + 12 * 3 - 1), "Ferguson(94): failed to read pointposition from file"},
        {full.substr(0, 4 + 16 * 3 - 2), "Ferguson(102): failed to read plycamangy from file"},
        {full.substr(0, 4 + 20 * 3 - 1), "Ferguson(110): failed to read plycamdist from file"},
    };
    for (const Case& c : cases) {
        DebugCapture debug;
        MessageBoxCapture boxes;
        FergusonPath path;
        EXPECT_EQ(WriteAndLoad(path, c.bytes), E_FAIL) << c.message;
        EXPECT_TRUE(debug.Contains(c.message)) << debug.All();
        EXPECT_TRUE(debug.Contains("opening fergusonpointpositionfile...Clock.fpp"));
        EXPECT_EQ(boxes.Boxes().size(), 1u) << c.message;
    }

    DebugCapture debug;
    FergusonPath path;
    EXPECT_EQ(path.Load("Other.fpp"), E_FAIL);
    EXPECT_TRUE(debug.Contains("Ferguson(66): failed to open ppsfile"));

    // Extra bytes after the distances are ignored.
    EXPECT_EQ(WriteAndLoad(path, full + "tail"), S_OK);
}

}  // namespace
