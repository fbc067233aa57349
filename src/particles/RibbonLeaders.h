// Eight invisible leaders flying the bird's path, each at its own speed and
// its own fixed offset from the path; every frame each lays one ribbon
// segment from where it was to where it is.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "particles/ParticleList.h"
#include "platform/kernel/WinTypes.h"

class FergusonPath;
class ParticleTrailRibonG;

class RibbonLeaders {
public:
    static constexpr DWORD kCapacity = 50;
    static constexpr DWORD kLeaderCount = 8;

    struct RibbonLeader {
        D3DXVECTOR3 m_vecPosition;  // path point + offset
        D3DXVECTOR3 m_vecPrevious;  // position at the end of the previous update
        D3DXVECTOR3 m_vecAhead;     // the path's look-ahead point; kept, not used
        float m_fS;                 // path parameter, in segments
        float m_fSpeed;             // segments per second
        D3DXVECTOR3 m_vecOffset;
        RibbonLeader* m_pNext;
    };

    RibbonLeaders();
    ~RibbonLeaders();
    RibbonLeaders(const RibbonLeaders&) = delete;
    RibbonLeaders& operator=(const RibbonLeaders&) = delete;

    HRESULT Load(const FergusonPath* pPath);
    HRESULT Update(const FergusonPath* pPath, ParticleTrailRibonG* pRibbon);
    HRESULT Clear();

    DWORD LeaderCount() const { return m_list.LiveCount(); }
    const RibbonLeader* LiveList() const { return m_list.Live(); }

private:
    ParticleList<RibbonLeader> m_list;
};
