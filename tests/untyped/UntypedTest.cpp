#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "TestSupport.h"
#include <string>
#include <glob.h>
#include <sys/stat.h>
#include <cstdio>
#include <map>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::Utf8;
using nyxml_test::TempDir;
using nyxml_test::Compact;

TEST(CElement, KeywordIsNotANamespace) {
    for (const wchar_t* keyword : {L"##any", L"##other", L"##local", L"##targetNamespace"}) {
        SCOPED_TRACE(Utf8(keyword));
        EXPECT_NY_THROW(CElement(L"a", keyword), CNyInvalidNamespaceException,
                        std::wstring(L"Invalid Namespace [") + keyword + L"]");
    }
    EXPECT_NO_THROW(CElement(L"a", L"##else"));
}

TEST(CElement, InitRejectsNullsAndForeignNamespaces) {
    EXPECT_NY_THROW(CElement(nullptr, L"", L"##any", L""), CNyInvalidNamespaceException,
                    L"Element Name must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"", nullptr, L""), CNyInvalidNamespaceException,
                    L"Namespace Restriction must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"", L"##any", nullptr), CNyInvalidNamespaceException,
                    L"Target Namespace must have a value");
    EXPECT_NY_THROW(CElement(L"a", L"urn:x", L"##local", L"urn:t"), CNyInvalidNamespaceException,
                    L"Invalid namespace [urn:x]. The namespace must be one of [##local] where the target namespace "
                    L"is [urn:t]");
}

TEST(CElement, ReadsTwoLevelsAndTwoNamespaces) {
    const wchar_t* xml =
        L"<r xmlns='urn:r' xmlns:p='urn:p' a='1' p:b='2'><c p:d='3'><p:e>t</p:e></c><f/></r>";
    CSmartPtr<CElement> e(new CElement(L"r", L"urn:r", L"##any", L""));
    e->FromXml(xml);
    EXPECT_EQ(L"r", e->GetName());
    EXPECT_EQ(L"urn:r", e->GetNamespaceURI());
    ASSERT_EQ(2, e->GetAttributes()->GetCount());
    EXPECT_EQ(L"urn:p", e->GetAttributes()->Item(1)->GetNamespaceURI());
    ASSERT_EQ(2, e->GetChildElements()->GetCount());
    CSmartPtr<CElement> c = e->GetChildElements()->Item(0);
    EXPECT_EQ(L"c", c->GetName());
    EXPECT_EQ(L"urn:r", c->GetNamespaceURI());
    EXPECT_EQ(L"3", c->GetAttributes()->Item(0)->GetValue());
    CSmartPtr<CElement> pe = c->GetChildElements()->Item(0);
    EXPECT_EQ(L"urn:p", pe->GetNamespaceURI());
    EXPECT_EQ(L"t", pe->GetText());
    // Written and read again, the same names, namespaces, values and text.
    CSmartPtr<CElement> again(new CElement(L"r", L"urn:r", L"##any", L""));
    again->FromXml(Compact(*e).c_str());
    EXPECT_EQ(Compact(*e), Compact(*again));
}

TEST(CElement, AttributeOutsideRestrictionFails) {
    CSmartPtr<CElement> e(new CElement(L"a"));
    CSmartPtr<CAttributeCol> attrs = e->GetAttributes();
    CXmlDocument d;
    d.LoadXml("<a xmlns:q='urn:q' q:z='1'/>");
    CSmartPtr<CAttributeCol> local(new CAttributeCol(L"", L"##local", L""));
    // The protected reading hook, through a member pointer taken in a derived class.
    struct Access : CAttributeCol {
        static auto Hook() { return &Access::FromXml_Int; }
    };
    CAttributeCol* col = local.Get();
    EXPECT_NY_THROW((col->*Access::Hook())(d.GetDocumentElement(), nullptr,
                                           CXmlSerializationContext::GetDefaultContext(), false),
                    CNyInvalidNamespaceException, L"Invalid Attribute [z]. The attributes namespace is Inappropriate.");
}

