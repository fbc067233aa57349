#include "platform/xfile/XFileParser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/MsZipDecoder.h"
#include "platform/xfile/XBinaryTokenizer.h"
#include "platform/xfile/XStandardLayout.h"
#include "platform/xfile/XTextTokenizer.h"

namespace {

constexpr size_t kHeaderSize = 16;

bool IsWord(const XToken& token, XTokenKind binaryKind, std::string_view textWord) {
    return token.m_kind == binaryKind || (token.m_kind == XTokenKind::Name && token.m_text == textWord);
}

bool IsSeparator(const XToken& token) {
    return token.m_kind == XTokenKind::Comma || token.m_kind == XTokenKind::Semicolon;
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

// A member type spelled as a primitive, in either encoding. Exporters copy the
// published declarations, which spell some types in lower case ("array float").
XPrimitive PrimitiveOf(const XToken& token) {
    if (token.m_kind == XTokenKind::Primitive) {
        return token.m_primitive;
    }
    if (token.m_kind != XTokenKind::Name) {
        return XPrimitive::None;
    }
    struct Spelling {
        std::string_view m_text;
        XPrimitive m_type;
    };
    static constexpr Spelling kSpellings[] = {
        {"WORD", XPrimitive::Word},      {"DWORD", XPrimitive::Dword},  {"FLOAT", XPrimitive::Float},
        {"DOUBLE", XPrimitive::Double},  {"CHAR", XPrimitive::Char},    {"UCHAR", XPrimitive::Uchar},
        {"BYTE", XPrimitive::Uchar},     {"SWORD", XPrimitive::Sword},  {"SDWORD", XPrimitive::Sdword},
        {"STRING", XPrimitive::String},  {"LPSTR", XPrimitive::String}, {"CSTRING", XPrimitive::String},
        {"UNICODE", XPrimitive::String},
    };
    for (const Spelling& spelling : kSpellings) {
        if (SameNameIgnoringCase(token.m_text, spelling.m_text)) {
            return spelling.m_type;
        }
    }
    return XPrimitive::None;
}

bool Admits(const XTemplate& parent, const XTemplate& child) {
    if (parent.m_bOpen) {
        return true;
    }
    for (const XRestriction& restriction : parent.m_vecRestrictions) {
        if (restriction.m_bHasGuid ? restriction.m_guid == child.m_guid
                                   : SameNameIgnoringCase(restriction.m_strName, child.m_strName)) {
            return true;
        }
    }
    return false;
}

template <typename T>
void Append(std::vector<BYTE>& bytes, T value) {
    BYTE raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
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
    } else if (format[0] == 't' || format[0] == 'b') {
        // A text or binary body under a compression other than MSZIP.
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
        // The stream holds the body; should a writer have packed the header along
        // with it, that copy is skipped rather than read as data.
        if (bodySize >= kHeaderSize && std::memcmp(body, "xof 03", 6) == 0) {
            body += kHeaderSize;
            bodySize -= kHeaderSize;
        }
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

bool XFileParser::HasStandardLayout(const XTemplate& tmpl) {
    auto known = m_layoutVerdicts.find(&tmpl);
    if (known != m_layoutVerdicts.end()) {
        return known->second;
    }
    const bool matches = XMatchesStandardLayout(tmpl, m_doc.Templates());
    m_layoutVerdicts.emplace(&tmpl, matches);
    return matches;
}

bool XFileParser::Charge() {
    return ++m_qwWork <= m_qwWorkLimit;
}

HRESULT XFileParser::Unexpected(const XToken& token) const {
    if (token.m_kind == XTokenKind::Error) {
        return m_tokens.Failure();
    }
    return DXFILEERR_PARSEERROR;
}

HRESULT XFileParser::Expect(XTokenKind kind) {
    XToken token = m_tokens.Next();
    return token.m_kind == kind ? S_OK : Unexpected(token);
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
        if (token.m_kind == XTokenKind::End) {
            return S_OK;
        }
        if (IsSeparator(token)) {
            m_tokens.Next();
        } else if (IsWord(token, XTokenKind::Template, "template")) {
            hr = ParseTemplate();
        } else if (token.m_kind == XTokenKind::Name) {
            XDataNode* node = nullptr;
            hr = ParseObject(0, &node);
            if (SUCCEEDED(hr)) {
                m_doc.AddTopLevel(node);
            }
        } else if (token.m_kind == XTokenKind::OBrace) {
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
    if (name.m_kind != XTokenKind::Name) {
        return Unexpected(name);
    }
    auto tmpl = std::make_shared<XTemplate>();
    tmpl->m_strName = std::string(name.m_text);
    HRESULT hr = Expect(XTokenKind::OBrace);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_tokens.Peek().m_kind == XTokenKind::Guid) {
        tmpl->m_guid = m_tokens.Next().m_guid;
    }
    for (;;) {
        const XToken& token = m_tokens.Peek();
        if (token.m_kind == XTokenKind::CBrace) {
            m_tokens.Next();
            break;
        }
        if (token.m_kind == XTokenKind::OBracket) {
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
    // A new declaration may change what nested members of other templates resolve to.
    m_layoutVerdicts.clear();
    return S_OK;
}

HRESULT XFileParser::ParseMemberDeclaration(XTemplate& tmpl) {
    XMember member;
    XToken token = m_tokens.Next();
    bool bArray = IsWord(token, XTokenKind::Array, "array");
    if (bArray) {
        token = m_tokens.Next();
    }
    member.m_type = PrimitiveOf(token);
    if (member.m_type == XPrimitive::None) {
        if (token.m_kind != XTokenKind::Name) {
            return Unexpected(token);
        }
        member.m_strTemplate = std::string(token.m_text);
    }
    if (m_tokens.Peek().m_kind == XTokenKind::Name) {
        member.m_strName = std::string(m_tokens.Next().m_text);
    }
    while (bArray && m_tokens.Peek().m_kind == XTokenKind::OBracket) {
        m_tokens.Next();
        XToken size = m_tokens.Next();
        XDimension dimension;
        if (size.m_kind == XTokenKind::Integer && size.m_iValue >= 0 && size.m_iValue <= 0xFFFFFFFF) {
            dimension.m_dwConstant = static_cast<DWORD>(size.m_iValue);
        } else if (size.m_kind == XTokenKind::Name) {
            dimension.m_strMember = std::string(size.m_text);
        } else {
            return size.m_kind == XTokenKind::Error ? m_tokens.Failure() : DXFILEERR_BADARRAYSIZE;
        }
        member.m_vecDimensions.push_back(std::move(dimension));
        HRESULT hr = Expect(XTokenKind::CBracket);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (bArray && member.m_vecDimensions.empty()) {
        return DXFILEERR_BADARRAYSIZE;
    }
    if (tmpl.m_vecMembers.size() >= 4096) {
        return DXFILEERR_PARSEERROR;
    }
    tmpl.m_vecMembers.push_back(std::move(member));
    return Expect(XTokenKind::Semicolon);
}

HRESULT XFileParser::ParseRestrictions(XTemplate& tmpl) {
    m_tokens.Next();  // [
    if (m_tokens.Peek().m_kind == XTokenKind::Dot) {
        while (m_tokens.Peek().m_kind == XTokenKind::Dot) {
            m_tokens.Next();
        }
        tmpl.m_bOpen = true;
        return Expect(XTokenKind::CBracket);
    }
    for (;;) {
        XToken token = m_tokens.Next();
        if (token.m_kind == XTokenKind::CBracket) {
            return S_OK;
        }
        if (token.m_kind == XTokenKind::Comma) {
            continue;
        }
        if (token.m_kind != XTokenKind::Name) {
            return Unexpected(token);
        }
        XRestriction restriction;
        restriction.m_strName = std::string(token.m_text);
        if (m_tokens.Peek().m_kind == XTokenKind::Guid) {
            restriction.m_guid = m_tokens.Next().m_guid;
            restriction.m_bHasGuid = true;
        }
        if (tmpl.m_vecRestrictions.size() >= 4096) {
            return DXFILEERR_PARSEERROR;
        }
        tmpl.m_vecRestrictions.push_back(std::move(restriction));
    }
}

HRESULT XFileParser::ParseReference(XChild& child) {
    m_tokens.Next();  // {
    XToken token = m_tokens.Next();
    if (XIsNameLike(token)) {
        child.m_strRefName = std::string(token.m_text);
        if (m_tokens.Peek().m_kind == XTokenKind::Guid) {
            child.m_refGuid = m_tokens.Next().m_guid;
            child.m_bRefHasGuid = true;
        }
    } else if (token.m_kind == XTokenKind::Guid) {
        child.m_refGuid = token.m_guid;
        child.m_bRefHasGuid = true;
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
    if (identifier.m_kind != XTokenKind::Name) {
        return Unexpected(identifier);
    }
    std::shared_ptr<const XTemplate> tmpl = m_doc.Templates().FindShared(identifier.m_text);
    if (!tmpl) {
        return DXFILEERR_NOTEMPLATE;
    }
    // Loaders take the standard identifier at its word; data laid out otherwise never reaches them.
    if (!HasStandardLayout(*tmpl)) {
        return DXFILEERR_BADTYPE;
    }
    XDataNode* node = m_doc.NewNode();
    node->m_pTemplate = tmpl;
    if (XIsNameLike(m_tokens.Peek())) {
        node->m_strName = std::string(m_tokens.Next().m_text);
    }
    HRESULT hr = Expect(XTokenKind::OBrace);
    if (FAILED(hr)) {
        return hr;
    }
    if (m_tokens.Peek().m_kind == XTokenKind::Guid) {
        node->m_id = m_tokens.Next().m_guid;
    }
    hr = ParseMembers(*tmpl, *node, depth, true);
    if (FAILED(hr)) {
        return hr;
    }
    for (;;) {
        SkipSeparators();
        const XToken& token = m_tokens.Peek();
        if (token.m_kind == XTokenKind::CBrace) {
            m_tokens.Next();
            break;
        }
        if (token.m_kind != XTokenKind::OBrace && token.m_kind != XTokenKind::Name) {
            return Unexpected(m_tokens.Next());
        }
        if (!tmpl->AcceptsChildren()) {
            return DXFILEERR_PARSEERROR;
        }
        if (depth + 1 > kMaxDepth) {
            return DXFILEERR_PARSEERROR;
        }
        XChild child;
        if (token.m_kind == XTokenKind::OBrace) {
            hr = ParseReference(child);
        } else {
            hr = ParseObject(depth + 1, &child.m_pNode);
            if (SUCCEEDED(hr) && !Admits(*tmpl, *child.m_pNode->m_pTemplate)) {
                hr = DXFILEERR_BADOBJECT;
            }
        }
        if (FAILED(hr)) {
            return hr;
        }
        node->m_vecChildren.push_back(std::move(child));
    }
    *out = node;
    return S_OK;
}

HRESULT XFileParser::ParseMembers(const XTemplate& tmpl, XDataNode& node, int depth, bool bTopLevel) {
    if (depth > kMaxDepth) {
        return DXFILEERR_PARSEERROR;
    }
    const size_t sizesBase = m_sizes.size();
    const HRESULT hr = ParseMemberValues(tmpl, node, depth, bTopLevel, sizesBase);
    m_sizes.resize(sizesBase);
    return hr;
}

HRESULT XFileParser::ParseMemberValues(const XTemplate& tmpl, XDataNode& node, int depth, bool bTopLevel,
                                       size_t sizesBase) {
    for (const XMember& member : tmpl.m_vecMembers) {
        size_t start = node.m_vecBytes.size();
        std::uint64_t count = 1;
        for (const XDimension& dimension : member.m_vecDimensions) {
            std::int64_t extent = dimension.m_dwConstant;
            if (!dimension.m_strMember.empty()) {
                extent = -1;
                for (size_t i = sizesBase; i < m_sizes.size(); ++i) {
                    if (m_sizes[i].first == dimension.m_strMember) {
                        extent = m_sizes[i].second;
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
        HRESULT hr = S_OK;
        if (member.m_type == XPrimitive::None) {
            const XTemplate* nested = m_doc.Templates().Find(member.m_strTemplate);
            if (nested == nullptr) {
                return DXFILEERR_NOTEMPLATE;
            }
            // A template without members holds no data; its elements take no input.
            if (!nested->m_vecMembers.empty()) {
                hr = ParseElements(*nested, count, node, depth + 1);
            }
        } else if (member.m_type == XPrimitive::String) {
            for (std::uint64_t i = 0; i < count && SUCCEEDED(hr); ++i) {
                hr = Charge() ? ParseString(node) : DXFILEERR_BADARRAYSIZE;
            }
        } else {
            size_t end = node.m_vecBytes.size();
            hr = ParseNumberArray(member.m_type, count, node, end);
            node.m_vecBytes.resize(end);
            if (SUCCEEDED(hr) && member.m_vecDimensions.empty() && XPrimitiveIsInteger(member.m_type) &&
                !member.m_strName.empty()) {
                const BYTE* packed = node.m_vecBytes.data() + node.m_vecBytes.size() - XPrimitiveSize(member.m_type);
                m_sizes.emplace_back(member.m_strName, XPackedInteger(member.m_type, packed));
            }
        }
        if (FAILED(hr)) {
            return hr;
        }
        if (bTopLevel) {
            node.m_vecSpans.push_back({member.m_strName, start, node.m_vecBytes.size() - start});
        }
    }
    return S_OK;
}

// A template whose instances are only numbers of one type, packed back to back:
// each member a single number or an array whose extent is constant (Vector,
// Coords2d, Matrix4x4) or one earlier single member of the same instance
// (MeshFace: a count, then that many indices).
struct XFileParser::NumberRecord {
    static constexpr size_t kMaxMembers = 8;

    // False when `tmpl` is no such record; the general path then reads it (and
    // refuses it where it must).
    static bool Describe(const XTemplate& tmpl, NumberRecord& record);

    XPrimitive m_type = XPrimitive::None;
    size_t m_dwMembers = 0;
    std::uint64_t m_qwFixed[kMaxMembers] = {};  // numbers of a member of constant extent
    int m_iSizeMember[kMaxMembers] = {};        // or the member giving them; -1 for constant
    bool m_bSingle[kMaxMembers] = {};           // no dimensions: may size later members
    // Numbers per instance when every extent is constant; 0 otherwise.
    std::uint64_t m_qwFixedTotal = 0;
};

bool XFileParser::NumberRecord::Describe(const XTemplate& tmpl, NumberRecord& record) {
    if (tmpl.m_vecMembers.empty() || tmpl.m_vecMembers.size() > NumberRecord::kMaxMembers) {
        return false;
    }
    bool bAllFixed = true;
    std::uint64_t total = 0;
    for (size_t i = 0; i < tmpl.m_vecMembers.size(); ++i) {
        const XMember& member = tmpl.m_vecMembers[i];
        if (member.m_type == XPrimitive::None || member.m_type == XPrimitive::String ||
            (record.m_type != XPrimitive::None && member.m_type != record.m_type)) {
            return false;
        }
        record.m_type = member.m_type;
        record.m_bSingle[i] = member.m_vecDimensions.empty();
        record.m_iSizeMember[i] = -1;
        std::uint64_t numbers = 1;
        for (const XDimension& dimension : member.m_vecDimensions) {
            if (dimension.m_strMember.empty()) {
                numbers *= dimension.m_dwConstant;
                if (numbers > 0xFFFFFFFFu) {
                    return false;
                }
                continue;
            }
            if (member.m_vecDimensions.size() != 1) {
                return false;
            }
            // The last earlier single integer member of that name, as ParseMemberValues finds it.
            for (size_t j = 0; j < i; ++j) {
                const XMember& earlier = tmpl.m_vecMembers[j];
                if (earlier.m_vecDimensions.empty() && XPrimitiveIsInteger(earlier.m_type) &&
                    earlier.m_strName == dimension.m_strMember) {
                    record.m_iSizeMember[i] = static_cast<int>(j);
                }
            }
            if (record.m_iSizeMember[i] < 0) {
                return false;
            }
            bAllFixed = false;
        }
        record.m_qwFixed[i] = numbers;
        total += numbers;
    }
    record.m_dwMembers = tmpl.m_vecMembers.size();
    record.m_qwFixedTotal = bAllFixed ? total : 0;
    return true;
}

HRESULT XFileParser::ParseElements(const XTemplate& nested, std::uint64_t count, XDataNode& node, int depth) {
    NumberRecord record;
    if (depth > kMaxDepth || !NumberRecord::Describe(nested, record)) {
        return ParseElementsOneByOne(nested, count, node, depth);
    }
    if (record.m_qwFixedTotal == 0) {
        return ParseCountedRecords(record, count, node);
    }
    // Every instance is the same run of numbers: the array reads as one run. Charged
    // as element by element, one for the element and one per number, whole elements
    // only, so the limit is met exactly where the element path meets it.
    const std::uint64_t work = 1 + record.m_qwFixedTotal;
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t affordable = (m_qwWorkLimit - std::min(m_qwWork, m_qwWorkLimit)) / work;
        const std::uint64_t take = std::min(count - done, affordable);
        if (take == 0) {
            return ParseElementsOneByOne(nested, count - done, node, depth);
        }
        m_qwWork += take * work;
        size_t end = node.m_vecBytes.size();
        HRESULT hr = ReadNumbers(record.m_type, take * record.m_qwFixedTotal, node, end);
        node.m_vecBytes.resize(end);
        if (FAILED(hr)) {
            return hr;
        }
        done += take;
    }
    return S_OK;
}

HRESULT XFileParser::ParseCountedRecords(const NumberRecord& record, std::uint64_t count, XDataNode& node) {
    const size_t width = XPrimitiveSize(record.m_type);
    std::vector<BYTE>& bytes = node.m_vecBytes;
    // Records of a few numbers each are written behind `end` and the storage is
    // cut to it once at the end, instead of resized member by member.
    size_t end = bytes.size();
    HRESULT hr = S_OK;
    std::uint64_t done = 0;
    while (done < count && SUCCEEDED(hr)) {
        done += CopyPackedRecords(record, count - done, node, end);
        if (done == count) {
            break;
        }
        if (!Charge()) {
            hr = DXFILEERR_BADARRAYSIZE;
            break;
        }
        const size_t before = end;
        std::int64_t values[NumberRecord::kMaxMembers] = {};
        for (size_t i = 0; i < record.m_dwMembers && SUCCEEDED(hr); ++i) {
            std::uint64_t numbers = record.m_qwFixed[i];
            if (record.m_iSizeMember[i] >= 0) {
                const std::int64_t extent = values[record.m_iSizeMember[i]];
                if (extent < 0) {
                    hr = DXFILEERR_BADARRAYSIZE;
                    break;
                }
                numbers = static_cast<std::uint64_t>(extent);
            }
            hr = ParseNumberArray(record.m_type, numbers, node, end);
            if (SUCCEEDED(hr) && record.m_bSingle[i] && XPrimitiveIsInteger(record.m_type)) {
                values[i] = XPackedInteger(record.m_type, bytes.data() + end - width);
            }
        }
        if (done == 0 && SUCCEEDED(hr)) {
            ReserveLike(node, end - before, count - 1);
        }
        ++done;
    }
    bytes.resize(end);
    return hr;
}

std::uint64_t XFileParser::CopyPackedRecords(const NumberRecord& record, std::uint64_t most, XDataNode& node,
                                             size_t& end) {
    const BYTE* in = nullptr;
    const size_t available = m_tokens.PackedRun(record.m_type, &in);
    if (available == 0) {
        return 0;
    }
    const size_t width = XPrimitiveSize(record.m_type);
    // Whole records inside the run, charged as ParseCountedRecords charges them;
    // the first one that is not (cut by the run's end, a negative size, past the
    // work limit) is left to the value-by-value path, which reads or refuses it.
    std::uint64_t records = 0;
    size_t used = 0;
    while (records < most) {
        std::int64_t values[NumberRecord::kMaxMembers] = {};
        size_t numbers = 0;
        bool whole = true;
        for (size_t i = 0; i < record.m_dwMembers && whole; ++i) {
            std::uint64_t extent = record.m_qwFixed[i];
            if (record.m_iSizeMember[i] >= 0) {
                const std::int64_t claimed = values[record.m_iSizeMember[i]];
                whole = claimed >= 0;
                extent = static_cast<std::uint64_t>(claimed);
            }
            whole = whole && extent <= available - used - numbers;
            if (whole && record.m_bSingle[i]) {
                values[i] = XPackedInteger(record.m_type, in + (used + numbers) * width);
            }
            numbers += whole ? static_cast<size_t>(extent) : 0;
        }
        if (!whole || 1 + numbers > m_qwWorkLimit - std::min(m_qwWork, m_qwWorkLimit)) {
            break;
        }
        m_qwWork += 1 + numbers;
        used += numbers;
        ++records;
    }
    if (used > 0) {
        MakeRoom(node.m_vecBytes, end, used * width);
        std::memcpy(node.m_vecBytes.data() + end, in, used * width);
        end += used * width;
        m_tokens.SkipPacked(used);
    }
    return records;
}

HRESULT XFileParser::ParseElementsOneByOne(const XTemplate& nested, std::uint64_t count, XDataNode& node, int depth) {
    for (std::uint64_t done = 0; done < count; ++done) {
        if (!Charge()) {
            return DXFILEERR_BADARRAYSIZE;
        }
        const size_t before = node.m_vecBytes.size();
        HRESULT hr = ParseMembers(nested, node, depth, false);
        if (FAILED(hr)) {
            return hr;
        }
        if (done == 0) {
            ReserveLike(node, node.m_vecBytes.size() - before, count - 1);
        }
    }
    return S_OK;
}

void XFileParser::ReserveLike(XDataNode& node, std::uint64_t elementBytes, std::uint64_t elements) {
    // Elements are mostly alike (faces of one corner count): room for the rest at once.
    const bool bHuge = elementBytes != 0 && elements > UINT64_MAX / elementBytes;
    Reserve(node, bHuge ? UINT64_MAX : elements * elementBytes);
}

HRESULT XFileParser::ParseNumberArray(XPrimitive type, std::uint64_t count, XDataNode& node, size_t& end) {
    // One unit of work per number, charged before it is read, as Charge does.
    std::uint64_t done = 0;
    while (done < count) {
        if (m_qwWork >= m_qwWorkLimit) {
            return DXFILEERR_BADARRAYSIZE;
        }
        const std::uint64_t take = std::min(count - done, m_qwWorkLimit - m_qwWork);
        m_qwWork += take;
        HRESULT hr = ReadNumbers(type, take, node, end);
        if (FAILED(hr)) {
            return hr;
        }
        done += take;
    }
    return S_OK;
}

void XFileParser::Reserve(XDataNode& node, std::uint64_t bytes) {
    std::vector<BYTE>& storage = node.m_vecBytes;
    // A count is only a claim of the file: never more than the values left in it
    // can fill, at most 8 bytes each.
    const std::uint64_t room = std::min<std::uint64_t>(bytes, std::uint64_t{8} * m_tokens.NumbersLeft());
    if (storage.capacity() - storage.size() < room) {
        storage.reserve(std::max<size_t>(storage.size() + static_cast<size_t>(room), 2 * storage.capacity()));
    }
}

void XFileParser::MakeRoom(std::vector<BYTE>& storage, size_t end, size_t need) {
    if (storage.size() - end >= need) {
        return;
    }
    // A run's worth at a time, so short records do not resize the storage one by
    // one, yet never more ahead of `need` than the values left in the file can fill.
    const std::uint64_t fill = std::uint64_t{8} * m_tokens.NumbersLeft();
    const size_t ahead = static_cast<size_t>(std::min<std::uint64_t>(8 * kNumberRun, fill));
    storage.resize(end + std::max(need, ahead));
}

HRESULT XFileParser::ReadNumbers(XPrimitive type, std::uint64_t count, XDataNode& node, size_t& end) {
    const size_t width = XPrimitiveSize(type);
    std::vector<BYTE>& bytes = node.m_vecBytes;
    if (count >= kNumberRun / 64) {
        Reserve(node, count * width);  // small runs grow the storage as any vector grows
    }
    while (count > 0) {
        // Written in place, a bounded run at a time, so storage only grows by what can be read.
        const size_t want = static_cast<size_t>(std::min<std::uint64_t>(count, kNumberRun));
        MakeRoom(bytes, end, want * width);
        size_t got = m_tokens.ReadNumbers(type, want, bytes.data() + end);
        if (got < want) {
            // Whatever the run reader leaves goes through the token path, which reads
            // it or gives the failure.
            SkipSeparators();
            XToken token = m_tokens.Next();
            if (token.m_kind != XTokenKind::Integer && token.m_kind != XTokenKind::Float) {
                end += got * width;
                return Unexpected(token);
            }
            XPackNumber(token, type, bytes.data() + end + got * width);
            ++got;
        }
        end += got * width;
        count -= got;
    }
    return S_OK;
}

HRESULT XFileParser::ParseString(XDataNode& node) {
    SkipSeparators();
    XToken token = m_tokens.Next();
    if (token.m_kind != XTokenKind::String) {
        return Unexpected(token);
    }
    auto text = std::make_unique<char[]>(token.m_text.size() + 1);
    std::memcpy(text.get(), token.m_text.data(), token.m_text.size());
    text[token.m_text.size()] = '\0';
    Append<char*>(node.m_vecBytes, text.get());
    node.m_vecStrings.push_back(std::move(text));
    return S_OK;
}
