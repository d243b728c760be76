#include <nyxml/fastinfoset.h>

#include "TestSupport.h"

using namespace NyXmlLib9;

TEST(CFIVocabulary, InitialTables) {
    CFIVocabulary v;
    uint32_t index = 0;
    ASSERT_TRUE(v.FindPrefixNameIndex(L"xml", index));
    EXPECT_EQ(1u, index);
    ASSERT_TRUE(v.FindNamespaceNameIndex(L"http://www.w3.org/XML/1998/namespace", index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(0u, v.GetLocalNamesTable().size());
    EXPECT_EQ(0u, v.GetElementNamesTable().size());
    ASSERT_EQ(2u, v.GetRestrictedAlphabets().size());
    EXPECT_EQ(L"0123456789-+.e ", v.GetRestrictedAlphabets()[0]);
    EXPECT_EQ(L"0123456789-:TZ ", v.GetRestrictedAlphabets()[1]);
}

TEST(CFIVocabulary, QualifiedNamesShareTheirParts) {
    CFIVocabulary v;
    v.AddElement(L"", L"urn:a", L"x");
    ASSERT_EQ(1u, v.GetElementNamesTable().size());
    const auto& e = v.GetElementNamesTable()[0];
    EXPECT_EQ(0u, e.PrefixIndex);
    EXPECT_EQ(2u, e.NamespaceNameIndex);
    EXPECT_EQ(1u, e.LocalNameIndex);
    v.AddElement(L"", L"urn:a", L"x");
    EXPECT_EQ(1u, v.GetElementNamesTable().size());
    v.AddAttribute(L"p", L"urn:a", L"y");
    ASSERT_EQ(1u, v.GetAttributeNamesTable().size());
    const auto& a = v.GetAttributeNamesTable()[0];
    EXPECT_EQ(2u, a.PrefixIndex);
    EXPECT_EQ(2u, a.NamespaceNameIndex);
    EXPECT_EQ(2u, a.LocalNameIndex);
    EXPECT_EQ(2u, v.GetNamespaceNamesTable().size());
}

TEST(CFastInfosetContext, DefaultsAndSuggestedValues) {
    CFastInfosetContext c;
    EXPECT_EQ(0, c.GetDefaultStringEncoding());
    EXPECT_EQ(6u, c.GetAttributeMaxAddLength());
    EXPECT_EQ(6u, c.GetElementMaxAddLength());
    EXPECT_FALSE(c.GetUseGeneratedVocabulary());
    EXPECT_EQ(L"", c.GetExternalVocabularyURI());
    for (int t = 0; t <= 28; ++t) EXPECT_EQ(0, c.GetEncoding(static_cast<ItemType>(t)).Encoding);
    c.SetSuggestedValues();
    EXPECT_EQ(2, c.GetEncoding(ItemType_boolean).Encoding);
    EXPECT_EQ(6, c.GetEncoding(ItemType_boolean).Index);
    EXPECT_EQ(0, c.GetEncoding(ItemType_string).Encoding);
    EXPECT_EQ(1, c.GetEncoding(ItemType_datetime).Encoding);
    EXPECT_EQ(2, c.GetEncoding(ItemType_datetime).Index);
    EXPECT_EQ(5, c.GetEncoding(ItemType_ui4).Index);
    EXPECT_EQ(1, c.GetEncoding(ItemType_integer).Index);
    EXPECT_NY_THROW(c.GetEncoding(static_cast<ItemType>(29)), CNyInvalidParamException, L"Index out of range");
}

TEST(CFastInfosetContext, AssignmentCopiesTheVocabulary) {
    CFastInfosetContext a;
    a.GetVocabulary()->AddLocalName(L"first");
    CFastInfosetContext b;
    b = a;
    a.GetVocabulary()->AddLocalName(L"second");
    EXPECT_EQ(1u, b.GetVocabulary()->GetLocalNamesTable().size());
    EXPECT_EQ(2u, a.GetVocabulary()->GetLocalNamesTable().size());
}
