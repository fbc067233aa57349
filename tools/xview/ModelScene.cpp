#include "ModelScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/xfile/DXFile.h"

namespace {

std::string NameOf(IDirectXFileObject* pObject) {
    DWORD dwLength = 0;
    if (pObject->GetName(nullptr, &dwLength) != DXFILE_OK || dwLength == 0) {
        return "";
    }
    std::string name(dwLength, '\0');
    pObject->GetName(name.data(), &dwLength);
    return name.c_str();
}

template <typename T>
std::vector<T> Member(IDirectXFileData* pData, const char* szMember) {
    DWORD dwSize = 0;
    void* pBytes = nullptr;
    std::vector<T> values;
    if (pData->GetData(szMember, &dwSize, &pBytes) == DXFILE_OK) {
        values.resize(dwSize / sizeof(T));
        std::memcpy(values.data(), pBytes, values.size() * sizeof(T));
    }
    return values;
}

std::string StringMember(IDirectXFileData* pData, const char* szMember) {
    DWORD dwSize = 0;
    void* pBytes = nullptr;
    if (pData->GetData(szMember, &dwSize, &pBytes) != DXFILE_OK || dwSize != sizeof(char*)) {
        return "";
    }
    const char* sz = nullptr;
    std::memcpy(&sz, pBytes, sizeof(sz));
    return sz != nullptr ? sz : "";
}

Mat4 MatrixFrom(const std::vector<float>& values) {
    Mat4 m;
    if (values.size() >= 16) {
        std::copy(values.begin(), values.begin() + 16, m.m);
    }
    return m;
}

const GUID* TypeOf(IDirectXFileData* pData) {
    const GUID* pType = nullptr;
    pData->GetType(&pType);
    return pType;
}

// Children of a data object: data objects and the names of references.
void ForChildren(IDirectXFileData* pData, const std::function<void(IDirectXFileData*)>& onData,
                 const std::function<void(const std::string&)>& onReference) {
    IDirectXFileObject* pChild = nullptr;
    while (pData->GetNextObject(&pChild) == DXFILE_OK) {
        IDirectXFileData* pChildData = nullptr;
        IDirectXFileDataReference* pReference = nullptr;
        if (pChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pChildData)) == S_OK) {
            onData(pChildData);
            pChildData->Release();
        } else if (pChild->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&pReference)) ==
                   S_OK) {
            onReference(NameOf(pReference));
            pReference->Release();
        }
        pChild->Release();
    }
}

Mat4 QuaternionMatrix(float x, float y, float z, float w) {
    Mat4 m;
    m.m[0] = 1 - 2 * (y * y + z * z);
    m.m[1] = 2 * (x * y + z * w);
    m.m[2] = 2 * (x * z - y * w);
    m.m[4] = 2 * (x * y - z * w);
    m.m[5] = 1 - 2 * (x * x + z * z);
    m.m[6] = 2 * (y * z + x * w);
    m.m[8] = 2 * (x * z + y * w);
    m.m[9] = 2 * (y * z - x * w);
    m.m[10] = 1 - 2 * (x * x + y * y);
    return m;
}

// The two keys round t (wrapping at the last key's time) and the blend between them.
bool Bracket(const std::vector<ModelScene::Key>& keys, float fTicks, size_t& k1, size_t& k2, float& f) {
    if (keys.empty()) {
        return false;
    }
    const float fLast = static_cast<float>(keys.back().m_dwTime);
    const float t = fLast > 0.0f ? std::fmod(fTicks, fLast) : 0.0f;
    k1 = k2 = 0;
    f = 0.0f;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (static_cast<float>(keys[i].m_dwTime) > t) {
            k2 = i;
            k1 = i > 0 ? i - 1 : 0;
            const float fSpan = static_cast<float>(keys[k2].m_dwTime) - static_cast<float>(keys[k1].m_dwTime);
            f = fSpan > 0.0f ? (t - static_cast<float>(keys[k1].m_dwTime)) / fSpan : 0.0f;
            return true;
        }
    }
    return true;
}

}  // namespace

