#include "platform/xfile/XFileParser.h"

#include <cfloat>
#include <cstring>
#include <memory>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/MsZipDecoder.h"
#include "platform/xfile/XBinaryTokenizer.h"
#include "platform/xfile/XTextTokenizer.h"

namespace {

constexpr size_t kHeaderSize = 16;

bool IsWord(const XToken& token, XTokenKind binaryKind, std::string_view textWord) {
    return token.kind == binaryKind || (token.kind == XTokenKind::Name && token.text == textWord);
}

bool IsSeparator(const XToken& token) {
    return token.kind == XTokenKind::Comma || token.kind == XTokenKind::Semicolon;
}

// A member type spelled as a primitive, in either encoding.
XPrimitive PrimitiveOf(const XToken& token) {
    if (token.kind == XTokenKind::Primitive) {
        return token.primitive;
    }
    if (token.kind != XTokenKind::Name) {
        return XPrimitive::None;
    }
    struct Spelling {
        std::string_view text;
        XPrimitive type;
    };
    static constexpr Spelling kSpellings[] = {
        {"WORD", XPrimitive::Word},      {"DWORD", XPrimitive::Dword},  {"FLOAT", XPrimitive::Float},
        {"DOUBLE", XPrimitive::Double},  {"CHAR", XPrimitive::Char},    {"UCHAR", XPrimitive::Uchar},
        {"BYTE", XPrimitive::Uchar},     {"SWORD", XPrimitive::Sword},  {"SDWORD", XPrimitive::Sdword},
        {"STRING", XPrimitive::String},  {"LPSTR", XPrimitive::String}, {"CSTRING", XPrimitive::String},
        {"UNICODE", XPrimitive::String},
    };
    for (const Spelling& spelling : kSpellings) {
        if (token.text == spelling.text) {
            return spelling.type;
        }
    }
    return XPrimitive::None;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'A' && ca <= 'Z') {
            ca = static_cast<char>(ca - 'A' + 'a');
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb = static_cast<char>(cb - 'A' + 'a');
        }
        if (ca != cb) {
            return false;
        }
    }
    return true;
}

bool Admits(const XTemplate& parent, const XTemplate& child) {
    if (parent.bOpen) {
        return true;
    }
    for (const XRestriction& restriction : parent.restrictions) {
        if (restriction.bHasGuid ? restriction.guid == child.guid
                                 : SameNameIgnoringCase(restriction.strName, child.strName)) {
            return true;
        }
    }
    return false;
}

template <typename T>
void Append(std::vector<BYTE>& bytes, T value) {
    size_t at = bytes.size();
    bytes.resize(at + sizeof(T));
    std::memcpy(bytes.data() + at, &value, sizeof(T));
}

}  // namespace

HRESULT XFileParser::Parse(const BYTE* data, size_t size, XDocument& doc) {
    if (data == nullptr || size < 4 || std::memcmp(data, "xof ", 4) != 0) {
        return DXFILEERR_BADFILETYPE;
    }
    if (size < kHeaderSize) {
        return DXFILEERR_BADFILE;
    }
    const char* header = reinterpret_cast<const char*>(data);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (header[4] != '0' || header[5] != '3' || !isDigit(header[6]) || !isDigit(header[7])) {
        return DXFILEERR_BADFILEVERSION;
    }
    std::string_view format(header + 8, 4);
    std::string_view floatSize(header + 12, 4);
    size_t floatBytes = 0;
    if (floatSize == "0032") {
        floatBytes = 4;
    } else if (floatSize == "0064") {
        floatBytes = 8;
    } else {
        return DXFILEERR_BADFILEFLOATSIZE;
    }
    bool bText = false;
    bool bCompressed = false;
    if (format == "txt " || format == "tzip") {
        bText = true;
        bCompressed = format == "tzip";
    } else if (format == "bin " || format == "bzip") {
        bCompressed = format == "bzip";
    } else if ((format[0] == 't' || format[0] == 'b') && format[1] != 'x' && format[1] != 'i') {
        return DXFILEERR_BADFILECOMPRESSIONTYPE;
    } else {
        return DXFILEERR_BADFILETYPE;
    }

    const BYTE* body = data + kHeaderSize;
    size_t bodySize = size - kHeaderSize;
    std::vector<BYTE> decoded;
    if (bCompressed) {
        HRESULT hr = MsZipDecoder::Decode(body, bodySize, decoded);
        if (FAILED(hr)) {
            return hr;
        }
        body = decoded.data();
        bodySize = decoded.size();
    }

    if (bText) {
        XTextTokenizer tokens(reinterpret_cast<const char*>(body), bodySize);
        XFileParser parser(tokens, doc, bodySize);
        return parser.ParseBody();
    }
    XBinaryTokenizer tokens(body, bodySize, floatBytes);
    XFileParser parser(tokens, doc, bodySize);
    return parser.ParseBody();
}

