#include "platform/xfile/XStandardLayout.h"

#include <string>
#include <vector>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"
#include "platform/xfile/XFileParser.h"

namespace {

// Standard templates nest a few levels deep; a declaration nesting deeper cannot match.
constexpr int kMaxNesting = 16;

struct StandardTemplates {
    XTemplateSet m_set;
    std::vector<const XTemplate*> m_vecAll;
};

const StandardTemplates& Standard() {
    static const StandardTemplates standard = [] {
        StandardTemplates out;
        XDocument document;
        // The block holds declarations only, so reading it checks no layout.
        XFileParser::Parse(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES, document);
        out.m_set = document.Templates();
        out.m_set.ForEach([&out](const XTemplate& tmpl) { out.m_vecAll.push_back(&tmpl); });
        return out;
    }();
    return standard;
}

// Signedness does not change how a value packs.
int PackingOf(XPrimitive type) {
    switch (type) {
        case XPrimitive::Word:
        case XPrimitive::Sword:
            return 1;
        case XPrimitive::Dword:
        case XPrimitive::Sdword:
            return 2;
        case XPrimitive::Char:
        case XPrimitive::Uchar:
            return 3;
        case XPrimitive::Float:
            return 4;
        case XPrimitive::Double:
            return 5;
        case XPrimitive::String:
            return 6;
        case XPrimitive::None:
            break;
    }
    return 0;
}

// The member an array extent names, as the reader finds it: the last earlier
// single integer member of that name; -1 when there is none.
int SizeMemberIndex(const XTemplate& tmpl, size_t before, const std::string& name) {
    int found = -1;
    for (size_t i = 0; i < before; ++i) {
        const XMember& member = tmpl.m_vecMembers[i];
        if (member.m_vecDimensions.empty() && XPrimitiveIsInteger(member.m_type) && member.m_strName == name) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

bool SameLayout(const XTemplate& a, const XTemplateSet& aSet, const XTemplate& b, const XTemplateSet& bSet, int depth) {
    if (depth > kMaxNesting || a.m_vecMembers.size() != b.m_vecMembers.size()) {
        return false;
    }
    for (size_t i = 0; i < a.m_vecMembers.size(); ++i) {
        const XMember& ma = a.m_vecMembers[i];
        const XMember& mb = b.m_vecMembers[i];
        if (PackingOf(ma.m_type) != PackingOf(mb.m_type) || ma.m_vecDimensions.size() != mb.m_vecDimensions.size()) {
            return false;
        }
        for (size_t d = 0; d < ma.m_vecDimensions.size(); ++d) {
            const XDimension& da = ma.m_vecDimensions[d];
            const XDimension& db = mb.m_vecDimensions[d];
            if (da.m_strMember.empty() != db.m_strMember.empty()) {
                return false;
            }
            if (da.m_strMember.empty()
                    ? da.m_dwConstant != db.m_dwConstant
                    : SizeMemberIndex(a, i, da.m_strMember) < 0 ||
                          SizeMemberIndex(a, i, da.m_strMember) != SizeMemberIndex(b, i, db.m_strMember)) {
                return false;
            }
        }
        if (ma.m_type == XPrimitive::None) {
            const XTemplate* na = aSet.Find(ma.m_strTemplate);
            const XTemplate* nb = bSet.Find(mb.m_strTemplate);
            if (na == nullptr || nb == nullptr || !SameLayout(*na, aSet, *nb, bSet, depth + 1)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool XMatchesStandardLayout(const XTemplate& tmpl, const XTemplateSet& known) {
    if (tmpl.m_guid == GUID{}) {
        return true;
    }
    const StandardTemplates& standard = Standard();
    for (const XTemplate* candidate : standard.m_vecAll) {
        if (candidate->m_guid == tmpl.m_guid) {
            return SameLayout(tmpl, known, *candidate, standard.m_set, 0);
        }
    }
    return true;
}
