// Writes the whole media tree under a run folder: Model/, Texture/, Misc/ and
// Sound/, plus a MIDI alarm into a separate test-data folder. The output is a
// pure function of this code and the installed fonts: no clock, no seedless
// randomness, so two runs give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MediaGenerator {
public:
    static constexpr std::uint32_t kTriangleBudget = 8000;

    struct ModelStats {
        std::string m_szFile;
        std::uint32_t m_dwVertices = 0;
        std::uint32_t m_dwTriangles = 0;
    };

    // szTestData may be empty (no MIDI written). Returns false and fills
    // szError when a file cannot be written or a model is malformed.
    bool Generate(const std::string& szOut, const std::string& szTestData);

    const std::string& Error() const { return m_szError; }
    const std::vector<ModelStats>& Models() const { return m_models; }
    std::uint32_t SceneTriangles() const { return m_dwSceneTriangles; }
    // The per-model vertex and triangle counts and the scene total, as printed.
    std::string Report() const;

private:
    bool WriteFile(const std::string& szPath, const std::string& bytes);

    std::string m_szError;
    std::vector<ModelStats> m_models;
    std::uint32_t m_dwSceneTriangles = 0;
    std::uint32_t m_dwFlowers = 0;
    std::uint32_t m_dwVines = 0;
};