bool ModelScene::Load(const std::string& szPath) {
    IDirectXFile* pFile = nullptr;
    if (FAILED(DirectXFileCreate(&pFile))) {
        return false;
    }
    IDirectXFileEnumObject* pEnum = nullptr;
    HRESULT hr = pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    if (SUCCEEDED(hr)) {
        hr = pFile->CreateEnumObject(szPath.c_str(), DXFILELOAD_FROMFILE, &pEnum);
    }
    if (FAILED(hr)) {
        pFile->Release();
        return false;
    }
    const size_t nFirstFrame = m_frames.size();
    std::function<void(IDirectXFileData*, int)> visit = [&](IDirectXFileData* pData, int nParent) {
        const GUID* pType = TypeOf(pData);
        if (pType == nullptr) {
            return;
        }
        if (*pType == TID_D3DRMFrame) {
            Frame frame;
            frame.m_szName = NameOf(pData);
            frame.m_nParent = nParent;
            m_frames.push_back(frame);
            const int nSelf = static_cast<int>(m_frames.size() - 1);
            ForChildren(
                pData, [&](IDirectXFileData* pChild) { visit(pChild, nSelf); }, [](const std::string&) {});
        } else if (*pType == TID_D3DRMFrameTransformMatrix && nParent >= 0) {
            m_frames[nParent].m_file = MatrixFrom(Member<float>(pData, "frameMatrix"));
        } else if (*pType == TID_D3DRMMesh) {
            Mesh mesh;
            mesh.m_szName = NameOf(pData);
            mesh.m_nFrame = nParent;
            const std::vector<float> p = Member<float>(pData, "vertices");
            for (size_t i = 0; i + 2 < p.size(); i += 3) {
                mesh.m_positions.push_back(Vec3(p[i], p[i + 1], p[i + 2]));
            }
            const std::vector<std::uint32_t> faces = Member<std::uint32_t>(pData, "faces");
            for (size_t i = 0; i < faces.size();) {
                const std::uint32_t n = faces[i];
                for (std::uint32_t k = 2; k < n && i + n < faces.size() + 0; ++k) {
                    mesh.m_faces.push_back({faces[i + 1], faces[i + k], faces[i + k + 1]});
                }
                i += 1 + n;
            }
            ForChildren(
                pData,
                [&](IDirectXFileData* pChild) {
                    const GUID* pChildType = TypeOf(pChild);
                    if (pChildType == nullptr) {
                        return;
                    }
                    if (*pChildType == TID_D3DRMMeshNormals) {
                        const std::vector<float> n = Member<float>(pChild, "normals");
                        for (size_t i = 0; i + 2 < n.size(); i += 3) {
                            mesh.m_normals.push_back(Vec3(n[i], n[i + 1], n[i + 2]));
                        }
                    } else if (*pChildType == TID_D3DRMMeshTextureCoords) {
                        const std::vector<float> c = Member<float>(pChild, "textureCoords");
                        for (size_t i = 0; i + 1 < c.size(); i += 2) {
                            mesh.m_coords.push_back({c[i], c[i + 1]});
                        }
                    } else if (*pChildType == TID_D3DRMMeshMaterialList) {
                        mesh.m_faceMaterials = Member<std::uint32_t>(pChild, "faceIndexes");
                        ForChildren(
                            pChild,
                            [&](IDirectXFileData* pMaterial) {
                                ViewMaterial material;
                                const std::vector<float> c = Member<float>(pMaterial, "faceColor");
                                std::copy_n(c.begin(), std::min<size_t>(4, c.size()), material.m_fColour);
                                const std::vector<float> e = Member<float>(pMaterial, "emissiveColor");
                                std::copy_n(e.begin(), std::min<size_t>(3, e.size()), material.m_fEmissive);
                                ForChildren(
                                    pMaterial,
                                    [&](IDirectXFileData* pTexture) {
                                        material.m_szTexture = StringMember(pTexture, "filename");
                                    },
                                    [](const std::string&) {});
                                mesh.m_materials.push_back(material);
                            },
                            [](const std::string&) {});
                    } else if (*pChildType == DXFILEOBJ_SkinWeights) {
                        Skin skin;
                        m_pendingBones.push_back({StringMember(pChild, "transformNodeName"), ""});
                        skin.m_nFrame = -static_cast<int>(m_pendingBones.size());
                        skin.m_indices = Member<std::uint32_t>(pChild, "vertexIndices");
                        skin.m_weights = Member<float>(pChild, "weights");
                        skin.m_offset = MatrixFrom(Member<float>(pChild, "matrixOffset"));
                        mesh.m_skins.push_back(skin);
                    }
                },
                [](const std::string&) {});
            if (mesh.m_materials.empty()) {
                mesh.m_materials.push_back(ViewMaterial());
            }
            mesh.m_faceMaterials.resize(mesh.m_faces.size(), 0);
            mesh.m_normals.resize(mesh.m_positions.size(), Vec3(0, 0, -1));
            mesh.m_coords.resize(mesh.m_positions.size(), {0.0f, 0.0f});
            m_meshes.push_back(mesh);
        } else if (*pType == TID_D3DRMAnimationSet) {
            ForChildren(
                pData,
                [&](IDirectXFileData* pAnimationData) {
                    Animation animation;
                    std::string szTarget;
                    ForChildren(
                        pAnimationData,
                        [&](IDirectXFileData* pKeyData) {
                            const GUID* pKeyType = TypeOf(pKeyData);
                            if (pKeyType == nullptr || !(*pKeyType == TID_D3DRMAnimationKey)) {
                                return;
                            }
                            const std::vector<std::uint32_t> type = Member<std::uint32_t>(pKeyData, "keyType");
                            const std::vector<std::uint32_t> words = Member<std::uint32_t>(pKeyData, "keys");
                            if (type.empty() || type[0] > 4) {
                                return;
                            }
                            for (size_t i = 0; i + 1 < words.size();) {
                                Key key;
                                key.m_dwTime = words[i];
                                const std::uint32_t n = words[i + 1];
                                for (std::uint32_t k = 0; k < n && i + 2 + k < words.size(); ++k) {
                                    float f = 0.0f;
                                    std::memcpy(&f, &words[i + 2 + k], sizeof(f));
                                    key.m_values.push_back(f);
                                }
                                animation.m_keys[type[0]].push_back(key);
                                i += 2 + n;
                            }
                        },
                        [&](const std::string& szName) { szTarget = szName; });
                    for (size_t f = nFirstFrame; f < m_frames.size(); ++f) {
                        if (m_frames[f].m_szName == szTarget) {
                            animation.m_nFrame = static_cast<int>(f);
                        }
                    }
                    if (animation.m_nFrame >= 0) {
                        m_animations.push_back(animation);
                    }
                },
                [](const std::string&) {});
        }
    };
    IDirectXFileData* pData = nullptr;
    while (pEnum->GetNextDataObject(&pData) == DXFILE_OK) {
        visit(pData, -1);
        pData->Release();
    }
    pEnum->Release();
    pFile->Release();
    // Bind bones to frames by name.
    for (Mesh& mesh : m_meshes) {
        for (Skin& skin : mesh.m_skins) {
            if (skin.m_nFrame < 0) {
                const std::string& szBone = m_pendingBones[static_cast<size_t>(-skin.m_nFrame - 1)].first;
                skin.m_nFrame = -1;
                for (size_t f = nFirstFrame; f < m_frames.size(); ++f) {
                    if (m_frames[f].m_szName == szBone) {
                        skin.m_nFrame = static_cast<int>(f);
                    }
                }
            }
        }
    }
    m_pendingBones.clear();
    return true;
}

