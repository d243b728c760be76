#include "metadata/FacetBridge.h"

#include "values/FacetsCheck.h"

namespace NyXmlLib9 {

void CheckFacets(const std::wstring& name, const NyVariant& value, ItemType type,
                 const CPrimitiveRestrictions& restrictions) {
    CFacetCheck::Check(name.c_str(), value, type, restrictions);
}

}  // namespace NyXmlLib9
