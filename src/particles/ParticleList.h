// The record keeping every particle effect shares: a live list (newest
// first) and a free list of dead records kept for reuse, under a capacity.
// Records are allocated only while the population grows past its peak, so a
// steady effect allocates nothing per frame. T needs a `T* m_pNext` link.
#pragma once

#include <new>

#include "platform/kernel/WinTypes.h"

template <class T>
class ParticleList {
public:
    explicit ParticleList(DWORD dwCapacity)
        : m_dwLiveNum(0), m_dwCapacity(dwCapacity), m_pLive(nullptr), m_pFree(nullptr) {}
    ~ParticleList() { Clear(); }
    ParticleList(const ParticleList&) = delete;
    ParticleList& operator=(const ParticleList&) = delete;

    DWORD LiveCount() const { return m_dwLiveNum; }
    DWORD Capacity() const { return m_dwCapacity; }
    bool Full() const { return m_dwLiveNum >= m_dwCapacity; }
    T* Live() { return m_pLive; }
    const T* Live() const { return m_pLive; }

    // A record at the front of the live list: a recycled one when there is
    // one, else a new one. Null when that allocation fails. The caller checks
    // Full() first and fills every field.
    T* Add() {
        T* pRecord = m_pFree;
        if (pRecord != nullptr) {
            m_pFree = pRecord->m_pNext;
        } else {
            pRecord = new (std::nothrow) T;
            if (pRecord == nullptr) {
                return nullptr;
            }
        }
        pRecord->m_pNext = m_pLive;
        m_pLive = pRecord;
        ++m_dwLiveNum;
        return pRecord;
    }

    // Runs step on every live record in list order; each record for which it
    // returns true has died and moves to the free list.
    template <class Step>
    void Update(Step step) {
        T** ppLink = &m_pLive;
        while (*ppLink != nullptr) {
            T* pRecord = *ppLink;
            if (step(*pRecord)) {
                *ppLink = pRecord->m_pNext;
                pRecord->m_pNext = m_pFree;
                m_pFree = pRecord;
                --m_dwLiveNum;
            } else {
                ppLink = &pRecord->m_pNext;
            }
        }
    }

    // Frees every record of the live list, then of the free list.
    void Clear() {
        FreeAll(m_pLive);
        FreeAll(m_pFree);
        m_dwLiveNum = 0;
    }

private:
    static void FreeAll(T*& pList) {
        while (pList != nullptr) {
            T* pNext = pList->m_pNext;
            delete pList;
            pList = pNext;
        }
    }

    DWORD m_dwLiveNum;
    DWORD m_dwCapacity;
    T* m_pLive;
    T* m_pFree;
};
