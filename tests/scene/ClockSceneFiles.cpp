#include "scene/ClockSceneFiles.h"

#include <cstring>
#include <filesystem>

std::string PlacementFileBytes(int count, const std::vector<D3DXMATRIX>& records) {
    std::string bytes(4 + 64 * records.size(), '\0');
    std::memcpy(bytes.data(), &count, 4);
    for (size_t i = 0; i < records.size(); ++i) {
        std::memcpy(bytes.data() + 4 + 64 * i, &records[i].m[0][0], 64);
    }
    return bytes;
}

bool LinkGeneratedMedia(const ScopedTempCwd& cwd) {
    const std::filesystem::path run(VELMORAN_RUN_DIR);
    if (!std::filesystem::is_regular_file(run / "Model" / "VelmoranBase07.x")) {
        return false;
    }
    std::filesystem::create_directory_symlink(run / "Model", cwd.File("Model"));
    std::filesystem::create_directory_symlink(run / "Texture", cwd.File("Texture"));
    return true;
}

D3DXMATRIX Placement(float scale, float yaw, float x, float y, float z) {
    D3DXMATRIX matScale;
    D3DXMATRIX matYaw;
    D3DXMATRIX matMove;
    D3DXMatrixScaling(&matScale, scale, scale, scale);
    D3DXMatrixRotationY(&matYaw, yaw);
    D3DXMatrixTranslation(&matMove, x, y, z);
    return matScale * matYaw * matMove;
}
