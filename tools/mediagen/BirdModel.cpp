#include "BirdModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "Shapes.h"
#include "XFileWriter.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Bone order: the index a vertex is bound to.
enum Bone : std::uint32_t { kBody, kHead, kWingL, kWingR, kTail, kBoneCount };
const char* const kBoneNames[kBoneCount] = {"Body", "Head", "WingL", "WingR", "Tail"};
const Vec3 kBonePositions[kBoneCount] = {
    {0.0f, 0.0f, 0.0f}, {0.0f, 0.38f, 0.72f}, {-0.3f, 0.15f, 0.05f}, {0.3f, 0.15f, 0.05f}, {0.0f, 0.1f, -0.65f}};
constexpr float kMaxFlap = 0.75f;

const char kSkinTemplates[] =
    "\ntemplate XSkinMeshHeader {\n"
    " <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n"
    " WORD nMaxSkinWeightsPerFace;\n"
    " WORD nBones;\n"
    "}\n"
    "\ntemplate SkinWeights {\n"
    " <6f0d123b-bad2-4167-a0d0-80224f25fabb>\n"
    " STRING transformNodeName;\n"
    " DWORD nWeights;\n"
    " array DWORD vertexIndices[nWeights];\n"
    " array FLOAT weights[nWeights];\n"
    " Matrix4x4 matrixOffset;\n"
    "}\n";

XValue MatrixValue(const Mat4& m) {
    return XValue::Struct({XValue::FloatArray(std::vector<float>(m.m, m.m + 16))});
}

XObject FrameTransform(const Mat4& m) {
    XObject transform("FrameTransformMatrix", "");
    transform.Add(MatrixValue(m));
    return transform;
}

Mat4 Basis(const Vec3& ax, const Vec3& ay, const Vec3& az, const Vec3& at) {
    Mat4 m;
    const Vec3 rows[4] = {ax, ay, az, at};
    for (int r = 0; r < 4; ++r) {
        m.m[r * 4 + 0] = rows[r].x;
        m.m[r * 4 + 1] = rows[r].y;
        m.m[r * 4 + 2] = rows[r].z;
    }
    return m;
}

struct Quat {
    float x, y, z, w;
};

// The rotation a row-vector matrix carries out, as a unit quaternion.
Quat QuatFromMatrix(const Mat4& m) {
    const float w = std::sqrt(std::max(0.0f, 1.0f + m.m[0] + m.m[5] + m.m[10])) * 0.5f;
    const float f = 1.0f / (4.0f * w);
    return {(m.m[6] - m.m[9]) * f, (m.m[8] - m.m[2]) * f, (m.m[1] - m.m[4]) * f, w};
}

struct Pose {
    float fPitch = 0.0f;  // about X
    float fRoll = 0.0f;   // about Z
    Vec3 offset;          // added to the bind position
};

Pose PoseAt(std::uint32_t dwBone, float t) {
    const float fBeat = 2.0f * kPi * 2.0f * t;  // two wing beats a second
    const float fSway = 2.0f * kPi * t;
    Pose pose;
    switch (dwBone) {
        case kBody:
            pose.fRoll = 0.08f * std::sin(fSway);
            pose.fPitch = 0.05f * std::sin(fBeat);
            pose.offset = Vec3(0.0f, -0.06f * std::sin(fBeat), 0.0f);
            break;
        case kHead:
            pose.fPitch = 0.12f * std::sin(fSway + 1.0f);
            break;
        case kWingL:
            pose.fRoll = -(0.15f + 0.6f * std::sin(fBeat));
            break;
        case kWingR:
            pose.fRoll = 0.15f + 0.6f * std::sin(fBeat);
            break;
        case kTail:
            pose.fPitch = 0.15f * std::sin(fBeat + 0.5f);
            break;
    }
    return pose;
}

