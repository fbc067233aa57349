#include "bird/FergusonPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Capture.h"
#include "support/PathFile.h"
#include "support/TempDir.h"

namespace {

constexpr float kEps = 1e-4f;

const std::vector<D3DXVECTOR3> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 4, 10}};

struct Point {
    float x = -1, y = -1, z = -1, ax = -1, ay = -1, az = -1;
};

Point At(const FergusonPath& path, float s) {
    Point p;
    path.Evaluate(s, &p.x, &p.y, &p.z, &p.ax, &p.ay, &p.az);
    return p;
}

void ExpectAt(const Point& p, const D3DXVECTOR3& expected, float tolerance = kEps) {
    EXPECT_NEAR(p.x, expected.x, tolerance);
    EXPECT_NEAR(p.y, expected.y, tolerance);
    EXPECT_NEAR(p.z, expected.z, tolerance);
}

class FergusonPathTest : public ::testing::Test {
protected:
    void SetUp() override { m_cwd.MakeFolder("Misc"); }
    void Write(const std::string& bytes) { m_cwd.WriteFile("Misc/Clock.fpp", bytes); }
    HRESULT WriteAndLoad(FergusonPath& path, const std::string& bytes) {
        Write(bytes);
        return path.Load("Clock.fpp");
    }

    ScopedTempCwd m_cwd;
};

TEST_F(FergusonPathTest, PassesThroughEachPointWithChordTangents) {
    FergusonPath path;
    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(4, kSquare, {0, 1, 2, 3}, {10, 20, 30, 40})), S_OK);
    ASSERT_EQ(path.PointCount(), 4);
    for (int i = 0; i < 4; ++i) {
        ExpectAt(At(path, float(i)), kSquare[i]);
        // Tangent at the start of a segment is the chord to the next point.
        D3DXVECTOR3 chord = kSquare[(i + 1) % 4] - kSquare[i];
        EXPECT_EQ(path.PosC()[i], chord);
    }
    // Half-way along segment 1: Hermite weights 1/2, 1/8, 1/2, -1/8 on p0, t0, p1, t1.
    D3DXVECTOR3 p0 = kSquare[1], p1 = kSquare[2];
    D3DXVECTOR3 t0 = p1 - p0, t1 = kSquare[3] - p1;
    D3DXVECTOR3 half = p0 * 0.5f + t0 * 0.125f + p1 * 0.5f - t1 * 0.125f;
    ExpectAt(At(path, 1.5f), half);

    float angle = -1, distance = -1;
    path.EvaluateCamera(2.0f, &angle, &distance);
    EXPECT_NEAR(angle, 2.0f, kEps);
    EXPECT_NEAR(distance, 30.0f, kEps);
    // Camera values follow the same rule; the last segment runs from angle 3
    // back to 0 with tangents -3 and then +1 (towards angle 1).
    path.EvaluateCamera(3.5f, &angle, &distance);
    EXPECT_NEAR(angle, 1.5f - 0.375f - 0.125f, kEps);
}

TEST_F(FergusonPathTest, LoopClosesLookAheadIsTheNextSegmentAndOutsideThePathOutputsAreLeftAlone) {
    FergusonPath path;
    EXPECT_EQ(At(path, 0.0f).x, -1.0f) << "not loaded";
    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(4, kSquare, {0, 0, 0, 0}, {1, 1, 1, 1})), S_OK);
    ExpectAt(At(path, 3.9999f), kSquare[0], 1e-2f);
    for (float s : {0.0f, 0.25f, 1.5f, 2.75f, 3.5f}) {
        Point here = At(path, s);
        float next = s + 1.0f >= 4.0f ? s - 3.0f : s + 1.0f;
        Point ahead = At(path, next);
        EXPECT_NEAR(here.ax, ahead.x, kEps) << s;
        EXPECT_NEAR(here.ay, ahead.y, kEps) << s;
        EXPECT_NEAR(here.az, ahead.z, kEps) << s;
    }
    for (float s : {4.0f, 7.5f, -0.5f, -3.0f}) {
        Point p = At(path, s);
        EXPECT_EQ(p.x, -1.0f) << s;
        EXPECT_EQ(p.az, -1.0f) << s;
        float angle = -1, distance = -1;
        path.EvaluateCamera(s, &angle, &distance);
        EXPECT_EQ(angle, -1.0f);
        EXPECT_EQ(distance, -1.0f);
    }
    // After Release the count stays but nothing may be read.
    path.Release();
    EXPECT_EQ(At(path, 1.0f).x, -1.0f);
}

TEST_F(FergusonPathTest, SinglePointIsAStandstill) {
    FergusonPath path;
    ASSERT_EQ(WriteAndLoad(path, PathFileBytes(1, {{3, 4, 5}}, {0.5f}, {80})), S_OK);
    for (float s : {0.0f, 0.3f, 0.99f}) {
        Point p = At(path, s);
        ExpectAt(p, D3DXVECTOR3(3, 4, 5));
        EXPECT_NEAR(p.ax, 3.0f, kEps);
        float angle = 0, distance = 0;
        path.EvaluateCamera(s, &angle, &distance);
        EXPECT_NEAR(angle, 0.5f, kEps);
        EXPECT_NEAR(distance, 80.0f, kEps);
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