TEST(CElement, CopySharesCollectionsCloneDoesNot) {
    CSmartPtr<CElement> source(new CElement(L"a"));
    source->GetAttributes()->Add(L"one", L"1");
    CElement copy(*source);
    CSmartPtr<CElement> clone = source->Clone();
    source->GetAttributes()->Add(L"two", L"2");
    source->GetChildElements()->Add(L"c", L"urn:c");
    EXPECT_EQ(2, copy.GetAttributes()->GetCount());
    EXPECT_EQ(1, copy.GetChildElements()->GetCount());
    EXPECT_EQ(1, clone->GetAttributes()->GetCount());
    EXPECT_EQ(0, clone->GetChildElements()->GetCount());
}

TEST(CElement, SetNamespaceRestrictionsWrapsTheCause) {
    CSmartPtr<CElement> e(new CElement(L"a", L"urn:a"));
    try {
        e->SetNamespaceRestrictions(L"##local", L"urn:t");
        FAIL() << "no exception";
    } catch (CNyInvalidNamespaceException& ex) {
        EXPECT_EQ(L"The namespace urn:a in the class a is invalid against restriction ##local\n"
                  L"Invalid namespace [urn:a]. The namespace must be one of [##local] where the target namespace is "
                  L"[urn:t]",
                  ex.GetFullMessage());
    }
    EXPECT_EQ(L"urn:a", e->GetNamespaceRestriction());
    e->SetNamespaceRestrictions(L"##other", L"urn:t");
    EXPECT_EQ(L"##other", e->GetNamespaceRestriction());
}

TEST(CAttributeCol, NamespaceFromRestriction) {
    CSmartPtr<CAttributeCol> uris(new CAttributeCol(L"", L"urn:a urn:b", L""));
    EXPECT_EQ(L"urn:a", uris->GetNamespace());
    EXPECT_EQ(L"urn:a", uris->Add(L"x", L"1")->GetNamespaceURI());
    CSmartPtr<CAttributeCol> any(new CAttributeCol(L"", L"##any", L""));
    EXPECT_EQ(L"", any->GetNamespace());
    CSmartPtr<CAttributeCol> shortToken(new CAttributeCol(L"", L"u", L""));
    EXPECT_EQ(L"", shortToken->GetNamespace());
    CSmartPtr<CAttributeCol> given(new CAttributeCol(L"urn:g", L"urn:a", L""));
    EXPECT_EQ(L"urn:g", given->GetNamespace());
}

TEST(CAttributeCol, CopiesKeepTheirTextsWhenTheOriginalGoes) {
    // Short texts are shared by the process, long ones held by each object: a
    // copy must hold its own, not point into the original (the sanitizer build
    // reads freed memory otherwise).
    const std::wstring longUri = L"urn:" + std::wstring(200, L'l');
    for (const std::wstring& uri : {std::wstring(L"urn:short"), longUri}) {
        SCOPED_TRACE(uri.size());
        CAttributeCol* original = new CAttributeCol(uri.c_str(), (uri + L" urn:b").c_str(), uri.c_str());
        original->AddRef();
        CSmartPtr<CAttributeCol> copy(new CAttributeCol(*original));
        CSmartPtr<CAttributeCol> assigned(new CAttributeCol(L"", L"##any", L""));
        *assigned = *original;
        original->Release();
        for (CAttributeCol* kept : {copy.Get(), assigned.Get()}) {
            EXPECT_EQ(uri, kept->GetNamespace());
            EXPECT_EQ(uri + L" urn:b", kept->GetNamespaceRestriction());
            EXPECT_EQ(uri, kept->Add(L"x", L"1")->GetNamespaceURI());
        }
    }
}

TEST(CAttributeCol, AddChecksTheRestriction) {
    CSmartPtr<CAttributeCol> col(new CAttributeCol(L"", L"urn:a", L"urn:t"));
    EXPECT_NY_THROW(col->Add(L"x", L"1", L"urn:b"), CNyInvalidNamespaceException,
                    L"Invalid namespace [urn:b]. The namespace must be one of [urn:a] where the target namespace is "
                    L"[urn:t]");
    EXPECT_EQ(0, col->GetCount());
    col->Add(L"y");
    EXPECT_EQ(L"", col->Item(0)->GetValue());
    EXPECT_NY_THROW(col->Item(1), CNyInvalidParamException, L"Index 1 is out of range, use 0 - 0");
}

