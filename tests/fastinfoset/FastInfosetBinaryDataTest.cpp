// The built-in encoding algorithms both ways, their messages, and the writer's
// exact octets.
#include <nyxml/fastinfoset.h>

#include "FastInfosetSupport.h"
#include "TestSupport.h"

using namespace NyXmlLib9;
using fi_test::Bytes;
using fi_test::Hex;

namespace {

std::string Encoded(unsigned long algorithm, const wchar_t* text) {
    CFastInfosetBinaryData data;
    data.SetAsEncodedString(algorithm, text);
    return Hex(data);
}

std::wstring Decoded(unsigned long algorithm, const std::string& hex) {
    std::string bytes = Bytes(hex);
    if (bytes.empty()) return CFastInfosetBinaryData().GetAsString(algorithm);
    CFastInfosetBinaryData data(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<unsigned long>(bytes.size()),
                                false);
    return data.GetAsString(algorithm);
}

}  // namespace

TEST(CFastInfosetBinaryData, EncodesAndDecodesEveryAlgorithm) {
    struct Case {
        unsigned long algorithm;
        const wchar_t* text;
        const char* octets;
    } cases[] = {
        {1, L"0aFF", "0A FF"},
        {2, L"AQI=", "01 02"},
        {3, L"-2", "FF FE"},
        {3, L"32767", "7F FF"},
        {4, L"1", "00 00 00 01"},
        {4, L"-2147483648", "80 00 00 00"},
        {5, L"-1", "FF FF FF FF FF FF FF FF"},
        {6, L"true", "38"},
        {6, L"false", "30"},
        {7, L"1", "3F 80 00 00"},
        {7, L"-2.5", "C0 20 00 00"},
        {8, L"1", "3F F0 00 00 00 00 00 00"},
        {9, L"00112233445566778899aabbccddeeff", "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"},
        {10, L"a\u00e9\u20ac", "61 C3 A9 E2 82 AC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.algorithm);
        EXPECT_EQ(c.octets, Encoded(c.algorithm, c.text));
        if (c.algorithm == 10) continue;
        std::wstring back = Decoded(c.algorithm, c.octets);
        std::wstring expected = c.text;
        if (c.algorithm == 1 || c.algorithm == 9)
            for (wchar_t& ch : expected) ch = static_cast<wchar_t>(towupper(ch));
        EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(back));
    }
}

