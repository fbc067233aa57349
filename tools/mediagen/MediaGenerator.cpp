#include "MediaGenerator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BirdModel.h"
#include "FlowerModels.h"
#include "FontRenderer.h"
#include "SceneLayout.h"
#include "SoundWriter.h"
#include "TextureSet.h"
#include "VineModel.h"
#include "XFileWriter.h"

bool MediaGenerator::WriteFile(const std::string& szPath, const std::string& bytes) {
    std::ofstream file(szPath, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        m_szError = "cannot write " + szPath;
        return false;
    }
    return true;
}

bool MediaGenerator::Generate(const std::string& szOut, const std::string& szTestData) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const char* szFolder : {"Model", "Texture", "Misc", "Sound"}) {
        fs::create_directories(fs::path(szOut) / szFolder, error);
        if (error) {
            m_szError = "cannot create " + (fs::path(szOut) / szFolder).string();
            return false;
        }
    }
    const std::string szModel = szOut + "/Model/", szTexture = szOut + "/Texture/";
    const std::string szMisc = szOut + "/Misc/", szSound = szOut + "/Sound/";
    m_models.clear();

    // Static models: text files, except the vine, which is binary so that the
    // program reads that encoding every run.
    struct Entry {
        const char* szFile;
        StaticModel model;
        bool bBinary;
    };
    Entry entries[] = {
        {"VelmoranBase07.x", FlowerModels::Base(), false},  {"VelmoranMoji01.x", FlowerModels::Numerals(), false},
        {"VelmoranHri101.x", FlowerModels::Hand(0), false}, {"VelmoranHri201.x", FlowerModels::Hand(1), false},
        {"VelmoranHri301.x", FlowerModels::Hand(2), false}, {"VelmoranTuru04.x", VineModel::Build(), true},
        {"ClockDammy.x", BirdModel::CullVolume(), false}};
    std::uint32_t dwFlowerTriangles = 0, dwVineTriangles = 0;
    for (const Entry& entry : entries) {
        if (entry.model.RefusedTriangles() != 0) {
            m_szError = std::string(entry.szFile) + ": zero-area triangles were generated";
            return false;
        }
        const std::vector<XObject> objects = entry.model.Objects();
        const std::string bytes =
            entry.bBinary ? XFileWriter::WriteBinary(objects) : XFileWriter::WriteText(objects, "");
        if (!WriteFile(szModel + entry.szFile, bytes)) {
            return false;
        }
        m_models.push_back({entry.szFile, entry.model.DisplayVertices(), entry.model.DisplayTriangles()});
        const std::string szName = entry.szFile;
        if (szName.rfind("Velmoran", 0) == 0 && szName != "VelmoranTuru04.x") {
            dwFlowerTriangles += entry.model.DisplayTriangles();
        } else if (szName == "VelmoranTuru04.x") {
            dwVineTriangles = entry.model.DisplayTriangles();
        }
    }
    ModelStats bird{"BlueBird01.x", 0, 0};
    if (!WriteFile(szModel + "BlueBird01.x", BirdModel::BirdFile(bird.m_dwVertices, bird.m_dwTriangles)) ||
        !WriteFile(szModel + "Dammy.x", BirdModel::DammyFile())) {
        return false;
    }
    m_models.push_back(bird);

    FontRenderer serif, sans;
    if (!serif.Open("Liberation Serif:bold") || !sans.Open("Arial:bold")) {
        m_szError = "no font face for the numerals or the read-out (fontconfig)";
        return false;
    }
    for (const NamedFile& texture : TextureSet::Build(serif, sans)) {
        if (!WriteFile(szTexture + texture.m_szName, texture.m_bytes)) {
            return false;
        }
    }

    const std::vector<Mat4> flowers = SceneLayout::Flowers();
    const std::vector<Mat4> vines = SceneLayout::Vines();
    if (!WriteFile(szMisc + "Clock.vps", SceneLayout::PositionFile(flowers)) ||
        !WriteFile(szMisc + "Clock.bps", SceneLayout::PositionFile(vines)) ||
        !WriteFile(szMisc + "Clock.fpp", SceneLayout::PathFile(SceneLayout::Path()))) {
        return false;
    }
    // The settings file belongs to the user once it exists.
    if (!fs::exists(szMisc + "VelmoranFlags.vmf") &&
        !WriteFile(szMisc + "VelmoranFlags.vmf", SceneLayout::FlagsFile(SceneLayout::kDefaultFlags))) {
        return false;
    }

    if (!WriteFile(szSound + "AlarmSound.wav", SoundWriter::ChimeWav())) {
        return false;
    }
    if (!szTestData.empty()) {
        fs::create_directories(szTestData, error);
        if (error || !WriteFile(szTestData + "/AlarmSound.mid", SoundWriter::MelodyMidi())) {
            m_szError = "cannot write the MIDI alarm into " + szTestData;
            return false;
        }
    }

    m_dwFlowers = static_cast<std::uint32_t>(flowers.size());
    m_dwVines = static_cast<std::uint32_t>(vines.size());
    m_dwSceneTriangles = m_dwFlowers * dwFlowerTriangles + m_dwVines * dwVineTriangles + bird.m_dwTriangles;
    if (m_dwSceneTriangles >= kTriangleBudget) {
        m_szError = "the scene needs " + std::to_string(m_dwSceneTriangles) + " triangles, over the budget of " +
                    std::to_string(kTriangleBudget);
        return false;
    }
    return true;
}

std::string MediaGenerator::Report() const {
    std::string out;
    char line[160];
    for (const ModelStats& m : m_models) {
        std::snprintf(line, sizeof(line), "%-18s %6u vertices %6u triangles\n", m.m_szFile.c_str(), m.m_dwVertices,
                      m.m_dwTriangles);
        out += line;
    }
    std::snprintf(line, sizeof(line), "scene: %u flowers, %u vines, 1 bird: %u triangles (budget %u)\n", m_dwFlowers,
                  m_dwVines, m_dwSceneTriangles, kTriangleBudget);
    out += line;
    return out;
}
