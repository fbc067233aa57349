#include "scene/FergusonPath.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {

// Far more points than a path has; the count is checked against the file too.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{16} << 20;
namespace site {
// Fixed trace sites (see TraceSite): kept exactly. "%s" is the path file's name;
// one failure per block read.
constexpr const char* kModule = "Ferguson";
constexpr TraceSite kOpening{kModule, 62, "opening fergusonpointpositionfile...%s"};
constexpr TraceSite kOpenFailed{kModule, 66, "failed to open ppsfile"};
constexpr TraceSite kCountFailed{kModule, 71, "failed to read pointnuber from file"};
constexpr TraceSite kPointsFailed{kModule, 94, "failed to read pointposition from file"};
constexpr TraceSite kAnglesFailed{kModule, 102, "failed to read plycamangy from file"};
constexpr TraceSite kDistancesFailed{kModule, 110, "failed to read plycamdist from file"};
}  // namespace site

template <typename T>
T* NewZeroed(int count) {
    T* p = new (std::nothrow) T[count];
    if (p != nullptr) {
        for (int i = 0; i < count; ++i) {
            p[i] = T{};
        }
    }
    return p;
}

template <typename T>
void FreeArray(T*& p) {
    delete[] p;
    p = nullptr;
}

// The Hermite coefficients of one segment from p0 to p1 with chord tangents.
template <typename T>
void Segment(const T& p0, const T& p1, const T& p2, T& a, T& b, T& c, T& d) {
    T t0 = p1 - p0;
    T t1 = p2 - p1;
    a = p0 * 2.0f - p1 * 2.0f + t0 + t1;
    b = p1 * 3.0f - p0 * 3.0f - t0 * 2.0f - t1;
    c = t0;
    d = p0;
}

// One segment's cubic a f^3 + b f^2 + c f + d at f in [0, 1).
template <typename T>
T Cubic(const T* a, const T* b, const T* c, const T* d, int i, float f) {
    const float f2 = f * f;
    const float f3 = f2 * f;
    return a[i] * f3 + b[i] * f2 + c[i] * f + d[i];
}

long FileSize(std::FILE* pFile) {
    if (std::fseek(pFile, 0, SEEK_END) != 0) {
        return -1;
    }
    long size = std::ftell(pFile);
    std::fseek(pFile, 4, SEEK_SET);
    return size;
}
}  // namespace

FergusonPath::FergusonPath()
    : m_nPointNum(0),
      m_pvecPosA(nullptr),
      m_pvecPosB(nullptr),
      m_pvecPosC(nullptr),
      m_pvecPosD(nullptr),
      m_pvecAheadA(nullptr),
      m_pvecAheadB(nullptr),
      m_pvecAheadC(nullptr),
      m_pvecAheadD(nullptr),
      m_pfAngA(nullptr),
      m_pfAngB(nullptr),
      m_pfAngC(nullptr),
      m_pfAngD(nullptr),
      m_pfDistA(nullptr),
      m_pfDistB(nullptr),
      m_pfDistC(nullptr),
      m_pfDistD(nullptr),
      m_pvecPoints(nullptr),
      m_pvecShifted(nullptr),
      m_pfCamAngle(nullptr),
      m_pfCamDist(nullptr) {
    CaptureDirectory(m_szDir);
}

FergusonPath::~FergusonPath() {
    Release();
}

HRESULT FergusonPath::Fail(const TraceSite& site) {
    TraceError(site, E_FAIL, TRUE);
    return E_FAIL;
}

HRESULT FergusonPath::Load(const char* fileName) {
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, m_szDir, kMiscFolder, fileName);
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), site::kOpening.m_pszText, fileName);
    TraceError(site::kModule, site::kOpening.m_lNumber, S_OK, szMessage, FALSE);

    std::FILE* pFile = bPathFits ? OpenRegularFile(szPath, kMaxFileBytes) : nullptr;
    if (pFile == nullptr) {
        return Fail(site::kOpenFailed);
    }
    int nCount = 0;
    if (std::fread(&nCount, 4, 1, pFile) != 1 || nCount <= 0) {
        std::fclose(pFile);
        return Fail(site::kCountFailed);
    }
    // A count the file cannot hold fails with the block that would run out,
    // before anything is allocated for it.
    long lSize = FileSize(pFile);
    long long llHeld = lSize < 4 ? 0 : (lSize - 4);
    if (llHeld < 12LL * nCount) {
        std::fclose(pFile);
        return Fail(site::kPointsFailed);
    }
    if (llHeld < 16LL * nCount) {
        std::fclose(pFile);
        return Fail(site::kAnglesFailed);
    }
    if (llHeld < 20LL * nCount) {
        std::fclose(pFile);
        return Fail(site::kDistancesFailed);
    }

    Release();
    m_nPointNum = nCount;
    m_pvecPosA = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecPosB = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecPosC = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecPosD = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecAheadA = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecAheadB = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecAheadC = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecAheadD = NewZeroed<D3DXVECTOR3>(nCount);
    m_pfAngA = NewZeroed<float>(nCount);
    m_pfAngB = NewZeroed<float>(nCount);
    m_pfAngC = NewZeroed<float>(nCount);
    m_pfAngD = NewZeroed<float>(nCount);
    m_pfDistA = NewZeroed<float>(nCount);
    m_pfDistB = NewZeroed<float>(nCount);
    m_pfDistC = NewZeroed<float>(nCount);
    m_pfDistD = NewZeroed<float>(nCount);
    m_pvecPoints = NewZeroed<D3DXVECTOR3>(nCount);
    m_pvecShifted = NewZeroed<D3DXVECTOR3>(nCount);
    m_pfCamAngle = NewZeroed<float>(nCount);
    m_pfCamDist = NewZeroed<float>(nCount);
    if (m_pvecPosA == nullptr || m_pvecPosB == nullptr || m_pvecPosC == nullptr || m_pvecPosD == nullptr ||
        m_pvecAheadA == nullptr || m_pvecAheadB == nullptr || m_pvecAheadC == nullptr || m_pvecAheadD == nullptr ||
        m_pfAngA == nullptr || m_pfAngB == nullptr || m_pfAngC == nullptr || m_pfAngD == nullptr ||
        m_pfDistA == nullptr || m_pfDistB == nullptr || m_pfDistC == nullptr || m_pfDistD == nullptr ||
        m_pvecPoints == nullptr || m_pvecShifted == nullptr || m_pfCamAngle == nullptr || m_pfCamDist == nullptr) {
        std::fclose(pFile);
        Release();
        return E_OUTOFMEMORY;
    }

    const TraceSite* pFailure = nullptr;
    for (int i = 0; i < nCount && pFailure == nullptr; ++i) {
        float xyz[3];
        if (std::fread(xyz, 12, 1, pFile) != 1) {
            pFailure = &site::kPointsFailed;
        } else {
            m_pvecPoints[i] = D3DXVECTOR3(xyz[0], xyz[1], xyz[2]);
        }
    }
    for (int i = 0; i < nCount && pFailure == nullptr; ++i) {
        if (std::fread(&m_pfCamAngle[i], 4, 1, pFile) != 1) {
            pFailure = &site::kAnglesFailed;
        }
    }
    for (int i = 0; i < nCount && pFailure == nullptr; ++i) {
        if (std::fread(&m_pfCamDist[i], 4, 1, pFile) != 1) {
            pFailure = &site::kDistancesFailed;
        }
    }
    std::fclose(pFile);
    if (pFailure != nullptr) {
        return Fail(*pFailure);
    }
    BuildCoefficients();
    return S_OK;
}

