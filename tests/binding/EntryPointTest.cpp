#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/untyped.h>

#include "TestSupport.h"

#include <sys/stat.h>
#include <nyxml/context.h>

using namespace NyXmlLib9;
using nyxml_test::ReadFile;
using nyxml_test::TempDir;

namespace {

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

CSmartPtr<CElement> Sample() {
    CSmartPtr<CElement> e(new CElement(L"order", L"urn:po"));
    e->FromXml(L"<order xmlns='urn:po' id='7'><item n='1'>caf\u00e9 &amp; more</item><note/></order>");
    return e;
}

struct AsyncWrite {
    AsyncWrite() { AsyncToXmlFile(true); }
    ~AsyncWrite() { AsyncToXmlFile(false); }
};

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(EntryPoints, ToXmlCompactAndDeclaration) {
    CSmartPtr<CElement> e = Sample();
    EXPECT_EQ(L"<AA:order xmlns:AA=\"urn:po\" id=\"7\"><AA:item n=\"1\">caf\u00e9 &amp; more</AA:item><AA:note/>"
              L"</AA:order>",
              e->ToXml(false, false, EOL_LF, Default()));
    std::wstring withDeclaration = e->ToXml(true, false, EOL_CRLF, Default());
    EXPECT_EQ(0u, withDeclaration.find(L"<?xml version=\"1.0\"?>\r\n<AA:order"));
    EXPECT_NY_THROW(e->ToXml(false, false, static_cast<EOLType>(7), Default()), CNyException, L"Invalid EOL type.");
}

TEST(EntryPoints, UnknownEncodingIsRefused) {
    CSmartPtr<CElement> e = Sample();
    try {
        e->ToXmlStream(false, false, XmlEncoding_None, EOL_LF, Default(), Compression_None);
        FAIL() << "no exception";
    } catch (CNyException& ex) {
        EXPECT_EQ(0u, ex.GetMessage().find(L"Unknown Encoding, select UTF-8 (contact "));
    }
}

TEST(EntryPoints, FilesInBothModes) {
    TempDir dir;
    CSmartPtr<CElement> e = Sample();
    std::wstring expected = e->ToXml(false, false, EOL_LF, Default());
    for (bool async : {false, true}) {
        SCOPED_TRACE(async);
        if (async) AsyncToXmlFile(true);
        for (XmlEncoding enc : {XmlEncoding_UTF8, XmlEncoding_UTF16}) {
            std::wstring name = dir.WidePath("out.xml");
            e->ToXmlFile(name.c_str(), true, false, enc, EOL_LF, Default(), Compression_None);
            std::string bytes = ReadFile(dir.Path("out.xml"));
            if (enc == XmlEncoding_UTF16) {
                ASSERT_GE(bytes.size(), 2u);
                EXPECT_EQ("\xff\xfe", bytes.substr(0, 2));  // files carry the byte order mark
            } else {
                EXPECT_EQ("<?xml", bytes.substr(0, 5));
            }
            CSmartPtr<CElement> back(new CElement(L"x"));
            back->FromXmlFile(name.c_str(), Default());
            EXPECT_EQ(expected, back->ToXml(false, false, EOL_LF, Default()));
        }
        AsyncToXmlFile(false);
    }
    std::wstring gz = dir.WidePath("out.xml.gz");
    CSmartPtr<CElement> big = Sample();
    for (int i = 0; i < 50; ++i) big->GetChildElements()->Add(L"filler", L"urn:po");
    big->ToXmlFile(gz.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_GZip);
    EXPECT_EQ("\x1f\x8b", ReadFile(dir.Path("out.xml.gz")).substr(0, 2));
    CSmartPtr<CElement> back(new CElement(L"x"));
    back->FromXmlFile(gz.c_str(), Default());
    EXPECT_EQ(52, back->GetChildElements()->GetCount());
}

TEST(EntryPoints, ZlibIsRefusedForFiles) {
    TempDir dir;
    CSmartPtr<CElement> e = Sample();
    std::wstring name = dir.WidePath("z.xml");
    EXPECT_NY_THROW(e->ToXmlFile(name.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_ZLib),
                    CNyException, L"ZLIB Compression only available for To Stream methods.");
    EXPECT_NY_THROW(e->ToFastInfosetFile(name.c_str(), FInfoDecl_None, Default(), Compression_ZLib), CNyException,
                    L"ZLIB Compression only available for To Stream methods.");
    EXPECT_FALSE(Exists(dir.Path("z.xml")));
}

TEST(EntryPoints, FastInfosetReadsBackThroughTheByteEntryPoint) {
    CSmartPtr<CElement> e = Sample();
    CBinaryData bytes = e->ToFastInfosetStream(FInfoDecl_V10, Default(), Compression_None);
    CSmartPtr<CElement> back(new CElement(L"x"));
    back->FromXmlStream(bytes, Default());
    EXPECT_EQ(e->ToXml(false, false, EOL_LF, Default()), back->ToXml(false, false, EOL_LF, Default()));
}

TEST(EntryPoints, FileThatCannotBeWritten) {
    TempDir dir;
    nyxml_test::WriteFile(dir.Path("plain"), "x");
    std::wstring name = dir.WidePath("plain/inner.xml");
    CSmartPtr<CElement> e = Sample();
    EXPECT_NY_THROW(e->ToXmlFile(name.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_None),
                    CNyException, L"Failed to write data to the file [" + name + L"] error [0x00000014]");
    AsyncWrite async;
    EXPECT_NY_THROW(e->ToXmlFile(name.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_None),
                    CNyException, L"Failed to write data to the file [" + name + L"] error [0x00000014]");
}

TEST(EntryPoints, ReadingEveryInputForm) {
    const char* xml = "<r a='1'><c>t</c></r>";
    std::wstring expected = L"<r a=\"1\"><c>t</c></r>";
    CSmartPtr<CElement> e(new CElement(L"x"));
    e->FromXml(xml, Default());
    EXPECT_EQ(expected, e->ToXml(false, false, EOL_LF, Default()));
    e = new CElement(L"x");
    e->FromXml(L"<r a='1'><c>t</c></r>", Default());
    EXPECT_EQ(expected, e->ToXml(false, false, EOL_LF, Default()));
    std::string bytes = xml;
    e = new CElement(L"x");
    e->FromXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()), Default());
    EXPECT_EQ(expected, e->ToXml(false, false, EOL_LF, Default()));
    CXmlDocument d;
    d.LoadXml(xml);
    e = new CElement(L"x");
    e->FromXmlElement(d.GetDocumentElement(), Default());
    EXPECT_EQ(expected, e->ToXml(false, false, EOL_LF, Default()));
    CSmartPtr<CElement> copy(new CElement(L"y"));
    copy->FromXmlElement(e.Get(), Default());
    EXPECT_EQ(expected, copy->ToXml(false, false, EOL_LF, Default()));
    EXPECT_NY_THROW(e->FromXmlStream(CBinaryData(), Default()), CNyException, L"XML Stream is empty!");
}

TEST(EntryPoints, FailedReadKeepsWhatWasRead) {
    CSmartPtr<CElement> e(new CElement(L"x"));
    EXPECT_THROW(e->FromXml(L"<r><a/>", Default()), CNyException);
    EXPECT_EQ(L"x", e->GetName());  // the parse failed before anything was read
}

TEST(EntryPoints, AdditionalRootAttributesAreShared) {
    CXmlSerializationContext a;
    EXPECT_EQ(nullptr, a.PeekAdditionalRootAttributes());
    CSmartPtr<CAttributeCol> attrs = a.GetAdditionalRootAttributes();
    EXPECT_EQ(attrs.Get(), a.GetAdditionalRootAttributes().Get());
    CXmlSerializationContext b;
    b = a;
    a.GetAdditionalRootAttributes()->Add(L"extra", L"1");
    EXPECT_EQ(1, b.GetAdditionalRootAttributes()->GetCount());
    CXmlSerializationContext c(b);
    EXPECT_EQ(attrs.Get(), c.PeekAdditionalRootAttributes());
    EXPECT_EQ(L"##any", attrs->GetNamespaceRestriction());
}

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
