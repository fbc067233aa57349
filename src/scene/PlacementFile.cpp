#include "scene/PlacementFile.h"

#include <cstdint>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {

// Far more placements than a scene has; the count is checked against the file too.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{16} << 20;
constexpr long kRecordBytes = 64;

// Bytes the file holds after its 4-byte count; -1 when it cannot be told.
long BytesAfterCount(std::FILE* pFile) {
    if (std::fseek(pFile, 0, SEEK_END) != 0) {
        return -1;
    }
    long lSize = std::ftell(pFile);
    if (lSize < 4 || std::fseek(pFile, 4, SEEK_SET) != 0) {
        return -1;
    }
    return lSize - 4;
}
}  // namespace

PlacementFile::~PlacementFile() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
}

HRESULT PlacementFile::Fail(long line, const char* szMessage) {
    TraceError(m_messages.m_szModule, line, E_FAIL, szMessage, TRUE);
    return E_FAIL;
}

HRESULT PlacementFile::Open(const char* szPath) {
    m_pFile = szPath != nullptr ? OpenRegularFile(szPath, kMaxFileBytes) : nullptr;
    if (m_pFile == nullptr) {
        return Fail(m_messages.m_lOpenLine, m_messages.m_szOpen);
    }
    int nCount = 0;
    if (std::fread(&nCount, 4, 1, m_pFile) != 1 || nCount < 0) {
        return Fail(m_messages.m_lCountLine, m_messages.m_szCount);
    }
    long lHeld = BytesAfterCount(m_pFile);
    if (lHeld < 0 || static_cast<long long>(lHeld) < kRecordBytes * static_cast<long long>(nCount)) {
        return Fail(m_messages.m_lRecordLine, m_messages.m_szRecord);
    }
    m_nCount = nCount;
    return S_OK;
}

HRESULT PlacementFile::OpenMedia(const char* szDir, const char* szFileName, HRESULT hrNote) {
    char szPath[MAX_PATH];
    const BOOL bPathFits = ComposeMediaPath(szPath, szDir, kMiscFolder, szFileName);
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), m_messages.m_szNote, szFileName);
    TraceError(m_messages.m_szModule, m_messages.m_lNoteLine, hrNote, szMessage, FALSE);
    return Open(bPathFits ? szPath : nullptr);
}

HRESULT PlacementFile::Next(D3DXMATRIX* pOut) {
    float afMatrix[16];
    if (m_pFile == nullptr || std::fread(afMatrix, kRecordBytes, 1, m_pFile) != 1) {
        return Fail(m_messages.m_lRecordLine, m_messages.m_szRecord);
    }
    *pOut = D3DXMATRIX(afMatrix);
    return S_OK;
}
