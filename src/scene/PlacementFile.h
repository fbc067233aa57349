// A position file of the scene: a 32-bit count, then that many 64-byte world
// matrices. The count is checked against what the file holds before anyone
// allocates for it; every failure is reported with its owner's message.
#pragma once

#include <cstdio>

#include "gfxutil/D3DXMath.h"
#include "platform/kernel/WinTypes.h"

class PlacementFile {
public:
    // The owner's fixed trace sites (see TraceSite): module, the note traced
    // on opening ("%s": the file name) and each failure's number and message.
    struct Messages {
        const char* m_szModule;
        long m_lNoteLine;
        const char* m_szNote;
        long m_lOpenLine;
        const char* m_szOpen;
        long m_lCountLine;
        const char* m_szCount;
        long m_lRecordLine;
        const char* m_szRecord;
    };

    explicit PlacementFile(const Messages& messages) : m_messages(messages), m_pFile(nullptr), m_nCount(0) {}
    ~PlacementFile();
    PlacementFile(const PlacementFile&) = delete;
    PlacementFile& operator=(const PlacementFile&) = delete;

    // Opens the file (null: its path did not fit) and reads the count. A
    // negative count fails as an unreadable one; a count larger than the file
    // holds fails as the short record it would meet.
    HRESULT Open(const char* szPath);
    // Open for a file of the media's Misc folder under szDir, after tracing
    // the owner's note with hrNote.
    HRESULT OpenMedia(const char* szDir, const char* szFileName, HRESULT hrNote);
    int Count() const { return m_nCount; }
    // The next record; E_FAIL with the record message when the file ends early.
    HRESULT Next(D3DXMATRIX* pOut);

private:
    HRESULT Fail(long line, const char* szMessage);

    Messages m_messages;
    std::FILE* m_pFile;
    int m_nCount;
};