TEST(CFastInfosetBinaryData, DecodesListsJoinedByOneSpace) {
    struct Case {
        unsigned long algorithm;
        const char* octets;
        const wchar_t* text;
    } cases[] = {
        {3, "FF FE 00 01", L"-2 1"},
        {4, "00 00 00 01 FF FF FF FF", L"1 -1"},
        {5, "", L""},
        {6, "2A 80", L"true false true false true false false false false false"},
        {6, "38", L"true"},
        {6, "40", L""},
        {7, "3F 80 00 00 40 00 00 00", L"1 2"},
        {8, "40 00 00 00 00 00 00 00", L"2"},
        {9, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01",
         L"00112233445566778899AABBCCDDEEFF 00000000000000000000000000000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.octets);
        EXPECT_EQ(nyxml_test::Utf8(c.text), nyxml_test::Utf8(Decoded(c.algorithm, c.octets)));
    }
}

TEST(CFastInfosetBinaryData, Failures) {
    struct Case {
        unsigned long algorithm;
        const char* octets;
        const wchar_t* message;
    } decodes[] = {
        {3, "01", L"Invalid value for SHORT byte encoding."},
        {4, "00 00 01", L"Invalid value for INT byte encoding."},
        {5, "00 00 00 00 00 00 01", L"Invalid value for LONG byte encoding."},
        {7, "00 00 00 00 01", L"Invalid value for FLOAT byte encoding."},
        {8, "00 00 00 00", L"Invalid value for DOUBLE byte encoding."},
        {9, "00 11", L"Invalid value for UUID byte encoding."},
        {10, "61", L"Unknown byte encoding."},
        {0, "61", L"Unknown byte encoding."},
        {11, "61", L"Unknown byte encoding."},
        {6, "F0", L"Invalid value for BOOLEAN byte encoding."},
    };
    for (const Case& c : decodes) {
        SCOPED_TRACE(c.octets);
        EXPECT_NY_THROW(Decoded(c.algorithm, c.octets), CNyException, c.message);
    }
    struct Encode {
        unsigned long algorithm;
        const wchar_t* text;
        const wchar_t* message;
    } encodes[] = {
        {11, L"1", L"Unknown byte encoding."},
        {9, L"00112233-4455", L"Invalid char in hex string [-]"},
    };
    for (const Encode& c : encodes) {
        SCOPED_TRACE(c.algorithm);
        CFastInfosetBinaryData data;
        data.SetAsEncodedString(4, L"7");
        EXPECT_NY_THROW(data.SetAsEncodedString(c.algorithm, c.text), CNyException, c.message);
        EXPECT_EQ(0u, data.GetLength());
    }
    // Conversion errors of the value types propagate.
    CFastInfosetBinaryData data;
    data.SetAsEncodedString(4, L"7");
    EXPECT_THROW(data.SetAsEncodedString(3, L"70000"), CNyException);
    EXPECT_EQ(0u, data.GetLength());
}

// ---- the writer's octets ----

namespace {

const char* const kHeader = "E0 00 00 01 00";

// The octets of a document that `write` produces between header and end.
template <typename Write>
std::string Written(Write write, const CFastInfosetContext& options = CFastInfosetContext(),
                    FInfoDecl declaration = FInfoDecl_None) {
    CBinaryStream stream;
    CFastInfosetWriter writer(&stream, &options,
                              options.GetUseGeneratedVocabulary() ? options.GetVocabulary() : nullptr);
    writer.WriteDocumentHeader(declaration);
    write(writer);
    writer.WriteDocumentEnd();
    writer.EndDocument();
    return Hex(stream.GetData());
}

CFastInfosetContext Suggested() {
    CFastInfosetContext options;
    options.SetSuggestedValues();
    return options;
}

}  // namespace

TEST(CFastInfosetWriter, WritesTheDocumentedOctets) {
    std::string h = kHeader;
    EXPECT_EQ(h + " 3C 00 65 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.EndElement();
              }));
    // The second c is element name 2; two terminators pair as FF.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 F0 01 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    // A short attribute value repeated is '1' + its index.
    EXPECT_EQ(h + " 3C 00 72 7C 00 63 78 00 61 40 76 F0 F0 41 00 80 F0 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.WriteAttribute(L"a", L"", L"v", ItemType_string);
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    // Suggested encodings: true through the boolean algorithm; an int through
    // algorithm 4 in a chunk; a date through alphabet 2, four bits a character.
    EXPECT_EQ(h + " 7C 00 65 78 00 62 70 50 38 F0 9C 0E 01 00 00 00 2A FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteAttribute(L"b", L"", L"true", ItemType_boolean);
                  w.WriteText(L"42", ItemType_i4);
                  w.EndElement();
              }, Suggested()));
    EXPECT_EQ(h + " 3C 00 65 88 06 00 20 26 A1 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteText(L"2026-1", ItemType_date);
                  w.EndElement();
              }, Suggested()));
    // Long values are not added; chunks below the limit are, and come back as an index.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 92 00 61 62 63 F0 01 A0 FF F0", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  for (int i = 0; i < 2; ++i) {
                      w.StartElement(L"c", L"");
                      w.WriteText(L"abc", ItemType_string);
                      w.EndElement();
                  }
                  w.EndElement();
              }));
    EXPECT_EQ(h + " 3C 00 65 82 03 61 62 63 64 65 66 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"e", L"");
                  w.WriteText(L"abcdef", ItemType_string);
                  w.EndElement();
              }));
    // Text after a child closes the child first.
    EXPECT_EQ(h + " 3C 00 72 3C 00 63 F0 90 78 FF", Written([](CXmlWriter& w) {
                  w.StartElement(L"r", L"");
                  w.StartElement(L"c", L"");
                  w.EndElement();
                  w.WriteText(L"x", ItemType_string);
                  w.EndElement();
              }));
    // Namespace attributes on the document element: the default namespace,
    // then prefixes in URI order; the name then uses the table.
    EXPECT_EQ(h + " 38 CD 04 75 72 6E 3A 64 CF 00 70 04 75 72 6E 3A 70 F0 3D 81 00 65 7F 81 82 00 66 78 00 61 40 31 F0 FF F0",
              Written([](CXmlWriter& w) {
                  w.AddNamespace(L"p", L"urn:p");
                  w.SetDefaultNamespace(L"urn:d");
                  w.StartElement(L"e", L"urn:d");
                  w.StartElement(L"f", L"urn:p");
                  w.WriteAttribute(L"a", L"", L"1", ItemType_string);
                  w.EndElement();
                  w.EndElement();
              }));
}

