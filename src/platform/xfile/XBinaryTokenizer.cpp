#include "platform/xfile/XBinaryTokenizer.h"

#include <algorithm>
#include <cfloat>
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

XToken XBinaryTokenizer::IntegerValue() {
    XToken token;
    token.m_kind = XTokenKind::Integer;
    token.m_iValue = ReadDword();
    token.m_dValue = static_cast<double>(token.m_iValue);
    return token;
}

XToken XBinaryTokenizer::ListValue() {
    --m_dwListLeft;
    if (!m_bListFloat) {
        return IntegerValue();
    }
    XToken token;
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

// The count after a list token (already read), checked against the bytes that remain.
bool XBinaryTokenizer::OpenList(WORD code) {
    if (!Has(4)) {
        return false;
    }
    DWORD count = ReadDword();
    bool bFloat = code == kFloatList;
    std::uint64_t bytes = static_cast<std::uint64_t>(count) * (bFloat ? m_dwFloatSize : 4);
    if (bytes > m_dwSize - m_dwPos) {
        return false;
    }
    m_dwListLeft = count;
    m_bListFloat = bFloat;
    return true;
}

// Steps over separators to the next list record and opens it. Anything else,
// a broken list included, stays where it is for Read to hand out or refuse.
bool XBinaryTokenizer::StartNextList() {
    while (Has(2)) {
        const size_t at = m_dwPos;
        const WORD code = ReadWord();
        if (code == kComma || code == kSemicolon) {
            continue;
        }
        if ((code == kIntegerList || code == kFloatList) && OpenList(code)) {
            return true;
        }
        m_dwPos = at;
        return false;
    }
    return false;
}

// `count` values of the open list (count <= m_dwListLeft), packed as `type`.
void XBinaryTokenizer::CopyListValues(XPrimitive type, size_t count, BYTE* out) {
    const BYTE* in = m_pData + m_dwPos;
    m_dwListLeft -= count;
    if (!m_bListFloat) {
        m_dwPos += 4 * count;
        if (type == XPrimitive::Dword || type == XPrimitive::Sdword) {
            std::memcpy(out, in, 4 * count);  // the file's little-endian DWORDs are already the packed values
            return;
        }
        XToken number;
        number.m_kind = XTokenKind::Integer;
        for (size_t i = 0; i < count; ++i, in += 4) {
            number.m_iValue = XLoadPacked<DWORD>(in);
            XPackNumber(number, type, out + i * XPrimitiveSize(type));
        }
        return;
    }
    m_dwPos += m_dwFloatSize * count;
    if (type == XPrimitive::Float && m_dwFloatSize == 4) {
        // Infinities saturate as XPackNumber has them.
        for (size_t i = 0; i < count; ++i, in += 4, out += 4) {
            float value = XLoadPacked<float>(in);
            value = value > FLT_MAX ? FLT_MAX : value < -FLT_MAX ? -FLT_MAX : value;
            std::memcpy(out, &value, 4);
        }
        return;
    }
    XToken number;
    number.m_kind = XTokenKind::Float;
    for (size_t i = 0; i < count; ++i, in += m_dwFloatSize) {
        number.m_dValue = m_dwFloatSize == 8 ? XLoadPacked<double>(in) : XLoadPacked<float>(in);
        XPackNumber(number, type, out + i * XPrimitiveSize(type));
    }
}

size_t XBinaryTokenizer::ReadNumberRun(XPrimitive type, size_t count, BYTE* out) {
    size_t done = 0;
    while (done < count) {
        if (m_dwListLeft == 0 && !StartNextList()) {
            break;
        }
        const size_t take = std::min(count - done, m_dwListLeft);
        CopyListValues(type, take, out + done * XPrimitiveSize(type));
        done += take;
    }
    return done;
}

size_t XBinaryTokenizer::PackedNumbers(XPrimitive type, const BYTE** values) const {
    // The file's little-endian DWORDs are already the packed values; OpenList
    // checked that the list's bytes are there.
    if (m_dwListLeft == 0 || m_bListFloat || (type != XPrimitive::Dword && type != XPrimitive::Sdword)) {
        return 0;
    }
    *values = m_pData + m_dwPos;
    return m_dwListLeft;
}

void XBinaryTokenizer::StepOverPacked(size_t count) {
    const size_t taken = std::min(count, m_dwListLeft);
    m_dwPos += 4 * taken;
    m_dwListLeft -= taken;
}

// A name or a string: a byte count, then the bytes.
XToken XBinaryTokenizer::TextRecord(WORD code) {
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

XToken XBinaryTokenizer::GuidRecord() {
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

// The tokens that carry no record: punctuation, keywords and primitive type names.
XToken XBinaryTokenizer::Keyword(WORD code) {
    switch (code) {
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
            case kString:
                return TextRecord(code);
            case kInteger:
                if (!Has(4)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                return IntegerValue();
            case kGuid:
                return GuidRecord();
            case kIntegerList:
            case kFloatList:
                if (!OpenList(code)) {
                    return Fail(DXFILEERR_PARSEERROR);
                }
                continue;
            default:
                return Keyword(code);
        }
    }
}
