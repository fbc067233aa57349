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
    std::string strName;
    size_t dwOffset = 0;
    size_t dwSize = 0;
};

struct XChild {
    XDataNode* pNode = nullptr;  // a data object, or null for a reference
    std::string strRefName;      // a reference: the name it refers to (may be empty)
    GUID refGuid{};
    bool bRefHasGuid = false;
};

struct XDataNode {
    // Shared: a later declaration of the same name must not pull it from under the data.
    std::shared_ptr<const XTemplate> pTemplate;
    std::string strName;
    GUID id{};
    std::vector<BYTE> bytes;
    std::vector<std::unique_ptr<char[]>> strings;  // what the string members point at
    std::vector<XMemberSpan> spans;                // top-level members of the template
    std::vector<XChild> children;
};
