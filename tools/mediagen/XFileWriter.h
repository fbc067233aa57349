// Writes X files: the text encoding ("xof 0303txt 0032") and the binary token
// encoding ("xof 0303bin 0032"). Standard templates are referenced by name;
// templates outside the standard set can be declared at the top of a text file.
#pragma once

#include <string>
#include <vector>

#include "XObject.h"

class XFileWriter {
public:
    // declarations: template blocks written verbatim after the header (may be empty).
    static std::string WriteText(const std::vector<XObject>& objects, const std::string& szDeclarations);
    static std::string WriteBinary(const std::vector<XObject>& objects);

private:
    static void TextObject(std::string& out, const XObject& object, int nDepth);
    static void TextElement(std::string& out, const XValue& value);
    static void TextMember(std::string& out, const XValue& value);
};
