// A template declaration: the member layout that drives reading a data object
// and the packed layout GetData hands out.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

enum class XPrimitive {
    None,  // the member is a nested template
    Word,
    Dword,
    Float,
    Double,
    Char,
    Uchar,
    Sword,
    Sdword,
    String,  // STRING, LPSTR, CSTRING and UNICODE: a char* in the packed layout
};

// Bytes a primitive occupies in the packed layout.
constexpr size_t XPrimitiveSize(XPrimitive type) {
    switch (type) {
        case XPrimitive::Word:
        case XPrimitive::Sword:
            return 2;
        case XPrimitive::Dword:
        case XPrimitive::Sdword:
        case XPrimitive::Float:
            return 4;
        case XPrimitive::Double:
            return 8;
        case XPrimitive::Char:
        case XPrimitive::Uchar:
            return 1;
        case XPrimitive::String:
            return sizeof(char*);
        case XPrimitive::None:
            break;
    }
    return 0;
}

constexpr bool XPrimitiveIsInteger(XPrimitive type) {
    return type == XPrimitive::Word || type == XPrimitive::Dword || type == XPrimitive::Char ||
           type == XPrimitive::Uchar || type == XPrimitive::Sword || type == XPrimitive::Sdword;
}

// One array dimension: a constant, or the value of an earlier member of the same
// template instance.
struct XDimension {
    DWORD m_dwConstant = 0;
    std::string m_strMember;  // empty for a constant
};

struct XMember {
    XPrimitive m_type = XPrimitive::None;
    std::string m_strTemplate;                // the nested template's name when type is None
    std::string m_strName;                    // may be empty
    std::vector<XDimension> m_vecDimensions;  // empty for a single value
};

// A restricted template names the child templates it admits.
struct XRestriction {
    std::string m_strName;
    GUID m_guid{};
    bool m_bHasGuid = false;
};

struct XTemplate {
    std::string m_strName;
    GUID m_guid{};
    std::vector<XMember> m_vecMembers;
    bool m_bOpen = false;                         // [...]: any child
    std::vector<XRestriction> m_vecRestrictions;  // [A, B]: only those children
    bool AcceptsChildren() const { return m_bOpen || !m_vecRestrictions.empty(); }
};
