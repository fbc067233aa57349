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

private:
    void SkipSpaceAndComments();
    XToken ReadNumberOrName();
    XToken ReadName();
    XToken ReadString();
    XToken ReadGuid();

    const char* m_pText;
    size_t m_dwSize;
    size_t m_dwPos = 0;
};
