// One token stream over both encodings. The binary encoding's integer and float
// lists come out one value per token, so the reader above never sees the
// difference between "1; 2; 3;" and one list record. Long runs of numbers can
// also be taken many at a time (ReadNumbers), packed as the member type wants.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>
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

// Packs a number token (Integer or Float) as a member of numeric `type`: floats
// saturate at the float range, integers keep the low bits of their width, and a
// float read into an integer member is truncated. `out` takes
// XPrimitiveSize(type) bytes.
inline void XPackNumber(const XToken& number, XPrimitive type, BYTE* out) {
    if (type == XPrimitive::Float || type == XPrimitive::Double) {
        double value = number.m_kind == XTokenKind::Integer ? static_cast<double>(number.m_iValue) : number.m_dValue;
        if (type == XPrimitive::Double) {
            std::memcpy(out, &value, 8);
            return;
        }
        float narrow = value > FLT_MAX ? FLT_MAX : value < -FLT_MAX ? -FLT_MAX : static_cast<float>(value);
        std::memcpy(out, &narrow, 4);
        return;
    }
    std::int64_t value = number.m_kind == XTokenKind::Integer ? number.m_iValue : XFloatToInteger(number.m_dValue);
    // Little-endian: the low bytes of the value are the packed integer of any width.
    std::memcpy(out, &value, XPrimitiveSize(type));
}

// A packed value of type T, read without assuming its alignment.
template <typename T>
T XLoadPacked(const BYTE* packed) {
    T value;
    std::memcpy(&value, packed, sizeof(T));
    return value;
}

// The value of a packed integer member as the program reads it (signed types
// sign-extended), for array sizes given by that member.
inline std::int64_t XPackedInteger(XPrimitive type, const BYTE* packed) {
    switch (type) {
        case XPrimitive::Word:
            return XLoadPacked<WORD>(packed);
        case XPrimitive::Sword:
            return XLoadPacked<std::int16_t>(packed);
        case XPrimitive::Dword:
            return XLoadPacked<DWORD>(packed);
        case XPrimitive::Sdword:
            return XLoadPacked<std::int32_t>(packed);
        case XPrimitive::Char:
            return static_cast<signed char>(packed[0]);
        default:
            return packed[0];
    }
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
    // Reads up to `count` numbers into `out`, packed as XPackNumber packs them,
    // skipping separators before each. Stops early, consuming nothing of it, at
    // whatever the plain token reader should judge: another token, a malformed
    // number, the end. Returns how many numbers were stored.
    size_t ReadNumbers(XPrimitive type, size_t count, BYTE* out) {
        // A token already peeked goes the ordinary way.
        return m_bHasPeek ? 0 : ReadNumberRun(type, count, out);
    }
    // Numbers that lie in the image exactly as `type` packs them (the rest of a
    // binary integer list, read as DWORDs): how many, and where. The caller
    // copies what it takes and steps over it with SkipPacked. 0 where there is
    // no such run, a peeked token included.
    size_t PackedRun(XPrimitive type, const BYTE** values) const {
        return m_bHasPeek ? 0 : PackedNumbers(type, values);
    }
    void SkipPacked(size_t count) { StepOverPacked(count); }
    // At most how many more numbers the input can hold, for sizing storage by
    // what is actually there rather than by a count the file claims.
    size_t NumbersLeft() const { return (m_bHasPeek ? 1 : 0) + NumbersInRest(); }
    // The failure behind an Error token.
    HRESULT Failure() const { return m_hrFailure; }

protected:
    virtual XToken Read() = 0;
    virtual size_t ReadNumberRun(XPrimitive type, size_t count, BYTE* out) = 0;
    virtual size_t NumbersInRest() const = 0;
    virtual size_t PackedNumbers(XPrimitive /*type*/, const BYTE** /*values*/) const { return 0; }
    virtual void StepOverPacked(size_t /*count*/) {}
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