// Rotation keys (type 0) and position keys (type 2) of one bone.
XObject BoneAnimation(std::uint32_t dwBone, const Vec3& bindLocal) {
    constexpr int kKeys = 16;
    std::vector<XValue> rotations, positions;
    for (int k = 0; k <= kKeys; ++k) {
        const auto dwTime = static_cast<std::uint32_t>(k * static_cast<int>(BirdModel::kAnimationTicks) / kKeys);
        // The last key repeats the first, so the loop closes without a jump.
        const float t = static_cast<float>(k % kKeys) / static_cast<float>(kKeys);
        const Pose pose = PoseAt(dwBone, t);
        const Quat q = QuatFromMatrix(Mat4::RotationX(pose.fPitch) * Mat4::RotationZ(pose.fRoll));
        // Files store the conjugate rotation, w first.
        rotations.push_back(XValue::Struct(
            {XValue::Int(dwTime), XValue::Struct({XValue::Int(4), XValue::FloatArray({q.w, -q.x, -q.y, -q.z})})}));
        const Vec3 p = bindLocal + pose.offset;
        positions.push_back(XValue::Struct(
            {XValue::Int(dwTime), XValue::Struct({XValue::Int(3), XValue::FloatArray({p.x, p.y, p.z})})}));
    }
    XObject animation("Animation", std::string("Anim") + kBoneNames[dwBone]);
    animation.AddChild(XObject::Reference(kBoneNames[dwBone]));
    XObject options("AnimationOptions", "");
    options.Add(XValue::Int(1)).Add(XValue::Int(0));
    animation.AddChild(std::move(options));
    XObject rotationKeys("AnimationKey", "");
    rotationKeys.Add(XValue::Int(0)).Add(XValue::Int(kKeys + 1)).Add(XValue::Array(rotations));
    animation.AddChild(std::move(rotationKeys));
    XObject positionKeys("AnimationKey", "");
    positionKeys.Add(XValue::Int(2)).Add(XValue::Int(kKeys + 1)).Add(XValue::Array(positions));
    animation.AddChild(std::move(positionKeys));
    return animation;
}

XObject SkinWeights(const std::string& szBone, const std::vector<std::uint32_t>& indices,
                    const std::vector<float>& weights, const Vec3& bonePosition) {
    XObject skin("SkinWeights", "");
    skin.Add(XValue::String(szBone));
    skin.Add(XValue::Int(static_cast<std::uint32_t>(indices.size())));
    skin.Add(XValue::IntArray(indices));
    skin.Add(XValue::FloatArray(weights));
    // Bind pose has no rotation: the offset only moves the bone to the origin.
    skin.Add(MatrixValue(Mat4::Translation(-bonePosition.x, -bonePosition.y, -bonePosition.z)));
    return skin;
}

XObject SkinHeader(std::uint32_t dwPerVertex, std::uint32_t dwPerFace, std::uint32_t dwBones) {
    XObject header("XSkinMeshHeader", "");
    header.Add(XValue::Int(dwPerVertex)).Add(XValue::Int(dwPerFace)).Add(XValue::Int(dwBones));
    return header;
}

MeshMaterial Colour(float r, float g, float b, const std::string& szTexture) {
    MeshMaterial m;
    m.m_fR = r;
    m.m_fG = g;
    m.m_fB = b;
    m.m_szTexture = szTexture;
    return m;
}

}  // namespace

