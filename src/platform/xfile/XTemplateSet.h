// The templates known while reading a file, looked up by name. Declarations
// replace earlier ones of the same name: a file's own declaration governs its data.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/xfile/XTemplate.h"

class XTemplateSet {
public:
    void Add(std::shared_ptr<const XTemplate> tmpl);
    // Exact name first; exporters also vary the letter case ("TextureFileName").
    const XTemplate* Find(std::string_view name) const;
    std::shared_ptr<const XTemplate> FindShared(std::string_view name) const;
    size_t Count() const { return m_mapTemplates.size(); }
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (const auto& entry : m_mapTemplates) {
            visit(*entry.second);
        }
    }

private:
    std::map<std::string, std::shared_ptr<const XTemplate>, std::less<>> m_mapTemplates;
    std::map<std::string, std::shared_ptr<const XTemplate>, std::less<>> m_mapFolded;  // lower-case names
};