XFileParser::XFileParser(XTokenizer& tokens, XDocument& doc, size_t imageSize)
    : m_tokens(tokens), m_doc(doc), m_qwWorkLimit(std::uint64_t{8} * imageSize + 65536) {}

bool XFileParser::Charge() {
    return ++m_qwWork <= m_qwWorkLimit;
}

HRESULT XFileParser::Unexpected(const XToken& token) const {
    if (token.kind == XTokenKind::Error) {
        return m_tokens.Failure();
    }
    return DXFILEERR_PARSEERROR;
}

HRESULT XFileParser::Expect(XTokenKind kind) {
    XToken token = m_tokens.Next();
    return token.kind == kind ? S_OK : Unexpected(token);
}

void XFileParser::SkipSeparators() {
    while (IsSeparator(m_tokens.Peek())) {
        m_tokens.Next();
    }
}

HRESULT XFileParser::ParseBody() {
    for (;;) {
        const XToken& token = m_tokens.Peek();
        HRESULT hr = S_OK;
        if (token.kind == XTokenKind::End) {
            return S_OK;
        }
        if (IsSeparator(token)) {
            m_tokens.Next();
        } else if (IsWord(token, XTokenKind::Template, "template")) {
            hr = ParseTemplate();
        } else if (token.kind == XTokenKind::Name) {
            XDataNode* node = nullptr;
            hr = ParseObject(0, &node);
            if (SUCCEEDED(hr)) {
                m_doc.AddTopLevel(node);
            }
        } else if (token.kind == XTokenKind::OBrace) {
            // A reference outside any object refers to nothing a reader could use.
            XChild ignored;
            hr = ParseReference(ignored);
        } else {
            return Unexpected(m_tokens.Next());
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
}

HRESULT XFileParser::ParseTemplate() {
    m_tokens.Next();  // template
    XToken name = m_tokens.Next();
    if (name.kind != XTokenKind::Name) {
        return Unexpected(name);
    }
    auto tmpl = std::make_shared<XTemplate>();
    tmpl->strName = std::string(name.text);
    HRESULT hr = Expect(XTokenKind::OBrace);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_tokens.Peek().kind == XTokenKind::Guid) {
        tmpl->guid = m_tokens.Next().guid;
    }
    for (;;) {
        const XToken& token = m_tokens.Peek();
        if (token.kind == XTokenKind::CBrace) {
            m_tokens.Next();
            break;
        }
        if (token.kind == XTokenKind::OBracket) {
            hr = ParseRestrictions(*tmpl);
        } else if (IsSeparator(token)) {
            m_tokens.Next();
        } else {
            hr = ParseMemberDeclaration(*tmpl);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    m_doc.Templates().Add(std::move(tmpl));
    return S_OK;
}

HRESULT XFileParser::ParseMemberDeclaration(XTemplate& tmpl) {
    XMember member;
    XToken token = m_tokens.Next();
    bool bArray = IsWord(token, XTokenKind::Array, "array");
    if (bArray) {
        token = m_tokens.Next();
    }
    member.type = PrimitiveOf(token);
    if (member.type == XPrimitive::None) {
        if (token.kind != XTokenKind::Name) {
            return Unexpected(token);
        }
        member.strTemplate = std::string(token.text);
    }
    if (m_tokens.Peek().kind == XTokenKind::Name) {
        member.strName = std::string(m_tokens.Next().text);
    }
    while (bArray && m_tokens.Peek().kind == XTokenKind::OBracket) {
        m_tokens.Next();
        XToken size = m_tokens.Next();
        XDimension dimension;
        if (size.kind == XTokenKind::Integer && size.iValue >= 0 && size.iValue <= 0xFFFFFFFF) {
            dimension.dwConstant = static_cast<DWORD>(size.iValue);
        } else if (size.kind == XTokenKind::Name) {
            dimension.strMember = std::string(size.text);
        } else {
            return size.kind == XTokenKind::Error ? m_tokens.Failure() : DXFILEERR_BADARRAYSIZE;
        }
        member.dimensions.push_back(std::move(dimension));
        HRESULT hr = Expect(XTokenKind::CBracket);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (bArray && member.dimensions.empty()) {
        return DXFILEERR_BADARRAYSIZE;
    }
    if (tmpl.members.size() >= 4096) {
        return DXFILEERR_PARSEERROR;
    }
    tmpl.members.push_back(std::move(member));
    return Expect(XTokenKind::Semicolon);
}

HRESULT XFileParser::ParseRestrictions(XTemplate& tmpl) {
    m_tokens.Next();  // [
    if (m_tokens.Peek().kind == XTokenKind::Dot) {
        while (m_tokens.Peek().kind == XTokenKind::Dot) {
            m_tokens.Next();
        }
        tmpl.bOpen = true;
        return Expect(XTokenKind::CBracket);
    }
    for (;;) {
        XToken token = m_tokens.Next();
        if (token.kind == XTokenKind::CBracket) {
            return S_OK;
        }
        if (token.kind == XTokenKind::Comma) {
            continue;
        }
        if (token.kind != XTokenKind::Name) {
            return Unexpected(token);
        }
        XRestriction restriction;
        restriction.strName = std::string(token.text);
        if (m_tokens.Peek().kind == XTokenKind::Guid) {
            restriction.guid = m_tokens.Next().guid;
            restriction.bHasGuid = true;
        }
        if (tmpl.restrictions.size() >= 4096) {
            return DXFILEERR_PARSEERROR;
        }
        tmpl.restrictions.push_back(std::move(restriction));
    }
}

HRESULT XFileParser::ParseReference(XChild& child) {
    m_tokens.Next();  // {
    XToken token = m_tokens.Next();
    if (XIsNameLike(token)) {
        child.strRefName = std::string(token.text);
        if (m_tokens.Peek().kind == XTokenKind::Guid) {
            child.refGuid = m_tokens.Next().guid;
            child.bRefHasGuid = true;
        }
    } else if (token.kind == XTokenKind::Guid) {
        child.refGuid = token.guid;
        child.bRefHasGuid = true;
    } else {
        return Unexpected(token);
    }
    return Expect(XTokenKind::CBrace);
}

HRESULT XFileParser::ParseObject(int depth, XDataNode** out) {
    if (depth > kMaxDepth) {
        return DXFILEERR_PARSEERROR;
    }
    XToken identifier = m_tokens.Next();
    if (identifier.kind != XTokenKind::Name) {
        return Unexpected(identifier);
    }
    std::shared_ptr<const XTemplate> tmpl = m_doc.Templates().FindShared(identifier.text);
    if (!tmpl) {
        return DXFILEERR_NOTEMPLATE;
    }
    XDataNode* node = m_doc.NewNode();
    node->pTemplate = tmpl;
    if (XIsNameLike(m_tokens.Peek())) {
        node->strName = std::string(m_tokens.Next().text);
    }
    HRESULT hr = Expect(XTokenKind::OBrace);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_tokens.Peek().kind == XTokenKind::Guid) {
        node->id = m_tokens.Next().guid;
    }
    hr = ParseMembers(*tmpl, *node, depth, true);
    if (FAILED(hr)) {
        return hr;
    }
    for (;;) {
        SkipSeparators();
        const XToken& token = m_tokens.Peek();
        if (token.kind == XTokenKind::CBrace) {
            m_tokens.Next();
            break;
        }
        if (token.kind != XTokenKind::OBrace && token.kind != XTokenKind::Name) {
            return Unexpected(m_tokens.Next());
        }
        if (!tmpl->AcceptsChildren()) {
            return DXFILEERR_PARSEERROR;
        }
        if (depth + 1 > kMaxDepth) {
            return DXFILEERR_PARSEERROR;
        }
        XChild child;
        if (token.kind == XTokenKind::OBrace) {
            hr = ParseReference(child);
        } else {
            hr = ParseObject(depth + 1, &child.pNode);
            if (SUCCEEDED(hr) && !Admits(*tmpl, *child.pNode->pTemplate)) {
                hr = DXFILEERR_BADOBJECT;
            }
        }
        if (FAILED(hr)) {
            return hr;
        }
        node->children.push_back(std::move(child));
    }
    *out = node;
    return S_OK;
}

HRESULT XFileParser::ParseMembers(const XTemplate& tmpl, XDataNode& node, int depth, bool bTopLevel) {
    if (depth > kMaxDepth) {
        return DXFILEERR_PARSEERROR;
    }
    // Values of this instance's scalar integer members, for array sizes further on.
    std::vector<std::pair<std::string_view, std::int64_t>> sizes;
    for (const XMember& member : tmpl.members) {
        size_t start = node.bytes.size();
        std::uint64_t count = 1;
        for (const XDimension& dimension : member.dimensions) {
            std::int64_t extent = dimension.dwConstant;
            if (!dimension.strMember.empty()) {
                extent = -1;
                for (const auto& [name, value] : sizes) {
                    if (name == dimension.strMember) {
                        extent = value;
                    }
                }
            }
            if (extent < 0) {
                return DXFILEERR_BADARRAYSIZE;
            }
            count *= static_cast<std::uint64_t>(extent);
            if (count > 0xFFFFFFFFu) {
                return DXFILEERR_BADARRAYSIZE;
            }
        }
        if (member.type == XPrimitive::None) {
            const XTemplate* nested = m_doc.Templates().Find(member.strTemplate);
            if (nested == nullptr) {
                return DXFILEERR_NOTEMPLATE;
            }
            // A template without members holds no data; its elements take no input.
            if (!nested->members.empty()) {
                for (std::uint64_t i = 0; i < count; ++i) {
                    if (!Charge()) {
                        return DXFILEERR_BADARRAYSIZE;
                    }
                    HRESULT hr = ParseMembers(*nested, node, depth + 1, false);
                    if (FAILED(hr)) {
                        return hr;
                    }
                }
            }
        } else {
            std::int64_t stored = 0;
            for (std::uint64_t i = 0; i < count; ++i) {
                if (!Charge()) {
                    return DXFILEERR_BADARRAYSIZE;
                }
                HRESULT hr = ParseValue(member.type, node, &stored);
                if (FAILED(hr)) {
                    return hr;
                }
            }
            if (member.dimensions.empty() && XPrimitiveIsInteger(member.type) && !member.strName.empty()) {
                sizes.emplace_back(member.strName, stored);
            }
        }
        if (bTopLevel) {
            node.spans.push_back({member.strName, start, node.bytes.size() - start});
        }
    }
    return S_OK;
}

HRESULT XFileParser::ParseValue(XPrimitive type, XDataNode& node, std::int64_t* stored) {
    SkipSeparators();
    XToken token = m_tokens.Next();
    if (type == XPrimitive::String) {
        if (token.kind != XTokenKind::String) {
            return Unexpected(token);
        }
        auto text = std::make_unique<char[]>(token.text.size() + 1);
        std::memcpy(text.get(), token.text.data(), token.text.size());
        text[token.text.size()] = '\0';
        Append<char*>(node.bytes, text.get());
        node.strings.push_back(std::move(text));
        return S_OK;
    }
    if (token.kind != XTokenKind::Integer && token.kind != XTokenKind::Float) {
        return Unexpected(token);
    }
    if (type == XPrimitive::Float || type == XPrimitive::Double) {
        double value = token.kind == XTokenKind::Integer ? static_cast<double>(token.iValue) : token.dValue;
        if (type == XPrimitive::Double) {
            Append<double>(node.bytes, value);
        } else if (value > FLT_MAX) {
            Append<float>(node.bytes, FLT_MAX);
        } else if (value < -FLT_MAX) {
            Append<float>(node.bytes, -FLT_MAX);
        } else {
            Append<float>(node.bytes, static_cast<float>(value));
        }
        return S_OK;
    }
    std::int64_t value = token.kind == XTokenKind::Integer ? token.iValue : XFloatToInteger(token.dValue);
    switch (type) {
        case XPrimitive::Word:
            *stored = static_cast<WORD>(value);
            Append<WORD>(node.bytes, static_cast<WORD>(value));
            break;
        case XPrimitive::Sword:
            *stored = static_cast<std::int16_t>(value);
            Append<std::int16_t>(node.bytes, static_cast<std::int16_t>(value));
            break;
        case XPrimitive::Dword:
            *stored = static_cast<DWORD>(value);
            Append<DWORD>(node.bytes, static_cast<DWORD>(value));
            break;
        case XPrimitive::Sdword:
            *stored = static_cast<std::int32_t>(value);
            Append<std::int32_t>(node.bytes, static_cast<std::int32_t>(value));
            break;
        case XPrimitive::Char:
            *stored = static_cast<signed char>(value);
            Append<signed char>(node.bytes, static_cast<signed char>(value));
            break;
        default:
            *stored = static_cast<BYTE>(value);
            Append<BYTE>(node.bytes, static_cast<BYTE>(value));
            break;
    }
    return S_OK;
}
