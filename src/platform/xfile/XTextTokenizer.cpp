#include "platform/xfile/XTextTokenizer.h"

#include <charconv>

#include "platform/xfile/DXFile.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
// Exporters put '-' and '.' inside names ("Bip01-L.Hand"); a name never starts with them.
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.';
}
bool IsNumberChar(char c) {
    return IsDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

XToken Simple(XTokenKind kind) {
    XToken token;
    token.m_kind = kind;
    return token;
}

}  // namespace

void XTextTokenizer::SkipSpaceAndComments() {
    while (m_dwPos < m_dwSize) {
        char c = m_pText[m_dwPos];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\0') {
            ++m_dwPos;
        } else if (c == '#' || (c == '/' && m_dwPos + 1 < m_dwSize && m_pText[m_dwPos + 1] == '/')) {
            while (m_dwPos < m_dwSize && m_pText[m_dwPos] != '\n') {
                ++m_dwPos;
            }
        } else {
            return;
        }
    }
}

XToken XTextTokenizer::Read() {
    SkipSpaceAndComments();
    if (m_dwPos >= m_dwSize) {
        return Simple(XTokenKind::End);
    }
    char c = m_pText[m_dwPos];
    char next = m_dwPos + 1 < m_dwSize ? m_pText[m_dwPos + 1] : '\0';
    if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && IsDigit(next))) {
        return ReadNumberOrName();
    }
    if (IsNameStart(c)) {
        return ReadName();
    }
    ++m_dwPos;
    switch (c) {
        case '{':
            return Simple(XTokenKind::OBrace);
        case '}':
            return Simple(XTokenKind::CBrace);
        case '[':
            return Simple(XTokenKind::OBracket);
        case ']':
            return Simple(XTokenKind::CBracket);
        case ',':
            return Simple(XTokenKind::Comma);
        case ';':
            return Simple(XTokenKind::Semicolon);
        case '.':
            return Simple(XTokenKind::Dot);
        case '"':
            return ReadString();
        case '<':
            return ReadGuid();
        case '(':
        case ')':
        case '>':
            return Simple(XTokenKind::Other);
        default:
            return Fail(DXFILEERR_PARSEERROR);
    }
}

XToken XTextTokenizer::ReadNumberOrName() {
    size_t start = m_dwPos;
    size_t end = start;
    while (end < m_dwSize && IsNumberChar(m_pText[end])) {
        ++end;
    }
    if (end < m_dwSize && IsNameStart(m_pText[end])) {
        // "01_Body" is a name that starts with digits.
        while (end < m_dwSize && IsNameChar(m_pText[end])) {
            ++end;
        }
        m_dwPos = end;
        XToken token;
        token.m_kind = XTokenKind::Name;
        token.m_text = std::string_view(m_pText + start, end - start);
        return token;
    }
    m_dwPos = end;
    const char* first = m_pText + start;
    const char* last = m_pText + end;
    XToken token;
    token.m_text = std::string_view(first, end - start);  // kept: a number may stand as an object name
    if (*first == '+') {
        ++first;
    }
    bool bFloat = false;
    for (const char* p = first; p < last; ++p) {
        if (*p == '.' || *p == 'e' || *p == 'E') {
            bFloat = true;
        }
    }
    if (!bFloat) {
        auto result = std::from_chars(first, last, token.m_iValue);
        if (result.ec == std::errc() && result.ptr == last) {
            token.m_kind = XTokenKind::Integer;
            token.m_dValue = static_cast<double>(token.m_iValue);
            return token;
        }
    }
    auto result = std::from_chars(first, last, token.m_dValue);
    if (result.ec != std::errc() || result.ptr != last) {
        return Fail(DXFILEERR_PARSEERROR);
    }
    token.m_kind = XTokenKind::Float;
    return token;
}

XToken XTextTokenizer::ReadName() {
    size_t start = m_dwPos;
    while (m_dwPos < m_dwSize && IsNameChar(m_pText[m_dwPos])) {
        ++m_dwPos;
    }
    XToken token;
    token.m_kind = XTokenKind::Name;
    token.m_text = std::string_view(m_pText + start, m_dwPos - start);
    return token;
}

XToken XTextTokenizer::ReadString() {
    size_t start = m_dwPos;
    while (m_dwPos < m_dwSize && m_pText[m_dwPos] != '"') {
        ++m_dwPos;
    }
    if (m_dwPos >= m_dwSize) {
        return Fail(DXFILEERR_PARSEERROR);
    }
    XToken token;
    token.m_kind = XTokenKind::String;
    token.m_text = std::string_view(m_pText + start, m_dwPos - start);
    ++m_dwPos;
    return token;
}

XToken XTextTokenizer::ReadGuid() {
    // 32 hex digits grouped 8-4-4-4-12; spaces may stand inside the angle brackets.
    BYTE digits[32];
    size_t count = 0;
    while (m_dwPos < m_dwSize && m_pText[m_dwPos] != '>') {
        char c = m_pText[m_dwPos++];
        if (c == '-' || c == ' ' || c == '\t') {
            continue;
        }
        int value = HexValue(c);
        if (value < 0 || count >= 32) {
            return Fail(DXFILEERR_PARSEERROR);
        }
        digits[count++] = static_cast<BYTE>(value);
    }
    if (m_dwPos >= m_dwSize || count != 32) {
        return Fail(DXFILEERR_PARSEERROR);
    }
    ++m_dwPos;
    auto hex = [&digits](size_t from, size_t n) {
        std::uint32_t value = 0;
        for (size_t i = 0; i < n; ++i) {
            value = (value << 4) | digits[from + i];
        }
        return value;
    };
    XToken token;
    token.m_kind = XTokenKind::Guid;
    token.m_guid.Data1 = hex(0, 8);
    token.m_guid.Data2 = static_cast<WORD>(hex(8, 4));
    token.m_guid.Data3 = static_cast<WORD>(hex(12, 4));
    for (size_t i = 0; i < 8; ++i) {
        token.m_guid.Data4[i] = static_cast<BYTE>(hex(16 + 2 * i, 2));
    }
    return token;
}