TEST(CFastInfosetWriter, HeaderForms) {
    auto empty = [](CXmlWriter& w) {
        w.StartElement(L"e", L"");
        w.EndElement();
    };
    EXPECT_EQ(Hex(reinterpret_cast<const unsigned char*>("<?xml version='1.1' encoding='finf' standalone='no'?>"), 53) +
                  " E0 00 00 01 00 3C 00 65 FF",
              Written(empty, CFastInfosetContext(), FInfoDecl_V11StandaloneNo));
    CFastInfosetContext generated;
    generated.SetUseGeneratedVocabulary(true);
    generated.SetExternalVocabularyURI(L"urn:v");
    generated.GetVocabulary()->AddElement(L"", L"", L"e");
    EXPECT_EQ("E0 00 00 01 20 10 00 04 75 72 6E 3A 76 00 FF", Written(empty, generated));
}

TEST(CFastInfosetWriter, Failures) {
    struct Case {
        CFastInfosetContext::EncodedCharacterString encoding;
        const wchar_t* value;
        bool chunk;
        const wchar_t* message;
    } cases[] = {
        {{1, 3}, L"1", false, L"Failed to write FastInfoset. Invalid Restricted Alphabet value [3]"},
        {{1, 1}, L"x", true, L"Failed to write FastInfoset. Invalid character not found for Restricted Alphabet."},
        {{2, 11}, L"1", true, L"Failed to write FastInfoset. Invalid Encoding Algorithm value [11]"},
        {{2, 0}, L"1", false, L"Failed to write FastInfoset. Invalid Encoding Algorithm value [0]"},
        {{5, 1}, L"1", false, L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit5."},
        {{5, 1}, L"1", true, L"Failed to write FastInfoset. Unknown encoding in EncodedCharacterStringBit7."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.message));
        CFastInfosetContext options;
        options.SetEncoding(ItemType_string, c.encoding);
        EXPECT_NY_THROW(Written([&](CXmlWriter& w) {
                            w.StartElement(L"e", L"");
                            if (c.chunk)
                                w.WriteText(c.value, ItemType_string);
                            else
                                w.WriteAttribute(L"a", L"", c.value, ItemType_string);
                            w.EndElement();
                        }, options),
                        CNyException, c.message);
    }
    // Value conversion errors propagate.
    CFastInfosetContext suggested = Suggested();
    EXPECT_NY_THROW(Written([](CXmlWriter& w) {
                        w.StartElement(L"e", L"");
                        w.WriteText(L"x", ItemType_i4);
                        w.EndElement();
                    }, suggested),
                    CNyInvalidValueException, L"The value [x] can not be converted to a i4");
    EXPECT_NY_THROW(Written([](CXmlWriter& w) {
                        w.StartElement(L"r", L"");
                        w.StartElement(L"c", L"");
                        w.EndElement();
                        w.WriteAttribute(L"a", L"", L"v", ItemType_string);
                    }),
                    CNyException, L"Attributes must be added before elements");
    EXPECT_NY_THROW(Written([](CXmlWriter& w) { w.StartElement(L"r", L""); }), CNyException,
                    L"An Element has not been closed.");
}

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
