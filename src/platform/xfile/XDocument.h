// Everything one enumerator read from a file. Shared by the enumerator and every
// object it hands out, so data stays valid while any of them lives.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/xfile/XDataNode.h"
#include "platform/xfile/XTemplateSet.h"

class XDocument {
public:
    XDataNode* NewNode();
    void AddTopLevel(XDataNode* node) { m_vecTopLevel.push_back(node); }

    const std::vector<XDataNode*>& TopLevel() const { return m_vecTopLevel; }
    // The first data object of that name in file order, at any depth.
    const XDataNode* FindByName(std::string_view name) const;
    // The first data object with that identifier, at any depth.
    const XDataNode* FindById(const GUID& id) const;

    XTemplateSet& Templates() { return m_templates; }
    const XTemplateSet& Templates() const { return m_templates; }

private:
    XTemplateSet m_templates;
    std::vector<std::unique_ptr<XDataNode>> m_vecNodes;  // in file order
    std::vector<XDataNode*> m_vecTopLevel;
};
