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

TEST(CXmlSerializationContext, Defaults) {
    CXmlSerializationContext c;
    EXPECT_FALSE(c.GetIgnoreUnknownAttributes());
    EXPECT_FALSE(c.GetIgnoreUnknownElements());
    EXPECT_FALSE(c.GetIgnoreMissingMandatoryElements());
    EXPECT_FALSE(c.GetIgnoreMissingChoice());
    EXPECT_FALSE(c.GetIgnoreInvalidCollectionCounts());
    EXPECT_FALSE(c.GetIgnoreNamespaces());
    EXPECT_FALSE(c.GetNoOptionalAttributeDefaultOutput());
    EXPECT_TRUE(c.GetWriteTypeAttribute());
    EXPECT_TRUE(c.GetStripCDATA());
    EXPECT_EQ(SchemaType_XSD, c.GetSchemaType());
    EXPECT_EQ(L"", c.GetInLineSchema());
    EXPECT_EQ(L"", c.GetDefaultNamespaceURI());
    EXPECT_TRUE(c.GetProcessingInstructions().empty());
    EXPECT_EQ(0, c.GetNamespaceAliases().GetNamespaceCount());
    EXPECT_EQ(6u, c.GetFIContext().GetAttributeMaxAddLength());
}

TEST(CXmlSerializationContext, DefaultContextIsProcessWide) {
    CXmlSerializationContext& a = CXmlSerializationContext::GetDefaultContext();
    EXPECT_EQ(&a, &CXmlSerializationContext::m_defaultContext);
    EXPECT_TRUE(a.GetWriteTypeAttribute());
}

TEST(CXmlSerializationContext, SchemaTypeTwoIgnoresNamespaces) {
    CXmlSerializationContext c;
    c.SetSchemaType(SchemaType_NoNamespaces);
    EXPECT_TRUE(c.GetIgnoreNamespaces());
    c.SetSchemaType(SchemaType_XDR);
    EXPECT_FALSE(c.GetIgnoreNamespaces());
    c.SetIgnoreNamespaces(true);
    EXPECT_TRUE(c.GetIgnoreNamespaces());
}

TEST(CXmlSerializationContext, NameMatchingRule) {
    CXmlSerializationContext c;
    EXPECT_TRUE(c.NamesMatch(L"a", L"urn:x", L"a", L"urn:x"));
    EXPECT_FALSE(c.NamesMatch(L"a", L"urn:x", L"a", L"urn:y"));
    EXPECT_FALSE(c.NamesMatch(L"a", L"urn:x", L"b", L"urn:x"));
    c.SetSchemaType(SchemaType_NoNamespaces);
    EXPECT_TRUE(c.NamesMatch(L"a", L"urn:x", L"a", L"urn:y"));
    EXPECT_FALSE(c.NamesMatch(L"a", L"urn:x", L"b", L"urn:x"));
}

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

TEST(CXmlSerializationContext, CopyAndAssignCopyEveryOption) {
    CXmlSerializationContext a;
    a.SetDefaultNamespaceURI(L"urn:d");
    a.SetWriteTypeAttribute(false);
    a.GetNamespaceAliases().Add(L"p", L"urn:p");
    a.GetProcessingInstructions().push_back(L"pi data");
    a.SetInLineSchema(L"<schema/>");
    a.SetIgnoreInvalidCollectionCounts(true);
    a.SetIgnoreMissingChoice(true);
    a.SetIgnoreUnknownElements(true);
    a.SetIgnoreUnknownAttributes(true);
    a.SetIgnoreNamespaces(true);
    a.SetSchemaType(SchemaType_XDR);
    a.SetNoOptionalAttributeDefaultOutput(true);
    a.GetFIContext().SetAttributeMaxAddLength(9);
    a.SetStripCDATA(false);
    CXmlSerializationContext b(a);
    CXmlSerializationContext c;
    c = a;
    for (const CXmlSerializationContext* x : {&b, &c}) {
        EXPECT_EQ(L"urn:d", x->GetDefaultNamespaceURI());
        EXPECT_FALSE(x->GetWriteTypeAttribute());
        EXPECT_EQ(L"p", const_cast<CXmlSerializationContext*>(x)->GetNamespaceAliases().GetAliasFromNamespace(L"urn:p"));
        ASSERT_EQ(1u, x->GetProcessingInstructions().size());
        EXPECT_EQ(L"<schema/>", x->GetInLineSchema());
        EXPECT_TRUE(x->GetIgnoreInvalidCollectionCounts());
        EXPECT_TRUE(x->GetIgnoreMissingChoice());
        EXPECT_TRUE(x->GetIgnoreUnknownElements());
        EXPECT_TRUE(x->GetIgnoreUnknownAttributes());
        EXPECT_TRUE(x->GetIgnoreNamespaces());
        EXPECT_EQ(SchemaType_XDR, x->GetSchemaType());
        EXPECT_TRUE(x->GetNoOptionalAttributeDefaultOutput());
        EXPECT_EQ(9u, x->GetFIContext().GetAttributeMaxAddLength());
        EXPECT_FALSE(x->GetStripCDATA());
    }
    // The alias map and lists are copies, not shared.
    a.GetNamespaceAliases().Add(L"q", L"urn:q");
    a.GetProcessingInstructions().clear();
    EXPECT_FALSE(b.GetNamespaceAliases().DoesNamespaceExist(L"urn:q"));
    EXPECT_EQ(1u, c.GetProcessingInstructions().size());
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
