// The schema compiler's own rules: the C++ names it gives XML names, the same
// on every run, and its diagnostics (file, line, error or warning, and
// whether anything is generated).
#include "Generator.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nyxml_compiler::Generate;
using nyxml_compiler::GenerateOptions;
using nyxml_compiler::GenerateResult;

const std::string kNames = std::string(NYXML_SOURCE_DIR) + "/tests/schemas/names/names.xsd";

TEST(SchemaCompiler, NamesAreUniqueIdentifiersAndTheSameOnEveryRun) {
    GenerateOptions options;
    options.schemas = {kNames};
    GenerateResult first = Generate(options);
    ASSERT_TRUE(first.ok);
    ASSERT_EQ(2u, first.files.size());
    EXPECT_EQ("names.h", first.files[0].name);
    EXPECT_EQ("names.cpp", first.files[1].name);
    const std::string& header = first.files[0].text;
    const char* expected[] = {
        "namespace Names {",                          // named after the schema file
        "class CItem : public",                       // complexType item
        "class CItem2 : public",                      // complexType Item: differs only in case
        "class CRoot : public",                       // element root
        "class CRoot2 : public",                      // element Root
        "std::wstring GetClass() const",              // attribute class (a keyword)
        "std::wstring GetClass2() const",             // element class
        "int32_t GetClass3() const",                  // element Class
        "std::wstring GetValueOf() const",            // value-of
        "std::wstring GetNamespace2() const",         // not GetNamespace of the base class
        "std::wstring GetBase2() const",              // not GetBase
        "CSmartPtr<CItem2> GetItem2() const;",        // element Item next to element item
        "CSmartPtr<NyXmlLib9::CstringCol> GetE() const;",
        "Enum_aB = 0,",                               // a-b
        "Enum_aB2 = 1,",                              // a.b
        "Enum__1st = 2,",                             // 1st
        "Enum_new = 3,",
        "Enum_Value = 4",                             // +
        "const int ClassId_Item2 = 2;",
        "class CNode2 : public",                      // not the library's CNode
        "class CNode2Col : public NyXmlLib9::CXmlTypedObjectCollection<CNode2>",
        "class CElement2 : public",                   // not the library's CElement
    };
    for (const char* text : expected) EXPECT_NE(std::string::npos, header.find(text)) << text;
    GenerateResult second = Generate(options);
    ASSERT_EQ(first.files.size(), second.files.size());
    for (size_t i = 0; i < first.files.size(); ++i) EXPECT_EQ(first.files[i].text, second.files[i].text);
}

class SchemaCompilerDiagnostics : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& body) {
        const std::string path = m_dir.Path(name);
        nyxml_test::WriteFile(path, "<?xml version='1.0'?>\n"
                                    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:t'\n"
                                    "           targetNamespace='urn:t'>\n" + body + "</xs:schema>\n");
        return path;
    }

    nyxml_test::TempDir m_dir;
};

TEST_F(SchemaCompilerDiagnostics, UnsupportedConstructsNameFileAndLine) {
    struct Case {
        const char* body;      // from line 4 of the schema
        bool ok;               // code is generated
        const char* expected;  // all diagnostics, after the file name
    } cases[] = {
        {"<xs:redefine schemaLocation='other.xsd'/>\n", false, ":4: error: xs:redefine is not supported"},
        {"<xs:element name='a' type='t:Nope'/>\n", false,
         ":4: error: the type {urn:t}Nope of the element a is not declared"},
        {"<xs:complexType name='B'><xs:sequence><xs:element name='x'/></xs:sequence></xs:complexType>\n"
         "<xs:complexType name='R'><xs:complexContent><xs:restriction base='t:B'>\n"
         "<xs:sequence><xs:element name='x'/></xs:sequence></xs:restriction></xs:complexContent></xs:complexType>\n",
         true, ":5: warning: a restriction of the complex type B is read with its base's content: the narrower "
               "content is not checked"},
        {"<xs:element name='a'><xs:simpleType><xs:restriction base='xs:decimal'>\n"
         "<xs:totalDigits value='3'/></xs:restriction></xs:simpleType></xs:element>\n",
         true, ":5: warning: the facet totalDigits is not checked"},
        {"<xs:element name='a'><xs:complexType><xs:attribute name='n' type='xs:int' default='x'/>\n"
         "</xs:complexType></xs:element>\n",
         false, ":4: error: the default value x is not valid: "},
        {"<xs:element name='a' type='xs:int'><xs:key name='k'><xs:selector xpath='.'/><xs:field xpath='.'/>"
         "</xs:key></xs:element>\n",
         true, ":4: warning: identity constraints (xs:key) are not checked"},
        {"<xs:element name='head' type='xs:string'/>\n<xs:element name='member' substitutionGroup='t:head'/>\n"
         "<xs:element name='list'><xs:complexType><xs:sequence><xs:element ref='t:head'/></xs:sequence>"
         "</xs:complexType></xs:element>\n",
         false, ":6: error: the substitution group of the element head is not supported: its type is simple"},
        {"<xs:include schemaLocation='missing.xsd'/>\n", false,
         ":4: error: cannot read the schema file "},
        {"<xs:element name='a'>\n", false, ": error: not a readable XML document: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        GenerateOptions options;
        options.schemas = {Write("s.xsd", c.body)};
        GenerateResult result = Generate(options);
        EXPECT_EQ(c.ok, result.ok);
        EXPECT_EQ(c.ok, !result.files.empty());
        ASSERT_EQ(1u, result.diagnostics.size());
        std::string text = result.diagnostics[0].Format();
        std::string want = options.schemas[0] + c.expected;
        EXPECT_EQ(want, text.substr(0, want.size()));
        if (want.back() != ' ') {
            EXPECT_EQ(want, text);
        }
    }
}

}  // namespace