TEST(CAttribute, ReadingAloneIsRefused) {
    CSmartPtr<CAttributeCol> col(new CAttributeCol(L"", L"##any", L""));
    CSmartPtr<CAttribute> a = col->Add(L"n", L"v");
    EXPECT_NY_THROW(a->FromXml(L"<x/>"), CNyException, L"This should be done by the collection");
    CSmartPtr<CAttribute> clone = a->Clone();
    EXPECT_EQ(L"n", clone->GetName());
    EXPECT_EQ(L"v", clone->GetValue());
}

TEST(CElementCol, AddForms) {
    CSmartPtr<CElementCol> noNamespace(new CElementCol(L"", L"##any", L""));
    EXPECT_NY_THROW(noNamespace->Add(L"a"), CNyInvalidStateException,
                    L"A Namespace has not been set for this Collection");
    CSmartPtr<CElementCol> col(new CElementCol(L"urn:e", L"##any", L"urn:t"));
    EXPECT_EQ(L"urn:e", col->Add(L"a")->GetNamespaceURI());
    EXPECT_EQ(L"urn:x", col->Add(L"b", L"urn:x")->GetNamespaceURI());
    EXPECT_EQ(2, col->GetCount());
    EXPECT_EQ(L"urn:t", col->GetNamespace());
}

// Untyped elements nested to any depth: read, copied, written, emptied and
// released without recursion on the depth.
namespace {

// Far deeper than recursion over the levels could go on an 8 MiB stack.
const int kDepth = 100000;

std::wstring Nested(int depth) {
    std::wstring xml;
    for (int i = 0; i < depth; ++i) xml += L"<a k=\"v\">";
    xml += L"x";
    for (int i = 0; i < depth; ++i) xml += L"</a>";
    return xml;
}

int Depth(CElement* e) {
    int depth = 0;
    CSmartPtr<CElement> current(e);
    while (current) {
        ++depth;
        CSmartPtr<CElementCol> children = current->GetChildElements();
        current = children->GetCount() ? children->Item(0).Get() : nullptr;
    }
    return depth;
}

}  // namespace

TEST(DeepUntyped, ReadCloneWriteAndReleaseAHundredThousandLevels) {
    const std::wstring xml = Nested(kDepth);
    CSmartPtr<CElement> root(new CElement(L"a"));
    root->FromXml(xml.c_str());
    EXPECT_EQ(kDepth, Depth(root));
    CSmartPtr<CElement> copy = root->Clone();
    root = nullptr;
    EXPECT_EQ(kDepth, Depth(copy));
    EXPECT_TRUE(xml == copy->ToXml(false, false, EOL_LF));
    // The copy of an element made from a bindable object copies its whole tree.
    CSmartPtr<CElement> fromObject(new CElement(copy.Get(), L""));
    EXPECT_EQ(kDepth, Depth(fromObject));
    // Emptying the children of the root releases the whole chain below it.
    copy->GetChildElements()->Clear();
    EXPECT_EQ(L"<a k=\"v\"/>", copy->ToXml(false, false, EOL_LF));
}

TEST(DeepUntyped, BuiltByTheApplicationAndReleased) {
    CSmartPtr<CElement> root(new CElement(L"r", L"urn:r"));
    CSmartPtr<CElement> current = root;
    for (int i = 0; i < kDepth; ++i) current = current->GetChildElements()->Add(L"c");
    current->SetText(L"end");
    EXPECT_EQ(kDepth + 1, Depth(root));
}

