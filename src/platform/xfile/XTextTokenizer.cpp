#include "platform/xfile/XTextTokenizer.h"

#include <array>
#include <charconv>

#include "platform/xfile/DXFile.h"

namespace {

// Character classes, one table lookup per character on the hot paths.
enum CharClass : BYTE {
    kSpace = 1,
    kDigit = 2,
    kNameStart = 4,
    kNumberChar = 8,  // digits, signs, the point and the exponent letters
    kNameChar = 16,   // exporters put '-' and '.' inside names ("Bip01-L.Hand"); a name never starts with them
};

constexpr std::array<BYTE, 256> kClasses = [] {
    std::array<BYTE, 256> classes{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v', '\0'}) {
        classes[c] |= kSpace;
    }
    for (int c = '0'; c <= '9'; ++c) {
        classes[c] |= kDigit | kNumberChar | kNameChar;
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        classes[c] |= kNameStart | kNameChar;
        classes[c + ('a' - 'A')] |= kNameStart | kNameChar;
    }
    classes['_'] |= kNameStart | kNameChar;
    for (unsigned char c : {'.', '-', '+', 'e', 'E'}) {
        classes[c] |= kNumberChar;
    }
    classes['-'] |= kNameChar;
    classes['.'] |= kNameChar;
    return classes;
}();

bool Is(char c, CharClass kind) {
    return (kClasses[static_cast<unsigned char>(c)] & kind) != 0;
}
bool IsDigit(char c) {
    return Is(c, kDigit);
}
bool IsNameStart(char c) {
    return Is(c, kNameStart);
}
bool IsNameChar(char c) {
    return Is(c, kNameChar);
}
bool IsNumberChar(char c) {
    return Is(c, kNumberChar);
}

// The plain forms exporters write, -?[0-9]+ and -?[0-9]*\.[0-9]*, read in one
// pass: integers of up to 18 digits (no overflow is possible) and decimals of up
// to 15 (the digits make an exact integer below 2^53 and the power of ten is
// exact, so one division rounds correctly). Both come out as from_chars reads
// them. Returns where the number stops, or nullptr for anything else.
const char* ReadPlainNumber(const char* p, const char* last, XToken& number) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool bNegative = p < last && *p == '-';
    if (bNegative) {
        ++p;
    }
    std::uint64_t digits = 0;
    int count = 0;
    int fractionDigits = 0;
    bool bPoint = false;
    for (; p < last; ++p) {
        if (IsDigit(*p)) {
            if (count == 18) {
                return nullptr;
            }
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
            ++count;
            fractionDigits += bPoint ? 1 : 0;
        } else if (*p == '.' && !bPoint) {
            bPoint = true;
        } else {
            break;
        }
    }
    if (count == 0 || (bPoint && count > 15)) {
        return nullptr;
    }
    if (bPoint) {
        number.m_kind = XTokenKind::Float;
        number.m_dValue = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
        if (bNegative) {
            number.m_dValue = -number.m_dValue;
        }
    } else {
        number.m_kind = XTokenKind::Integer;
        number.m_iValue = bNegative ? -static_cast<std::int64_t>(digits) : static_cast<std::int64_t>(digits);
        number.m_dValue = static_cast<double>(number.m_iValue);
    }
    return p;
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
        if (Is(c, kSpace)) {
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

bool XTextTokenizer::StartsNumber() const {
    char c = m_pText[m_dwPos];
    char next = m_dwPos + 1 < m_dwSize ? m_pText[m_dwPos + 1] : '\0';
    return IsDigit(c) || ((c == '-' || c == '+' || c == '.') && IsDigit(next));
}

XToken XTextTokenizer::Read() {
    SkipSpaceAndComments();
    if (m_dwPos >= m_dwSize) {
        return Simple(XTokenKind::End);
    }
    if (StartsNumber()) {
        return ReadNumberOrName();
    }
    char c = m_pText[m_dwPos];
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

// From a position where StartsNumber holds: the number token and where it ends.
XTextTokenizer::NumberScan XTextTokenizer::ScanNumber(XToken& token, size_t& end) const {
    size_t start = m_dwPos;
    end = start;
    while (end < m_dwSize && IsNumberChar(m_pText[end])) {
        ++end;
    }
    if (end < m_dwSize && IsNameStart(m_pText[end])) {
        // "01_Body" is a name that starts with digits.
        while (end < m_dwSize && IsNameChar(m_pText[end])) {
            ++end;
        }
        return NumberScan::Name;
    }
    const char* first = m_pText + start;
    const char* last = m_pText + end;
    token.m_text = std::string_view(first, end - start);  // kept: a number may stand as an object name
    if (*first == '+') {
        ++first;
    }
    if (ReadPlainNumber(first, last, token) == last) {
        return NumberScan::Number;
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
            return NumberScan::Number;
        }
    }
    auto result = std::from_chars(first, last, token.m_dValue);
    if (result.ec != std::errc() || result.ptr != last) {
        return NumberScan::Malformed;
    }
    token.m_kind = XTokenKind::Float;
    return NumberScan::Number;
}

XToken XTextTokenizer::ReadNumberOrName() {
    size_t start = m_dwPos;
    size_t end = start;
    XToken token;
    NumberScan scan = ScanNumber(token, end);
    m_dwPos = end;
    if (scan == NumberScan::Name) {
        token.m_kind = XTokenKind::Name;
        token.m_text = std::string_view(m_pText + start, end - start);
        return token;
    }
    return scan == NumberScan::Number ? token : Fail(DXFILEERR_PARSEERROR);
}

size_t XTextTokenizer::ReadNumberRun(XPrimitive type, size_t count, BYTE* out) {
    const size_t width = XPrimitiveSize(type);
    size_t done = 0;
    while (done < count) {
        SkipSpaceAndComments();
        if (m_dwPos < m_dwSize && (m_pText[m_dwPos] == ',' || m_pText[m_dwPos] == ';')) {
            ++m_dwPos;
            continue;
        }
        if (m_dwPos >= m_dwSize || !StartsNumber()) {
            break;
        }
        XToken number;
        size_t end = m_dwPos;
        // A plain number that ends where ScanNumber would end it needs no second look.
        const char* stop = ReadPlainNumber(m_pText + m_dwPos, m_pText + m_dwSize, number);
        if (stop != nullptr && (stop == m_pText + m_dwSize || !Is(*stop, CharClass(kNumberChar | kNameStart)))) {
            end = static_cast<size_t>(stop - m_pText);
        } else if (ScanNumber(number, end) != NumberScan::Number) {
            break;
        }
        XPackNumber(number, type, out + done * width);
        m_dwPos = end;
        ++done;
    }
    return done;
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
