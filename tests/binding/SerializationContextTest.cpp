#include <nyxml/context.h>

#include "TestSupport.h"

using namespace NyXmlLib9;

namespace {

const wchar_t kBothIgnoredElements[] =
    L"The parser can only ignore additional elements, or ignore the fact that some required ones are missing, "
    L"you can not ignore both\nSet IgnoreMissingMandatoryElements to false before setting IgnoreUnknownElements "
    L"to true";
const wchar_t kBothIgnoredMandatory[] =
    L"The parser can only ignore additional elements, or ignore the fact that some required ones are missing, "
    L"you can not ignore both\nSet IgnoreUnknownElements to false before setting IgnoreMissingMandatoryElements "
    L"to true";

}  // namespace

TEST(CXmlSerializationContext, MutuallyExclusiveIgnoreOptions) {
    CXmlSerializationContext c;
    c.SetIgnoreMissingMandatoryElements(true);
    EXPECT_NY_THROW(c.SetIgnoreUnknownElements(true), CNyInvalidStateException, kBothIgnoredElements);
    EXPECT_TRUE(c.GetIgnoreMissingMandatoryElements());
    EXPECT_FALSE(c.GetIgnoreUnknownElements());
    c.SetIgnoreUnknownElements(false);  // false is always accepted
    c.SetIgnoreMissingMandatoryElements(false);
    c.SetIgnoreUnknownElements(true);
    EXPECT_TRUE(c.GetIgnoreUnknownElements());
    EXPECT_NY_THROW(c.SetIgnoreMissingMandatoryElements(true), CNyInvalidStateException, kBothIgnoredMandatory);
    EXPECT_FALSE(c.GetIgnoreMissingMandatoryElements());
    c.SetIgnoreMissingMandatoryElements(false);
}

TEST(CNamespaceAliasMap, OrderedByNamespaceUri) {
    CNamespaceAliasMap m;
    m.Add(L"b", L"urn:z");
    m.Add(L"a", L"urn:a");
    m.Add(L"c", L"urn:ab");
    ASSERT_EQ(3, m.GetNamespaceCount());
    EXPECT_EQ(L"urn:a", m.GetNamespaceAt(0));
    EXPECT_EQ(L"urn:ab", m.GetNamespaceAt(1));  // shorter string first on a common prefix
    EXPECT_EQ(L"urn:z", m.GetNamespaceAt(2));
    EXPECT_EQ(L"urn:a", m.GetNamespaceAt(-5));  // below 1 gives the first entry
    m.Add(L"y", L"urn:z");
    EXPECT_EQ(3, m.GetNamespaceCount());
    EXPECT_EQ(L"y", m.GetAliasFromNamespace(L"urn:z"));
    EXPECT_FALSE(m.DoesAliasExist(L"b"));
}

TEST(CNamespaceAliasMap, LookupsAndRemoval) {
    CNamespaceAliasMap m;
    m.Add(L"p", L"urn:p");
    m.Add(L"q", L"urn:q");
    EXPECT_EQ(L"urn:q", m.GetNamespaceFromAlias(L"q"));
    EXPECT_NY_THROW(m.GetNamespaceFromAlias(L"zz"), CNyException, L"Namespace alias [zz] not found");
    EXPECT_EQ(L"", m.GetAliasFromNamespace(L"urn:none"));
    EXPECT_TRUE(m.DoesNamespaceExist(L"urn:p"));
    EXPECT_TRUE(m.DoesAliasExist(L"p"));
    m.RemoveNamespace(L"urn:p");
    m.RemoveNamespace(L"urn:absent");
    EXPECT_FALSE(m.DoesNamespaceExist(L"urn:p"));
    EXPECT_EQ(1, m.GetNamespaceCount());
    CNamespaceAliasMap copy(m);
    CNamespaceAliasMap assigned;
    assigned.Add(L"old", L"urn:old");
    assigned = m;
    EXPECT_FALSE(assigned.DoesNamespaceExist(L"urn:old"));
    EXPECT_EQ(L"urn:q", copy.GetNamespaceFromAlias(L"q"));
    CNamespaceAliasMap& self = assigned;
    assigned = self;
    EXPECT_EQ(1, assigned.GetNamespaceCount());
}