MeshBuilder BirdModel::BuildMesh(std::vector<std::uint32_t>& bones, std::vector<float>& wingWeights) {
    MeshBuilder bird;
    const std::uint32_t dwFeather = bird.AddMaterial(Colour(1.0f, 1.0f, 1.0f, "BlueBird01.dds"));
    const std::uint32_t dwBeak = bird.AddMaterial(Colour(1.0f, 0.62f, 0.16f, ""));
    const std::uint32_t dwEye = bird.AddMaterial(Colour(0.04f, 0.04f, 0.07f, ""));
    auto add = [&](const MeshBuilder& piece, const Mat4& m, std::uint32_t dwBone, float fVScale) {
        const size_t nFirst = bird.Vertices().size();
        bird.Append(piece, m);
        for (size_t i = nFirst; i < bird.Vertices().size(); ++i) {
            bird.MutableVertices()[i].m_fV *= fVScale;
            bones.push_back(dwBone);
            wingWeights.push_back(1.0f);
        }
    };
    add(Shapes::Ellipsoid(Vec3(0, 0, 0), Vec3(0.45f, 0.42f, 0.78f), 10, 6, dwFeather), Mat4::Identity(), kBody, 1.0f);
    add(Shapes::Ellipsoid(kBonePositions[kHead], Vec3(0.34f, 0.34f, 0.36f), 8, 5, dwFeather), Mat4::Identity(), kHead,
        0.75f);
    add(Shapes::Revolution({{0.12f, 0.0f}, {0.07f, 0.15f}, {0.02f, 0.3f}}, 6, dwBeak),
        Mat4::Translation(0.0f, 0.33f, 1.0f), kHead, 1.0f);
    for (int side = -1; side <= 1; side += 2) {
        add(Shapes::Ellipsoid(Vec3(0.2f * static_cast<float>(side), 0.47f, 0.98f), Vec3(0.065f, 0.075f, 0.05f), 6, 4,
                              dwEye),
            Mat4::Identity(), kHead, 1.0f);
    }
    // Wings: the leaf shape laid flat, length along the span, front face up.
    const MeshBuilder wing = Shapes::Lens(1.35f, 0.7f, 0.09f, 0.12f, 0.05f, 4, 2, dwFeather);
    for (int side = -1; side <= 1; side += 2) {
        const float s = static_cast<float>(side);
        const Mat4 lay = Basis(Vec3(0, 0, 1), Vec3(s, 0, 0), Vec3(0, -1, 0), Vec3(0, 0, 0));
        const Mat4 sweep = Mat4::RotationY(-0.25f * s);
        const Vec3& at = kBonePositions[side < 0 ? kWingL : kWingR];
        const size_t nFirst = bird.Vertices().size();
        add(wing, lay * sweep * Mat4::Translation(at.x, at.y, at.z), side < 0 ? kWingL : kWingR, 0.45f);
        // Near the shoulder the wing blends into the body.
        for (size_t i = nFirst; i < bird.Vertices().size(); ++i) {
            const float fSpan = std::fabs(bird.Vertices()[i].m_p.x - at.x);
            wingWeights[i] = std::clamp(fSpan / 0.3f, 0.35f, 1.0f);
        }
    }
    const Mat4 tailLay = Basis(Vec3(1, 0, 0), Vec3(0, 0, -1), Vec3(0, -1, 0), Vec3(0, 0, 0));
    add(Shapes::Lens(0.85f, 0.5f, 0.08f, -0.12f, 0.04f, 3, 2, dwFeather),
        tailLay * Mat4::RotationX(-0.2f) *
            Mat4::Translation(kBonePositions[kTail].x, kBonePositions[kTail].y, kBonePositions[kTail].z),
        kTail, 0.45f);
    bird.ComputeNormals();
    return bird;
}

std::string BirdModel::BirdFile(std::uint32_t& dwVertices, std::uint32_t& dwTriangles) {
    std::vector<std::uint32_t> bones;
    std::vector<float> weights;
    const MeshBuilder mesh = BuildMesh(bones, weights);
    dwVertices = static_cast<std::uint32_t>(mesh.Vertices().size());
    dwTriangles = static_cast<std::uint32_t>(mesh.Faces().size());

    XObject meshObject = mesh.ToXObject("BirdMesh");
    meshObject.AddChild(SkinHeader(2, 2, kBoneCount));
    for (std::uint32_t b = 0; b < kBoneCount; ++b) {
        std::vector<std::uint32_t> indices;
        std::vector<float> boneWeights;
        for (std::uint32_t i = 0; i < bones.size(); ++i) {
            if (bones[i] == b && weights[i] > 0.0f) {
                indices.push_back(i);
                boneWeights.push_back(weights[i]);
            } else if (b == kBody && weights[i] < 1.0f) {
                // The remainder of a blended wing vertex belongs to the body.
                indices.push_back(i);
                boneWeights.push_back(1.0f - weights[i]);
            }
        }
        meshObject.AddChild(SkinWeights(kBoneNames[b], indices, boneWeights, kBonePositions[b]));
    }

    XObject root("Frame", "BirdRoot");
    root.AddChild(FrameTransform(Mat4::Identity()));
    XObject body("Frame", kBoneNames[kBody]);
    body.AddChild(FrameTransform(Mat4::Identity()));
    for (std::uint32_t b = kHead; b < kBoneCount; ++b) {
        XObject child("Frame", kBoneNames[b]);
        const Vec3& p = kBonePositions[b];
        child.AddChild(FrameTransform(Mat4::Translation(p.x, p.y, p.z)));
        body.AddChild(std::move(child));
    }
    root.AddChild(std::move(body));
    root.AddChild(std::move(meshObject));

    XObject set("AnimationSet", "Fly");
    for (std::uint32_t b = 0; b < kBoneCount; ++b) {
        // Bones below the body are placed relative to it; the body sits at the root.
        set.AddChild(BoneAnimation(b, kBonePositions[b]));
    }
    return XFileWriter::WriteText({root, set}, kSkinTemplates);
}

