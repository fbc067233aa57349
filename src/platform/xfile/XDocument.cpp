#include "platform/xfile/XDocument.h"

XDataNode* XDocument::NewNode() {
    m_vecNodes.push_back(std::make_unique<XDataNode>());
    return m_vecNodes.back().get();
}

const XDataNode* XDocument::FindByName(std::string_view name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (const auto& node : m_vecNodes) {
        if (node->m_strName == name) {
            return node.get();
        }
    }
    return nullptr;
}

const XDataNode* XDocument::FindById(const GUID& id) const {
    for (const auto& node : m_vecNodes) {
        if (node->m_id == id) {
            return node.get();
        }
    }
    return nullptr;
}