void ModelScene::Append(const ModelScene& other, const Mat4& placement) {
    const int nOffset = static_cast<int>(m_frames.size());
    for (Frame frame : other.m_frames) {
        frame.m_nParent = frame.m_nParent >= 0 ? frame.m_nParent + nOffset : -1;
        m_frames.push_back(frame);
    }
    for (Mesh mesh : other.m_meshes) {
        mesh.m_nFrame = mesh.m_nFrame >= 0 ? mesh.m_nFrame + nOffset : -1;
        for (Skin& skin : mesh.m_skins) {
            skin.m_nFrame = skin.m_nFrame >= 0 ? skin.m_nFrame + nOffset : -1;
        }
        mesh.m_placement = mesh.m_placement * placement;
        m_meshes.push_back(mesh);
    }
    for (Animation animation : other.m_animations) {
        animation.m_nFrame += nOffset;
        m_animations.push_back(animation);
    }
}

std::vector<Mat4> ModelScene::Combined(float fTicks) const {
    std::vector<Mat4> local(m_frames.size());
    for (size_t f = 0; f < m_frames.size(); ++f) {
        local[f] = m_frames[f].m_file;
    }
    for (const Animation& animation : m_animations) {
        size_t k1 = 0, k2 = 0;
        float f = 0.0f;
        if (Bracket(animation.m_keys[4], fTicks, k1, k2, f)) {
            const Key& key = animation.m_keys[4][f > 0.5f ? k2 : k1];
            std::vector<float> values = key.m_values;
            values.resize(16, 0.0f);
            local[animation.m_nFrame] = MatrixFrom(values);
            continue;
        }
        Mat4 m;
        if (Bracket(animation.m_keys[1], fTicks, k1, k2, f)) {
            const auto& a = animation.m_keys[1][k1].m_values;
            const auto& b = animation.m_keys[1][k2].m_values;
            m = m * Mat4::Scaling(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f);
        }
        if (Bracket(animation.m_keys[0], fTicks, k1, k2, f)) {
            // Stored w, x, y, z; the rotation is the conjugate of the stored quaternion.
            const auto& a = animation.m_keys[0][k1].m_values;
            const auto& b = animation.m_keys[0][k2].m_values;
            float q[4];
            const float fSign = (a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]) < 0.0f ? -1.0f : 1.0f;
            float fLen = 0.0f;
            for (int i = 0; i < 4; ++i) {
                q[i] = a[i] + (b[i] * fSign - a[i]) * f;
                fLen += q[i] * q[i];
            }
            fLen = std::sqrt(fLen);
            m = m * QuaternionMatrix(-q[1] / fLen, -q[2] / fLen, -q[3] / fLen, q[0] / fLen);
        }
        const Mat4& file = m_frames[animation.m_nFrame].m_file;
        Vec3 t(file.m[12], file.m[13], file.m[14]);
        if (Bracket(animation.m_keys[2], fTicks, k1, k2, f)) {
            const auto& a = animation.m_keys[2][k1].m_values;
            const auto& b = animation.m_keys[2][k2].m_values;
            t = Vec3(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f);
        }
        local[animation.m_nFrame] = m * Mat4::Translation(t.x, t.y, t.z);
    }
    std::vector<Mat4> combined(m_frames.size());
    for (size_t f = 0; f < m_frames.size(); ++f) {
        // Parents come before their children in file order.
        combined[f] = m_frames[f].m_nParent >= 0 ? local[f] * combined[m_frames[f].m_nParent] : local[f];
    }
    return combined;
}

