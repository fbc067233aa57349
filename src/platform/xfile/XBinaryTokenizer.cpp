#include "platform/xfile/XBinaryTokenizer.h"

#include <cstring>

#include "platform/xfile/DXFile.h"

namespace {

enum BinaryToken : WORD {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 10,
    kCBrace = 11,
    kOParen = 12,
    kCParen = 13,
    kOBracket = 14,
    kCBracket = 15,
    kOAngle = 16,
    kCAngle = 17,
    kDot = 18,
    kComma = 19,
    kSemicolon = 20,
    kTemplate = 31,
    kWord = 40,
    kDword = 41,
    kFloat = 42,
    kDouble = 43,
    kChar = 44,
    kUchar = 45,
    kSword = 46,
    kSdword = 47,
    kVoid = 48,
    kLpstr = 49,
    kUnicode = 50,
    kCstring = 51,
    kArray = 52,
};

XToken Simple(XTokenKind kind) {
    XToken token;
    token.m_kind = kind;
    return token;
}

XToken Primitive(XPrimitive type) {
    XToken token;
    token.m_kind = XTokenKind::Primitive;
    token.m_primitive = type;
    return token;
}

}  // namespace

WORD XBinaryTokenizer::ReadWord() {
    WORD value = static_cast<WORD>(m_pData[m_dwPos] | (m_pData[m_dwPos + 1] << 8));
    m_dwPos += 2;
    return value;
}

DWORD XBinaryTokenizer::ReadDword() {
    DWORD value = static_cast<DWORD>(m_pData[m_dwPos]) | (static_cast<DWORD>(m_pData[m_dwPos + 1]) << 8) |
                  (static_cast<DWORD>(m_pData[m_dwPos + 2]) << 16) | (static_cast<DWORD>(m_pData[m_dwPos + 3]) << 24);
    m_dwPos += 4;
    return value;
}

XToken XBinaryTokenizer::ListValue() {
    --m_dwListLeft;
    XToken token;
    if (!m_bListFloat) {
        token.m_kind = XTokenKind::Integer;
        token.m_iValue = ReadDword();
        token.m_dValue = static_cast<double>(token.m_iValue);
        return token;
    }
    token.m_kind = XTokenKind::Float;
    if (m_dwFloatSize == 8) {
        std::memcpy(&token.m_dValue, m_pData + m_dwPos, 8);
        m_dwPos += 8;
    } else {
        float value;
        std::memcpy(&value, m_pData + m_dwPos, 4);
        m_dwPos += 4;
        token.m_dValue = value;
    }
    return token;
}

XToken XBinaryTokenizer::Read() {
    // A loop, not recursion: a file may hold any number of empty lists in a row.
    for (;;) {
        if (m_dwListLeft > 0) {
            return ListValue();
        }
        if (m_dwPos == m_dwSize) {
            return Simple(XTokenKind::End);
        }
        if (!Has(2)) {
            return Fail(DXFILEERR_PARSEERROR);
        }
        WORD code = ReadWord();
        switch (code) {
            case kName:
            case kString: {
                if (!Has(4)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                DWORD count = ReadDword();
                if (!Has(count)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                // Names are handed out as C strings; one with a zero byte inside would be cut short.
                if (code == kName && std::memchr(m_pData + m_dwPos, 0, count) != nullptr) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                XToken token;
                token.m_kind = code == kName ? XTokenKind::Name : XTokenKind::String;
                token.m_text = std::string_view(reinterpret_cast<const char*>(m_pData + m_dwPos), count);
                m_dwPos += count;
                if (code == kString && Has(2)) {
                    // The terminator is documented as a DWORD holding the token; writers
                    // also store it as a plain token. No token is 0, so both read alike.
                    WORD terminator = static_cast<WORD>(m_pData[m_dwPos] | (m_pData[m_dwPos + 1] << 8));
                    if (terminator == kSemicolon || terminator == kComma) {
                        m_dwPos += 2;
                        if (Has(2) && m_pData[m_dwPos] == 0 && m_pData[m_dwPos + 1] == 0) {
                            m_dwPos += 2;
                        }
                    }
                }
                return token;
            }
            case kInteger: {
                if (!Has(4)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                XToken token;
                token.m_kind = XTokenKind::Integer;
                token.m_iValue = ReadDword();
                token.m_dValue = static_cast<double>(token.m_iValue);
                return token;
            }
            case kGuid: {
                if (!Has(16)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                XToken token;
                token.m_kind = XTokenKind::Guid;
                token.m_guid.Data1 = ReadDword();
                token.m_guid.Data2 = ReadWord();
                token.m_guid.Data3 = ReadWord();
                std::memcpy(token.m_guid.Data4, m_pData + m_dwPos, 8);
                m_dwPos += 8;
                return token;
            }
            case kIntegerList:
            case kFloatList: {
                if (!Has(4)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                DWORD count = ReadDword();
                bool bFloat = code == kFloatList;
                std::uint64_t bytes = static_cast<std::uint64_t>(count) * (bFloat ? m_dwFloatSize : 4);
                if (bytes > m_dwSize - m_dwPos) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                m_dwListLeft = count;
                m_bListFloat = bFloat;
                continue;
            }
            case kOBrace:
                return Simple(XTokenKind::OBrace);
            case kCBrace:
                return Simple(XTokenKind::CBrace);
            case kOBracket:
                return Simple(XTokenKind::OBracket);
            case kCBracket:
                return Simple(XTokenKind::CBracket);
            case kDot:
                return Simple(XTokenKind::Dot);
            case kComma:
                return Simple(XTokenKind::Comma);
            case kSemicolon:
                return Simple(XTokenKind::Semicolon);
            case kOParen:
            case kCParen:
            case kOAngle:
            case kCAngle:
                return Simple(XTokenKind::Other);
            case kTemplate:
                return Simple(XTokenKind::Template);
            case kArray:
                return Simple(XTokenKind::Array);
            case kWord:
                return Primitive(XPrimitive::Word);
            case kDword:
                return Primitive(XPrimitive::Dword);
            case kFloat:
                return Primitive(XPrimitive::Float);
            case kDouble:
                return Primitive(XPrimitive::Double);
            case kChar:
                return Primitive(XPrimitive::Char);
            case kUchar:
                return Primitive(XPrimitive::Uchar);
            case kSword:
                return Primitive(XPrimitive::Sword);
            case kSdword:
                return Primitive(XPrimitive::Sdword);
            case kLpstr:
            case kUnicode:
            case kCstring:
                return Primitive(XPrimitive::String);
            case kVoid:
            default:
                return Fail(DXFILEERR_PARSEERROR);
        }
    }
}
