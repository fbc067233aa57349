// Loaders read data whose template carries a standard identifier as that
// standard template: a file may declare such a template again (exporters
// copy the declarations into their files), but only with the same layout.
#pragma once

#include "platform/xfile/XTemplate.h"
#include "platform/xfile/XTemplateSet.h"

// False when `tmpl` has the identifier of a standard template but its members,
// nested templates resolved in `known`, do not pack as the standard ones do:
// other types or sizes, other array extents, other nested layouts. Member
// names may differ. A template with any other identifier passes.
bool XMatchesStandardLayout(const XTemplate& tmpl, const XTemplateSet& known);
