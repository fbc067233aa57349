// Tokens of the binary encoding: 16-bit little-endian token codes, some followed
// by a record. Every count is checked against the bytes that remain before
// anything is read, so no record can reach past the image.
#pragma once

#include <cstddef>

#include "platform/xfile/XTokenizer.h"

class XBinaryTokenizer : public XTokenizer {
public:
    // floatSize: 4 or 8, the width of FLOAT_LIST values given by the header.
    XBinaryTokenizer(const BYTE* data, size_t size, size_t floatSize)
        : m_pData(data), m_dwSize(size), m_dwFloatSize(floatSize) {}

protected:
    XToken Read() override;
    size_t ReadNumberRun(XPrimitive type, size_t count, BYTE* out) override;
    // Every number takes at least 4 bytes: a list value, or 6 as a single INTEGER.
    size_t NumbersInRest() const override { return (m_dwSize - m_dwPos) / 4; }
    size_t PackedNumbers(XPrimitive type, const BYTE** values) const override;
    void StepOverPacked(size_t count) override;

private:
    bool Has(size_t bytes) const { return m_dwSize - m_dwPos >= bytes; }
    WORD ReadWord();
    DWORD ReadDword();
    // Read's token families, each called once its token code is read.
    XToken TextRecord(WORD code);
    XToken IntegerValue();  // also a value of an integer list
    XToken GuidRecord();
    XToken Keyword(WORD code);
    XToken ListValue();
    bool OpenList(WORD code);
    bool StartNextList();
    void CopyListValues(XPrimitive type, size_t count, BYTE* out);

    const BYTE* m_pData;
    size_t m_dwSize;
    size_t m_dwFloatSize;
    size_t m_dwPos = 0;
    // An integer or float list being handed out value by value.
    size_t m_dwListLeft = 0;
    bool m_bListFloat = false;
};
