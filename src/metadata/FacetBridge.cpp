#include "metadata/FacetBridge.h"

#include "values/FacetsCheck.h"

namespace NyXmlLib9 {

void CheckFacets(const std::wstring& name, const NyVariant& value, ItemType type,
                 const CPrimitiveRestrictions& restrictions) {
    // Without a facet there is nothing to violate: a char value, which has no
    // facet check of its own, can then still be written.
    if (restrictions.IsEmpty()) return;
    // A held string is checked where it is, not on a copy.
    const std::wstring* held = type == ItemType_string ? value.PeekString() : nullptr;
    if (held)
        CFacetCheck::CheckString(name.c_str(), *held, restrictions);
    else
        CFacetCheck::Check(name.c_str(), value, type, restrictions);
}

}  // namespace NyXmlLib9
