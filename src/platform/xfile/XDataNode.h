// One data object as read from a file: its packed member bytes, the strings
// those bytes point at, and its children in file order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"
#include "platform/xfile/XTemplate.h"

struct XDataNode;

struct XMemberSpan {
    std::string m_strName;
    size_t m_dwOffset = 0;
    size_t m_dwSize = 0;
};

struct XChild {
    XDataNode* m_pNode = nullptr;  // a data object, or null for a reference
    std::string m_strRefName;      // a reference: the name it refers to (may be empty)
    GUID m_refGuid{};
    bool m_bRefHasGuid = false;
};

struct XDataNode {
    // Shared: a later declaration of the same name must not pull it from under the data.
    std::shared_ptr<const XTemplate> m_pTemplate;
    std::string m_strName;
    GUID m_id{};
    std::vector<BYTE> m_vecBytes;
    std::vector<std::unique_ptr<char[]>> m_vecStrings;  // what the string members point at
    std::vector<XMemberSpan> m_vecSpans;                // top-level members of the template
    std::vector<XChild> m_vecChildren;
};
