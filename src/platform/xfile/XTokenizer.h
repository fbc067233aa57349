// One token stream over both encodings. The binary encoding's integer and float
// lists come out one value per token, so the reader above never sees the
// difference between "1; 2; 3;" and one list record.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/kernel/WinTypes.h"
#include "platform/xfile/XTemplate.h"

enum class XTokenKind {
    End,
    Error,
    Name,
    String,
    Integer,
    Float,
    Guid,
    OBrace,
    CBrace,
    OBracket,
    CBracket,
    Comma,
    Semicolon,
    Dot,
    Template,   // the binary TEMPLATE token; text says "template" as a Name
    Array,      // the binary ARRAY token; text says "array" as a Name
    Primitive,  // a binary type token; text spells the type as a Name
    Other,      // parentheses and angle brackets: never valid where they appear
};

struct XToken {
    XTokenKind m_kind = XTokenKind::End;
    std::string_view m_text;  // Name, String and text numbers: points into the file image
    std::int64_t m_iValue = 0;
    double m_dValue = 0.0;
    GUID m_guid{};
    XPrimitive m_primitive = XPrimitive::None;
};

// A float read where an integer member stands: truncated, and values no integer
// can hold (NaN, huge) become 0 instead of undefined behaviour.
inline std::int64_t XFloatToInteger(double value) {
    if (!(value > -9.0e18 && value < 9.0e18)) {
        return 0;
    }
    return static_cast<std::int64_t>(value);
}

// A name where the grammar wants one: exporters also name objects with bare
// numbers (Frame 1 { ... }), which the text encoding reads as a number.
inline bool XIsNameLike(const XToken& token) {
    return token.m_kind == XTokenKind::Name ||
           ((token.m_kind == XTokenKind::Integer || token.m_kind == XTokenKind::Float) && !token.m_text.empty());
}

class XTokenizer {
public:
    virtual ~XTokenizer() = default;

    const XToken& Peek() {
        if (!m_bHasPeek) {
            m_peek = Read();
            m_bHasPeek = true;
        }
        return m_peek;
    }
    XToken Next() {
        if (m_bHasPeek) {
            m_bHasPeek = false;
            return m_peek;
        }
        return Read();
    }
    // The failure behind an Error token.
    HRESULT Failure() const { return m_hrFailure; }

protected:
    virtual XToken Read() = 0;
    XToken Fail(HRESULT hr) {
        m_hrFailure = hr;
        XToken token;
        token.m_kind = XTokenKind::Error;
        return token;
    }

private:
    XToken m_peek;
    bool m_bHasPeek = false;
    HRESULT m_hrFailure = S_OK;
};