// Round trips of XML documents that other packages install: each is loaded
// into an untyped element, written back, and both files are described by an
// independent parser (Python's ElementTree, tests/tools/xml_view.py). Element
// names, namespaces, attributes and non-whitespace text must agree. A file
// that is absent on this machine is skipped.
// Comments and processing instructions are not part of the comparison: the
// untyped model does not keep them.
namespace {

const char* const kPatterns[] = {
    "/etc/fonts/fonts.conf",
    "/usr/share/fontconfig/conf.avail/*.conf",
    "/usr/share/dbus-1/*.conf",
    "/usr/share/dbus-1/interfaces/*.xml",
    "/usr/share/polkit-1/actions/*.policy",
    "/usr/share/mime/packages/*.xml",
    "/usr/share/icons/*/scalable/*/*.svg",
    "/usr/share/doc/*/*.svg",
    "/usr/share/metainfo/*.xml",
    "/usr/share/xml/iso-codes/iso_3166-1.xml",
    "/usr/share/xml/iso-codes/iso_4217.xml",
    "/usr/share/X11/xkb/rules/evdev.xml",
    "/usr/share/cmake-*/Templates/MSBuild/*.xml",
    "/usr/share/maven-repo/org/apache/*/*/*-site.xml",
};
const size_t kMaxPerPattern = 6;

std::vector<std::string> CandidateFiles() {
    std::vector<std::string> files;
    for (const char* pattern : kPatterns) {
        glob_t g;
        if (glob(pattern, 0, nullptr, &g) == 0) {
            for (size_t i = 0, taken = 0; i < g.gl_pathc && taken < kMaxPerPattern; ++i) {
                struct stat st;
                if (stat(g.gl_pathv[i], &st) == 0 && S_ISREG(st.st_mode) && st.st_size < (8 << 20)) {
                    files.push_back(g.gl_pathv[i]);
                    ++taken;
                }
            }
        }
        globfree(&g);
    }
    return files;
}

// Runs the view script over the files; returns path -> view ("" when Python
// could not read the file).
std::map<std::string, std::string> Views(const std::vector<std::string>& files) {
    std::string cmd = "python3 '" NYXML_SOURCE_DIR "/tests/tools/xml_view.py'";
    for (const std::string& f : files) cmd += " '" + f + "'";
    std::map<std::string, std::string> views;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return views;
    std::string all;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) all.append(buf, n);
    pclose(p);
    std::string current;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(pos, end - pos);
        pos = end + 1;
        if (line.compare(0, 4, "=== ") == 0) {
            current = line.substr(4);
            views[current];
        } else if (line.compare(0, 4, "!!! ") == 0) {
            views[current] = "";
        } else {
            views[current] += line + "\n";
        }
    }
    return views;
}

bool HavePython() { return std::system("python3 -c 'import xml.dom.minidom' > /dev/null 2>&1") == 0; }

}  // namespace

TEST(RealDocuments, UntypedRoundTripKeepsNamesAttributesAndText) {
    if (!HavePython()) GTEST_SKIP() << "python3 is not available";
    std::vector<std::string> files = CandidateFiles();
    if (files.empty()) GTEST_SKIP() << "none of the sample documents is installed here";
    std::map<std::string, std::string> originals = Views(files);

    TempDir dir;
    std::vector<std::string> outputs;
    std::map<std::string, std::string> sourceOf;
    int index = 0;
    for (const std::string& f : files) {
        if (originals[f].empty()) continue;  // not well-formed for the independent parser either
        SCOPED_TRACE(f);
        CSmartPtr<CElement> e(new CElement(L"root"));
        std::wstring wide(f.begin(), f.end());
        ASSERT_NO_THROW(e->FromXmlFile(wide.c_str(), CXmlSerializationContext::GetDefaultContext()));
        std::string out = dir.Path("out" + std::to_string(index++) + ".xml");
        std::wstring wideOut(out.begin(), out.end());
        e->ToXmlFile(wideOut.c_str(), true, false, XmlEncoding_UTF8, EOL_LF,
                     CXmlSerializationContext::GetDefaultContext(), Compression_None);
        outputs.push_back(out);
        sourceOf[out] = f;
    }
    ASSERT_FALSE(outputs.empty());
    std::map<std::string, std::string> rewritten = Views(outputs);
    for (const std::string& out : outputs) {
        // Reports the first line that differs: a whole-document diff of large
        // files would take minutes.
        const std::string& a = originals[sourceOf[out]];
        const std::string& b = rewritten[out];
        if (a == b) continue;
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
        size_t line = a.rfind('\n', at == 0 ? 0 : at - 1);
        line = line == std::string::npos ? 0 : line + 1;
        ADD_FAILURE() << sourceOf[out] << " differs after the round trip:\n  original: "
                      << a.substr(line, a.find('\n', line) - line) << "\n  rewritten: "
                      << b.substr(line, b.find('\n', line) - line);
    }
    std::printf("round-tripped %zu documents\n", outputs.size());
}