std::vector<ViewBatch> ModelScene::Pose(float fTicks) const {
    const std::vector<Mat4> combined = Combined(fTicks);
    std::vector<ViewBatch> batches;
    for (const Mesh& mesh : m_meshes) {
        if (mesh.m_szName.find("display") == std::string::npos && mesh.m_szName.find("dammy") != std::string::npos) {
            continue;
        }
        std::vector<Vec3> positions = mesh.m_positions, normals = mesh.m_normals;
        if (!mesh.m_skins.empty()) {
            std::vector<Vec3> p(positions.size()), n(normals.size());
            for (const Skin& skin : mesh.m_skins) {
                if (skin.m_nFrame < 0) {
                    continue;
                }
                const Mat4 bone = skin.m_offset * combined[skin.m_nFrame];
                for (size_t i = 0; i < skin.m_indices.size(); ++i) {
                    const std::uint32_t v = skin.m_indices[i];
                    p[v] += bone.TransformPoint(mesh.m_positions[v]) * skin.m_weights[i];
                    n[v] += bone.TransformNormal(mesh.m_normals[v]) * skin.m_weights[i];
                }
            }
            positions = p;
            normals = n;
        } else if (mesh.m_nFrame >= 0) {
            for (size_t v = 0; v < positions.size(); ++v) {
                positions[v] = combined[mesh.m_nFrame].TransformPoint(positions[v]);
                normals[v] = combined[mesh.m_nFrame].TransformNormal(normals[v]);
            }
        }
        const size_t nFirst = batches.size();
        for (const ViewMaterial& material : mesh.m_materials) {
            batches.push_back({material, {}, mesh.m_szName});
        }
        for (size_t f = 0; f < mesh.m_faces.size(); ++f) {
            ViewBatch& batch = batches[nFirst + std::min<size_t>(mesh.m_faceMaterials[f], mesh.m_materials.size() - 1)];
            for (std::uint32_t v : mesh.m_faces[f]) {
                ViewVertex out;
                out.m_p = mesh.m_placement.TransformPoint(positions[v]);
                out.m_n = Normalize(mesh.m_placement.TransformNormal(normals[v]));
                out.m_fU = mesh.m_coords[v][0];
                out.m_fV = mesh.m_coords[v][1];
                batch.m_vertices.push_back(out);
            }
        }
    }
    return batches;
}

std::uint32_t ModelScene::Triangles() const {
    std::uint32_t dw = 0;
    for (const Mesh& mesh : m_meshes) {
        dw += static_cast<std::uint32_t>(mesh.m_faces.size());
    }
    return dw;
}