std::string BirdModel::DammyFile() {
    // Two bones: one driven by scale keys, one by matrix keys.
    MeshBuilder box;
    const std::uint32_t dwGrey = box.AddMaterial(Colour(0.5f, 0.5f, 0.5f, ""));
    box.Append(Shapes::Box(Vec3(-0.1f, -0.1f, -0.1f), Vec3(0.1f, 0.1f, 0.1f), dwGrey), Mat4::Identity());
    box.ComputeNormals();
    XObject meshObject = box.ToXObject("DammyMesh");
    // Each vertex follows one bone, but the side faces span both.
    meshObject.AddChild(SkinHeader(1, 2, 2));
    std::vector<std::uint32_t> lower, upper;
    for (std::uint32_t i = 0; i < box.Vertices().size(); ++i) {
        (box.Vertices()[i].m_p.y < 0.0f ? lower : upper).push_back(i);
    }
    meshObject.AddChild(SkinWeights("DammyScale", lower, std::vector<float>(lower.size(), 1.0f), Vec3()));
    meshObject.AddChild(SkinWeights("DammyMatrix", upper, std::vector<float>(upper.size(), 1.0f), Vec3()));

    XObject root("Frame", "DammyRoot");
    root.AddChild(FrameTransform(Mat4::Identity()));
    XObject scaleFrame("Frame", "DammyScale");
    scaleFrame.AddChild(FrameTransform(Mat4::Identity()));
    XObject matrixFrame("Frame", "DammyMatrix");
    matrixFrame.AddChild(FrameTransform(Mat4::Identity()));
    root.AddChild(std::move(scaleFrame));
    root.AddChild(std::move(matrixFrame));
    root.AddChild(std::move(meshObject));

    const std::uint32_t times[3] = {0, kAnimationTicks / 2, kAnimationTicks};
    std::vector<XValue> scales, matrices;
    for (int k = 0; k < 3; ++k) {
        const float f = k == 1 ? 1.25f : 1.0f;
        scales.push_back(
            XValue::Struct({XValue::Int(times[k]), XValue::Struct({XValue::Int(3), XValue::FloatArray({f, f, f})})}));
        const Mat4 m = Mat4::Translation(0.0f, k == 1 ? 0.2f : 0.0f, 0.0f);
        matrices.push_back(
            XValue::Struct({XValue::Int(times[k]),
                            XValue::Struct({XValue::Int(16), XValue::FloatArray(std::vector<float>(m.m, m.m + 16))})}));
    }
    XObject scaleAnimation("Animation", "AnimScale");
    scaleAnimation.AddChild(XObject::Reference("DammyScale"));
    XObject scaleKeys("AnimationKey", "");
    scaleKeys.Add(XValue::Int(1)).Add(XValue::Int(3)).Add(XValue::Array(scales));
    scaleAnimation.AddChild(std::move(scaleKeys));
    XObject matrixAnimation("Animation", "AnimMatrix");
    matrixAnimation.AddChild(XObject::Reference("DammyMatrix"));
    XObject matrixKeys("AnimationKey", "");
    matrixKeys.Add(XValue::Int(4)).Add(XValue::Int(3)).Add(XValue::Array(matrices));
    matrixAnimation.AddChild(std::move(matrixKeys));
    XObject set("AnimationSet", "Idle");
    set.AddChild(std::move(scaleAnimation));
    set.AddChild(std::move(matrixAnimation));
    return XFileWriter::WriteText({root, set}, kSkinTemplates);
}

StaticModel BirdModel::CullVolume() {
    std::vector<std::uint32_t> bones;
    std::vector<float> weights;
    const MeshBuilder mesh = BuildMesh(bones, weights);
    Vec3 min, max;
    mesh.Bounds(min, max);
    // Raised or lowered wings reach span x sin(flap) above and below the shoulders.
    const float fReach = std::max(std::fabs(min.x), std::fabs(max.x)) * std::sin(kMaxFlap) + 0.2f;
    min.y = std::min(min.y, kBonePositions[kWingR].y - fReach);
    max.y = std::max(max.y, kBonePositions[kWingR].y + fReach);
    MeshBuilder box;
    const std::uint32_t dwGrey = box.AddMaterial(Colour(0.5f, 0.5f, 0.5f, ""));
    box.Append(Shapes::Box(min * kDrawScale, max * kDrawScale, dwGrey), Mat4::Identity());
    StaticModel model;
    model.AddDisplay("bird", std::move(box));
    return model;
}
