// Tokens of the text encoding: names, numbers, "strings", <GUIDs>, braces,
// brackets and separators; "//" and "#" comments run to the end of the line.
#pragma once

#include <cstddef>

#include "platform/xfile/XTokenizer.h"

class XTextTokenizer : public XTokenizer {
public:
    XTextTokenizer(const char* text, size_t size) : m_pText(text), m_dwSize(size) {}

protected:
    XToken Read() override;
    size_t ReadNumberRun(XPrimitive type, size_t count, BYTE* out) override;
    // Every number takes a character, and a delimiter stands between two.
    size_t NumbersInRest() const override { return (m_dwSize - m_dwPos + 1) / 2; }

private:
    // What the characters at the position make when they start like a number.
    enum class NumberScan { Number, Name, Malformed };

    void SkipSpaceAndComments();
    bool StartsNumber() const;
    NumberScan ScanNumber(XToken& token, size_t& end) const;
    XToken ReadNumberOrName();
    XToken ReadName();
    XToken ReadString();
    XToken ReadGuid();

    const char* m_pText;
    size_t m_dwSize;
    size_t m_dwPos = 0;
};
