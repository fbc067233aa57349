// The writer's two encodings, read back through the program's X-file runtime.
#include <gtest/gtest.h>

#include <fstream>

#include "MeshBuilder.h"
#include "Shapes.h"
#include "XFileWriter.h"
#include "platform/xfile/DXFile.h"
#include "tools/mediagen/GeneratedMedia.h"
#include "tools/mediagen/XRuntimeReader.h"

namespace {

std::vector<XObject> SampleObjects() {
    MeshBuilder mesh;
    MeshMaterial plain;
    MeshMaterial textured;
    textured.m_fA = 0.5f;
    textured.m_szTexture = "Sample01.dds";
    mesh.AddMaterial(plain);
    mesh.AddMaterial(textured);
    mesh.Append(Shapes::Box(Vec3(-1, -2, -3), Vec3(1, 2, 3), 1), Mat4::Identity());
    mesh.ComputeNormals();

    XObject frame("Frame", "Wing");
    XObject transform("FrameTransformMatrix", "");
    const Mat4 m = Mat4::Translation(1.5f, -2.0f, 0.25f);
    transform.Add(XValue::Struct({XValue::FloatArray(std::vector<float>(m.m, m.m + 16))}));
    frame.AddChild(transform);
    frame.AddChild(mesh.ToXObject("wing_display"));

    XObject key("AnimationKey", "");
    key.Add(XValue::Int(2)).Add(XValue::Int(2));
    key.Add(XValue::Array(
        {XValue::Struct({XValue::Int(0), XValue::Struct({XValue::Int(3), XValue::FloatArray({1, 2, 3})})}),
         XValue::Struct({XValue::Int(4800), XValue::Struct({XValue::Int(3), XValue::FloatArray({4, 5, 6})})})}));
    XObject animation("Animation", "");
    animation.AddChild(XObject::Reference("Wing"));
    animation.AddChild(key);
    XObject set("AnimationSet", "Flap");
    set.AddChild(animation);
    return {frame, set};
}

std::vector<XNode> WriteAndRead(const std::string& szBytes, const std::string& szFile) {
    const std::string szPath = GeneratedMedia::FreshFolder("writer-" + szFile) + "/" + szFile;
    std::ofstream(szPath, std::ios::binary) << szBytes;
    std::vector<XNode> roots;
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(XRuntimeReader::Load(szPath, roots, hr)) << std::hex << hr;
    return roots;
}

}  // namespace

TEST(XFileWriter, TextAndBinaryEncodingsReadBackAlike) {
    const std::vector<XObject> objects = SampleObjects();
    const std::string szText = XFileWriter::WriteText(objects, "");
    const std::string szBinary = XFileWriter::WriteBinary(objects);
    EXPECT_EQ(szText.substr(0, 16), "xof 0303txt 0032");
    EXPECT_EQ(szBinary.substr(0, 16), "xof 0303bin 0032");

    for (const auto& roots : {WriteAndRead(szText, "sample.txt.x"), WriteAndRead(szBinary, "sample.bin.x")}) {
        ASSERT_EQ(roots.size(), 2u);
        const XNode& frame = roots[0];
        EXPECT_TRUE(frame.m_type == TID_D3DRMFrame);
        EXPECT_EQ(frame.m_szName, "Wing");
        const XNode* pTransform = frame.Child(TID_D3DRMFrameTransformMatrix);
        ASSERT_NE(pTransform, nullptr);
        const std::vector<float> matrix = pTransform->Floats("frameMatrix");
        ASSERT_EQ(matrix.size(), 16u);
        EXPECT_FLOAT_EQ(matrix[12], 1.5f);
        EXPECT_FLOAT_EQ(matrix[13], -2.0f);
        EXPECT_FLOAT_EQ(matrix[14], 0.25f);

        std::vector<const XNode*> meshes;
        XRuntimeReader::CollectMeshes(roots, meshes);
        ASSERT_EQ(meshes.size(), 1u);
        const XMesh mesh = XRuntimeReader::Mesh(*meshes[0]);
        EXPECT_EQ(mesh.m_szName, "wing_display");
        EXPECT_EQ(mesh.m_positions.size(), 24u);
        EXPECT_EQ(mesh.m_faces.size(), 12u);
        EXPECT_EQ(mesh.m_normals.size(), 24u);
        EXPECT_EQ(mesh.m_coords.size(), 24u);
        ASSERT_EQ(mesh.m_materials.size(), 2u);
        EXPECT_EQ(mesh.m_materials[0].m_szTexture, "");
        EXPECT_EQ(mesh.m_materials[1].m_szTexture, "Sample01.dds");
        EXPECT_FLOAT_EQ(mesh.m_materials[1].m_fColour[3], 0.5f);
        ASSERT_EQ(mesh.m_faceMaterials.size(), 12u);
        EXPECT_EQ(mesh.m_faceMaterials[0], 1u);

        const XNode& set = roots[1];
        EXPECT_EQ(set.m_szName, "Flap");
        ASSERT_EQ(set.m_children.size(), 1u);
        const XNode& animation = set.m_children[0];
        ASSERT_EQ(animation.m_references.size(), 1u);
        EXPECT_EQ(animation.m_references[0], "Wing");
        const XNode* pKey = animation.Child(TID_D3DRMAnimationKey);
        ASSERT_NE(pKey, nullptr);
        EXPECT_EQ(pKey->Dword("keyType"), 2u);
        // time, value count, three values, for each of the two keys
        const std::vector<std::uint32_t> keys = pKey->Dwords("keys");
        ASSERT_EQ(keys.size(), 10u);
        EXPECT_EQ(keys[5], 4800u);
    }
}

TEST(XFileWriter, TextNumbersAreWrittenTheSameWayEveryTime) {
    XObject object("Vector", "");
    object.Add(XValue::Float(-0.0f)).Add(XValue::Float(1.0f / 3.0f)).Add(XValue::Float(-2.5f));
    const std::string szText = XFileWriter::WriteText({object}, "");
    EXPECT_NE(szText.find("0.000000;"), std::string::npos);
    EXPECT_EQ(szText.find("-0.000000"), std::string::npos);
    EXPECT_NE(szText.find("0.333333;"), std::string::npos);
    EXPECT_NE(szText.find("-2.500000;"), std::string::npos);
}
