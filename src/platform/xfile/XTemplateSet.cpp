#include "platform/xfile/XTemplateSet.h"

#include <cctype>

namespace {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

}  // namespace

void XTemplateSet::Add(std::shared_ptr<const XTemplate> tmpl) {
    std::string folded = Folded(tmpl->m_strName);
    m_mapFolded[folded] = tmpl;
    m_mapTemplates[tmpl->m_strName] = std::move(tmpl);
}

const XTemplate* XTemplateSet::Find(std::string_view name) const {
    return FindShared(name).get();
}

std::shared_ptr<const XTemplate> XTemplateSet::FindShared(std::string_view name) const {
    auto it = m_mapTemplates.find(name);
    if (it != m_mapTemplates.end()) {
        return it->second;
    }
    auto folded = m_mapFolded.find(Folded(name));
    return folded != m_mapFolded.end() ? folded->second : nullptr;
}