HRESULT FergusonPath::BuildCoefficients() {
    const int n = m_nPointNum;
    if (n <= 0 || m_pvecPoints == nullptr) {
        return E_FAIL;
    }
    for (int i = 0; i < n; ++i) {
        m_pvecShifted[i] = m_pvecPoints[(i + 1) % n];
    }
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        int k = (i + 2) % n;
        Segment(m_pvecPoints[i], m_pvecPoints[j], m_pvecPoints[k], m_pvecPosA[i], m_pvecPosB[i], m_pvecPosC[i],
                m_pvecPosD[i]);
        Segment(m_pvecShifted[i], m_pvecShifted[j], m_pvecShifted[k], m_pvecAheadA[i], m_pvecAheadB[i], m_pvecAheadC[i],
                m_pvecAheadD[i]);
        Segment(m_pfCamAngle[i], m_pfCamAngle[j], m_pfCamAngle[k], m_pfAngA[i], m_pfAngB[i], m_pfAngC[i], m_pfAngD[i]);
        Segment(m_pfCamDist[i], m_pfCamDist[j], m_pfCamDist[k], m_pfDistA[i], m_pfDistB[i], m_pfDistC[i], m_pfDistD[i]);
    }
    return S_OK;
}

bool FergusonPath::Usable(float s) const {
    // A released path keeps its count with no arrays; negative parameters
    // would index before the first segment.
    return m_pvecPosA != nullptr && s >= 0.0f && s < float(m_nPointNum);
}

HRESULT FergusonPath::Evaluate(float s, float* px, float* py, float* pz, float* ax, float* ay, float* az) const {
    if (!Usable(s)) {
        return S_OK;
    }
    const int i = int(s);
    const float f = s - float(i);
    const D3DXVECTOR3 vecPos = Cubic(m_pvecPosA, m_pvecPosB, m_pvecPosC, m_pvecPosD, i, f);
    const D3DXVECTOR3 vecAhead = Cubic(m_pvecAheadA, m_pvecAheadB, m_pvecAheadC, m_pvecAheadD, i, f);
    *px = vecPos.x;
    *py = vecPos.y;
    *pz = vecPos.z;
    *ax = vecAhead.x;
    *ay = vecAhead.y;
    *az = vecAhead.z;
    return S_OK;
}

HRESULT FergusonPath::EvaluateCamera(float s, float* pAngle, float* pDistance) const {
    if (!Usable(s)) {
        return S_OK;
    }
    const int i = int(s);
    const float f = s - float(i);
    *pAngle = Cubic(m_pfAngA, m_pfAngB, m_pfAngC, m_pfAngD, i, f);
    *pDistance = Cubic(m_pfDistA, m_pfDistB, m_pfDistC, m_pfDistD, i, f);
    return S_OK;
}

HRESULT FergusonPath::Release() {
    FreeArray(m_pvecPosA);
    FreeArray(m_pvecPosB);
    FreeArray(m_pvecPosC);
    FreeArray(m_pvecPosD);
    FreeArray(m_pvecAheadA);
    FreeArray(m_pvecAheadB);
    FreeArray(m_pvecAheadC);
    FreeArray(m_pvecAheadD);
    FreeArray(m_pfAngA);
    FreeArray(m_pfAngB);
    FreeArray(m_pfAngC);
    FreeArray(m_pfAngD);
    FreeArray(m_pfDistA);
    FreeArray(m_pfDistB);
    FreeArray(m_pfDistC);
    FreeArray(m_pfDistD);
    FreeArray(m_pvecPoints);
    FreeArray(m_pvecShifted);
    FreeArray(m_pfCamAngle);
    FreeArray(m_pfCamDist);
    return S_OK;
}
