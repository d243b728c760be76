#include <nyxml/document.h>

#include "TestSupport.h"
#include "TreeDump.h"
#include "document/ExpatReader.h"
#include "document/TreeAccess.h"
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include "document/ElementArena.h"
#include <sys/mman.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

using namespace NyXmlLib9;
using nyxml_test::DumpTree;
using nyxml_test::Utf8;

namespace {

// A root element holding `count` copies of `item`.
std::string Items(int count, const char* item) {
    std::string xml = "<r>";
    for (int i = 0; i < count; ++i) xml += item;
    return xml + "</r>";
}

const CXmlElement* Child(const CXmlElement* e, int index) {
    const CXmlElement* c = e->GetFirstElement();
    while (c && index-- > 0) c = c->GetNextSiblingElement();
    return c;
}

}  // namespace

// Loads documents and compares their trees: text, line ends, references,
// comments, attribute order, namespaces, CDATA and UTF-8 input.
TEST(CXmlDocument, LoadedTrees) {
    struct Case {
        const char* xml;
        bool namespaces;
        bool stripCData;
        const wchar_t* tree;
    } cases[] = {
        {"<a>x<b/>y</a>", true, true, L"{}a[]\"xy\"({}b[]\"\"())"},
        // Carriage returns are dropped, as XML line-end handling does, also from references.
        {"<a>\r\n</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>&#13;&#10;</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>\r</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>&#13;\n</a>", true, true, L"{}a[]\"\n\"()"},
        {"<a>1&#13;2</a>", true, true, L"{}a[]\"12\"()"},
        {"<a>\n\t<b>\n\t\t<c/>\n\t</b>\n</a>", true, true, L"{}a[]\"\n\t\n\"({}b[]\"\n\t\t\n\t\"({}c[]\"\"()))"},
        {"<?xml version='1.0'?><!DOCTYPE a><!--c--><?pi x?><a>one<!-- two -->three<?p q?>four</a><!--e-->", true,
         true, L"{}a[]\"onethreefour\"()"},
        {"<a v='&lt;&amp;&#x41;&quot;'>&gt;&#65;&apos;</a>", true, true, L"{}a[{}v=<&A\";]\">A'\"()"},
        {"<a z='1' y='2' x='3'/>", true, true, L"{}a[{}z=1;{}y=2;{}x=3;]\"\"()"},
        // An unprefixed attribute has no namespace, whatever the default namespace.
        {"<p:a xmlns:p='urn:x' xmlns='urn:d' c='1' p:e='2'><b/><p:c/></p:a>", true, true,
         L"{urn:x}a[{}c=1;{urn:x}e=2;]\"\"({urn:d}b[]\"\"(){urn:x}c[]\"\"())"},
        {"<r xmlns='urn:d'><a xmlns=''/></r>", true, true, L"{urn:d}r[]\"\"({}a[]\"\"())"},
        {"<p:a xmlns:p='urn:x' p:c='1'/>", false, true, L"{}p:a[{}xmlns:p=urn:x;{}p:c=1;]\"\"()"},
        {"<a>x<![CDATA[a<b]]>y</a>", true, true, L"{}a[]\"xa<by\"()"},
        {"<a>x<![CDATA[a<b\r\n]]>y<![CDATA[]]></a>", true, false, L"{}a[]\"x<![CDATA[a<b\n]]>y<![CDATA[]]>\"()"},
        {"<a>caf\xc3\xa9 \xf0\x9f\x98\x80</a>", true, true, L"{}a[]\"caf\u00e9 \xD83D\xDE00\"()"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        CXmlSerializationContext context;
        if (!c.namespaces) context.SetSchemaType(SchemaType_NoNamespaces);
        context.SetStripCDATA(c.stripCData);
        CXmlDocument d(context);
        d.LoadXml(c.xml);
        EXPECT_EQ(c.tree, DumpTree(d.GetDocumentElement()));
        EXPECT_EQ(&d, d.GetDocumentElement()->GetDocument());
    }
}

TEST(CXmlDocument, AliasMapIsLastWinsAndGoesWithTheTree) {
    CXmlDocument d;
    EXPECT_EQ(nullptr, d.GetDocumentElement());
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
    d.LoadXml("<r xmlns='urn:d'><a xmlns:p='urn:first'><p:x/></a><b xmlns:p='urn:second'/><c xmlns:p='urn:third'/></r>");
    EXPECT_EQ(L"urn:third", d.LookupNamespaceFromAlias(L"p"));
    EXPECT_EQ(L"urn:d", d.LookupNamespaceFromAlias(L""));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"q"));
    // Undeclaring the default namespace records an empty URI.
    d.LoadXml("<r xmlns='urn:d'><a xmlns=''/></r>");
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L""));
    // A reload releases the earlier tree and its aliases; a failed load leaves nothing of it.
    d.LoadXml("<c/>");
    EXPECT_EQ(L"{}c[]\"\"()", DumpTree(d.GetDocumentElement()));
    EXPECT_EQ(L"", d.LookupNamespaceFromAlias(L"p"));
    EXPECT_THROW(d.LoadXml("<x>"), CNyException);
    d.LoadXml("<d/>");
    EXPECT_EQ(L"d", d.GetDocumentElement()->GetLocalName());
}

// Text arrives in pieces (around references, children and CDATA markers, and
// at the ends of the parser's buffers); each element gets all of its own, in
// order, whether short or long.
TEST(CXmlDocument, TextInManyPiecesGoesToItsOwnElement) {
    for (size_t length : {size_t(5), size_t(20000), size_t(70000)}) {
        SCOPED_TRACE(length);
        std::string a(length, 'a'), b(length, 'b');
        std::string xml = "<r>" + a + "&amp;<x>" + b + "&lt;" + a + "</x>" + b + "\r\n<y/><z>" + a + "</z>&#x4E2D;" +
                          "<![CDATA[" + b + "]]></r>";
        for (bool strip : {true, false}) {
            SCOPED_TRACE(strip);
            CXmlSerializationContext context;
            context.SetStripCDATA(strip);
            CXmlDocument d(context);
            d.LoadXml(xml.c_str());
            const CXmlElement* r = d.GetDocumentElement();
            ASSERT_NE(nullptr, r);
            std::wstring wa(length, L'a'), wb(length, L'b');
            std::wstring cdata = strip ? wb : L"<![CDATA[" + wb + L"]]>";
            EXPECT_TRUE(r->GetText() == wa + L"&" + wb + L"\n\x4E2D" + cdata);
            EXPECT_TRUE(Child(r, 0)->GetText() == wb + L"<" + wa);
            EXPECT_EQ(L"", Child(r, 1)->GetText());
            EXPECT_TRUE(Child(r, 2)->GetText() == wa);
        }
    }
}

// The string GetText makes is made once for all readers and follows changes.
TEST(CXmlDocument, TextStringIsSharedByReadersAndFollowsChanges) {
    CXmlDocument d;
    d.LoadXml("<r>abcdefgh</r>");
    CXmlElement* r = d.GetDocumentElement();
    std::atomic<int> same{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) readers.emplace_back([&] { same += &r->GetText() == &r->GetText() && r->GetText() == L"abcdefgh"; });
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(4, same.load());
    CXmlTreeAccess::AppendText(r, L"\x4E2D", 1);
    EXPECT_EQ(L"abcdefgh\x4E2D", r->GetText());
}

// Values read from a document lie in their element's block: the list and
// the strings are made once for all readers, an attribute added later joins
// the list, and a copy keeps its value after the document is gone.
TEST(CXmlAttribute, ValuesInTheElementBlock) {
    std::unique_ptr<CXmlAttribute> copy;
    {
        CXmlDocument d;
        d.LoadXml("<r a='first value' b='' c='x'/>");
        CXmlElement* r = d.GetDocumentElement();
        std::atomic<int> same{0};
        std::vector<std::thread> readers;
        for (int i = 0; i < 4; ++i)
            readers.emplace_back([&] {
                const auto& list = r->GetAttributes();
                same += &list == &r->GetAttributes() && &list[0]->GetValue() == &list[0]->GetValue() &&
                        list[0]->GetValue() == L"first value";
            });
        for (std::thread& t : readers) t.join();
        EXPECT_EQ(4, same.load());
        CXmlTreeAccess::AddAttribute(r, L"d", L"added", L"urn:d");
        const auto& attrs = r->GetAttributes();
        ASSERT_EQ(4u, attrs.size());
        EXPECT_EQ(L"", attrs[1]->GetValue());
        EXPECT_EQ(L"x", r->GetAttribute(L"c", L""));
        EXPECT_EQ(L"added", r->GetAttribute(L"d", L"urn:d"));
        copy.reset(new CXmlAttribute(*attrs[3]));
        *copy = *attrs[0];
    }
    EXPECT_EQ(L"a", copy->GetLocalName());
    EXPECT_EQ(L"first value", copy->GetValue());
}

TEST(CXmlAttribute, NamespaceAndNilAttributes) {
    CXmlDocument d;
    d.LoadXml(
        "<a xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:type='t' xsi:nil='true'"
        " xsi:schemaLocation='s' xsi:noNamespaceSchemaLocation='n' xsi:other='o' type='plain' nil='x'"
        " xmlns:q='urn:q' q:type='q'/>");
    struct Expect {
        const wchar_t* name;
        const wchar_t* ns;
        bool namespaceAttribute;
        bool nilAttribute;
    } expected[] = {
        {L"type", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"nil", L"http://www.w3.org/2001/XMLSchema-instance", false, true},
        {L"schemaLocation", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"noNamespaceSchemaLocation", L"http://www.w3.org/2001/XMLSchema-instance", true, false},
        {L"other", L"http://www.w3.org/2001/XMLSchema-instance", false, false},
        {L"type", L"", false, false},
        {L"nil", L"", false, false},
        {L"type", L"urn:q", false, false},
    };
    const auto& attrs = d.GetDocumentElement()->GetAttributes();
    ASSERT_EQ(8u, attrs.size());
    for (size_t i = 0; i < attrs.size(); ++i) {
        SCOPED_TRACE(Utf8(attrs[i]->GetLocalName()));
        EXPECT_EQ(expected[i].name, attrs[i]->GetLocalName());
        EXPECT_EQ(expected[i].ns, attrs[i]->GetNamespaceURI());
        EXPECT_EQ(expected[i].namespaceAttribute, attrs[i]->IsNamespaceAttribute());
        EXPECT_EQ(expected[i].nilAttribute, attrs[i]->IsNilAttribute());
    }
}

TEST(CXmlDocument, WideStringAboveBmpIsAccepted) {
    std::wstring xml = L"<a>";
    xml += static_cast<wchar_t>(0x1F600);  // an astral literal as Linux stores it
    xml += static_cast<wchar_t>(0xD83D);   // and the same character as a surrogate pair
    xml += static_cast<wchar_t>(0xDE00);
    xml += L"</a>";
    CXmlDocument d;
    d.LoadXml(xml.c_str());
    std::wstring expected = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                             static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(expected, d.GetDocumentElement()->GetText());
}

TEST(CXmlDocumentErrors, EmptyInputs) {
    CXmlDocument d;
    EXPECT_NY_THROW(d.LoadXml(""), CNyException, L"XML String is empty!");
    EXPECT_NY_THROW(d.LoadXml(static_cast<const char*>(nullptr)), CNyException, L"XML String is empty!");
    unsigned char byte = '<';
    EXPECT_NY_THROW(d.LoadXmlStream(&byte, 0), CNyException, L"XML Stream is empty!");
    // An empty wide string still makes a buffer: the byte order mark alone.
    EXPECT_NY_THROW(d.LoadXml(L""), CNyException, L"no element found at line 1");
}

TEST(CXmlDocumentErrors, ExpatMessagesWithLineNumbers) {
    struct Case {
        const char* xml;
        const wchar_t* message;
    } cases[] = {
        {"<a>", L"no element found at line 1"},
        {"<a>\n<b>\n</a>", L"mismatched tag at line 3"},
        {"<a>\n</a>\n<b/>", L"junk after document element at line 3"},
        {"<a b='1' b='2'/>", L"duplicate attribute at line 1"},
        {"<a><</a>", L"not well-formed (invalid token) at line 1"},
        {"<p:a/>", L"unbound prefix at line 1"},
        {"   \n\n  ", L"no element found at line 3"},
        {"<?xml version='1.0' encoding='no-such-encoding'?><a/>", L"unknown encoding at line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        CXmlDocument d;
        EXPECT_NY_THROW(d.LoadXml(c.xml), CNyException, c.message);
    }
}

TEST(CXmlDocumentErrors, EveryTruncationFailsCleanly) {
    const std::string xml =
        "<?xml version='1.0'?>\n<r xmlns='urn:r' xmlns:p='urn:p'>\n<p:a x='1'>t&amp;u</p:a><![CDATA[c]]><b/></r>";
    for (size_t n = 1; n < xml.size(); ++n) {
        SCOPED_TRACE(n);
        std::string prefix = xml.substr(0, n);
        CXmlDocument d;
        EXPECT_THROW(d.LoadXml(prefix.c_str()), CNyException);
    }
    CXmlDocument d;
    EXPECT_NO_THROW(d.LoadXml(xml.c_str()));
}

// Feeds documents to the text reader in many chunk sizes and expects the same
// tree as a single-chunk parse.
namespace {

const char* const kDocuments[] = {
    "<?xml version='1.0' encoding='UTF-8'?>\n<r xmlns='urn:r' xmlns:p='urn:p' a='1'>\r\n"
    "  <p:x p:y='&lt;v&gt;'>caf\xc3\xa9 \xf0\x9f\x98\x80 &amp; &#x20AC;</p:x>\r\n"
    "  <![CDATA[raw <text>]]><!-- c --><?pi data?>\n  <e/>tail</r>",
    "<a>" "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac" "<b c='&#13;&#10;'>\r\r\n</b></a>",
};

std::wstring ParseInChunks(const std::string& xml, size_t chunk) {
    CXmlDocument d;
    CExpatReader reader(&d);
    reader.Initialise();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(xml.data());
    size_t left = xml.size();
    while (left > chunk) {
        reader.ParseBytes(p, static_cast<uint32_t>(chunk), false);
        p += chunk;
        left -= chunk;
    }
    reader.ParseBytes(p, static_cast<uint32_t>(left), true);
    return DumpTree(d.GetDocumentElement());
}

}  // namespace

TEST(ChunkedParse, EveryChunkSizeGivesTheSameTree) {
    for (const char* doc : kDocuments) {
        std::string xml = doc;
        CXmlDocument whole;
        whole.LoadXml(xml.c_str());
        std::wstring expected = DumpTree(whole.GetDocumentElement());
        for (size_t chunk = 1; chunk <= xml.size(); ++chunk) {
            SCOPED_TRACE(chunk);
            EXPECT_EQ(expected, ParseInChunks(xml, chunk));
        }
    }
}

TEST(ChunkedParse, ErrorInLaterChunkKeepsLineNumber) {
    CXmlDocument d;
    CExpatReader reader(&d);
    reader.Initialise();
    std::string first = "<a>\n<b>\n";
    std::string second = "</c>";
    reader.ParseBytes(reinterpret_cast<const unsigned char*>(first.data()), static_cast<uint32_t>(first.size()), false);
    EXPECT_NY_THROW(reader.ParseBytes(reinterpret_cast<const unsigned char*>(second.data()),
                                      static_cast<uint32_t>(second.size()), true),
                    CNyException, L"mismatched tag at line 3");
}

TEST(AppendTextExcludingCR, StopsAtLengthOrNul) {
    CXmlDocument d;
    d.LoadXml("<a/>");
    CXmlElement* a = d.GetDocumentElement();
    CXmlTreeAccess::AppendTextExcludingCR(a, L"ab\rc\r", 5);
    EXPECT_EQ(L"abc", a->GetText());
    CXmlTreeAccess::AppendTextExcludingCR(a, L"de", 1);
    EXPECT_EQ(L"abcd", a->GetText());
    const wchar_t withNul[] = {L'x', 0, L'y'};
    CXmlTreeAccess::AppendTextExcludingCR(a, withNul, 3);
    EXPECT_EQ(L"abcdx", a->GetText());
    // Many small pieces accumulate without a capacity out of proportion.
    for (int i = 0; i < 100000; ++i) CXmlTreeAccess::AppendText(a, L"xy", 2);
    EXPECT_EQ(200005u, a->GetText().size());
    EXPECT_LE(a->GetText().capacity(), 4 * a->GetText().size());
}

TEST(TreeBuilding, RemoveLastChildElement) {
    CXmlDocument d;
    d.LoadXml("<r><a/><b/><c/></r>");
    CXmlElement* r = d.GetDocumentElement();
    CXmlElement* c = CXmlTreeAccess::RemoveLastChildElement(r);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(L"c", c->GetLocalName());
    EXPECT_EQ(nullptr, c->GetNextSiblingElement());
    delete c;
    delete CXmlTreeAccess::RemoveLastChildElement(r);
    delete CXmlTreeAccess::RemoveLastChildElement(r);
    EXPECT_EQ(nullptr, CXmlTreeAccess::RemoveLastChildElement(r));
    EXPECT_EQ(nullptr, r->GetFirstElement());
    // Children can be appended again afterwards.
    CXmlElement* n = CXmlTreeAccess::CreateNewChildElement(r);
    CXmlTreeAccess::SetElementName(n, L"n");
    EXPECT_EQ(L"{}r[]\"\"({}n[]\"\"())", DumpTree(r));
}

namespace {

std::vector<std::wstring> g_seen;

bool DiscardItems(CXmlElement* e) {
    g_seen.push_back(e->GetLocalName());
    return e->GetLocalName() == L"item";
}

bool DiscardEverything(CXmlElement* e) {
    g_seen.push_back(DumpTree(e));
    return true;
}

}  // namespace

TEST(ElementCallback, MillionDiscardedItemsLeaveEmptyRoot) {
    const std::string xml = Items(1000000, "<item/>");
    g_seen.clear();
    CXmlDocument d(&DiscardItems);
    d.LoadXml(xml.c_str());
    ASSERT_NE(nullptr, d.GetDocumentElement());
    EXPECT_EQ(nullptr, d.GetDocumentElement()->GetFirstElement());
    EXPECT_EQ(1000001u, g_seen.size());
    EXPECT_EQ(L"r", g_seen.back());
}

TEST(ElementCallback, SeesCompleteElementsInEndOrder) {
    g_seen.clear();
    CXmlDocument d(&DiscardEverything);
    d.LoadXml("<r><a x='1'>t<b/>u</a><c/></r>");
    ASSERT_EQ(4u, g_seen.size());
    EXPECT_EQ(L"{}b[]\"\"()", g_seen[0]);
    EXPECT_EQ(L"{}a[{}x=1;]\"tu\"()", g_seen[1]);  // b was already discarded
    EXPECT_EQ(L"{}c[]\"\"()", g_seen[2]);
    EXPECT_EQ(L"{}r[]\"\"()", g_seen[3]);
    // The document element always stays, whatever the callback answers.
    EXPECT_EQ(L"{}r[]\"\"()", DumpTree(d.GetDocumentElement()));
}

// Elements carry their attributes in their own allocation: discarded ones
// with attributes (and with more than the reader could pool) are freed whole,
// kept ones keep every attribute.
TEST(ElementCallback, DiscardedAndKeptElementsWithAttributes) {
    g_seen.clear();
    CXmlDocument d(&DiscardItems);
    std::string xml = "<r a='1' b='2'>";
    for (int i = 0; i < 2000; ++i) {
        std::string n = std::to_string(i);
        xml += "<item x='" + n + "' y='" + n + "' z" + n + "='v'/><keep k" + n + "='" + n + "' m='m'/>";
    }
    xml += "</r>";
    d.LoadXml(xml.c_str());
    const CXmlElement* r = d.GetDocumentElement();
    ASSERT_EQ(2u, r->GetAttributes().size());
    EXPECT_EQ(L"2", r->GetAttribute(L"b", L""));
    int kept = 0;
    for (const CXmlElement* c = r->GetFirstElement(); c; c = c->GetNextSiblingElement(), ++kept) {
        ASSERT_EQ(L"keep", c->GetLocalName());
        ASSERT_EQ(2u, c->GetAttributes().size());
        std::wstring n = std::to_wstring(kept);
        EXPECT_EQ(n, c->GetAttribute(L"k" + n, L""));
        EXPECT_EQ(L"m", c->GetAttributes()[1]->GetValue());
    }
    EXPECT_EQ(2000, kept);
}

namespace {

// Holds an arena for one test and lets go of it at the end.
struct ArenaHolder {
    CElementArena* arena = CElementArena::Create();
    ~ArenaHolder() { arena->ReleaseOwner(); }
};

}  // namespace

TEST(CElementArena, WhenEverythingIsBackTheSlabsAreReusedFromTheStart) {
    ArenaHolder holder;
    std::vector<void*> blocks;
    // Far more than the first slab: several slabs, the later ones mapped.
    for (int i = 0; i < 40000; ++i) blocks.push_back(holder.arena->Allocate(144 + 64 * (i % 4)));
    size_t reserved = holder.arena->GetReservedBytes();
    EXPECT_GE(reserved, size_t(40000) * 240);
    void* first = blocks.front();
    for (void* block : blocks) CElementArena::Free(block);
    EXPECT_EQ(0u, holder.arena->GetLiveBlocks());
    EXPECT_EQ(reserved, holder.arena->GetReservedBytes());
    blocks.clear();
    for (int i = 0; i < 40000; ++i) blocks.push_back(holder.arena->Allocate(144 + 64 * (i % 4)));
    EXPECT_EQ(first, blocks.front());
    EXPECT_EQ(reserved, holder.arena->GetReservedBytes());
    for (void* block : blocks) CElementArena::Free(block);
}

TEST(CElementArena, LargeAndUnownedBlocksComeFromTheHeap) {
    ArenaHolder holder;
    void* large = holder.arena->Allocate(CElementArena::kLargestBlock + 1);
    EXPECT_EQ(0u, holder.arena->GetLiveBlocks());
    EXPECT_EQ(0u, holder.arena->GetReservedBytes());
    std::memset(large, 1, CElementArena::kLargestBlock + 1);
    void* unowned = CElementArena::AllocateUnowned(10);
    std::memset(unowned, 2, 10);
    CElementArena::Free(large);
    CElementArena::Free(unowned);
    CElementArena::Free(nullptr);
}

TEST(CElementArena, LivesOnUntilItsLastBlockIsBack) {
    CElementArena* arena = CElementArena::Create();
    auto* block = static_cast<unsigned char*>(arena->Allocate(64));
    std::memset(block, 7, 64);
    arena->ReleaseOwner();
    // The block is still the arena's (the address sanitizer would see a use
    // after free otherwise); giving it back frees the arena.
    EXPECT_EQ(7, block[63]);
    CElementArena::Free(block);
}

TEST(CElementArena, AnImpossibleSizeIsRefused) {
    EXPECT_THROW(CElementArena::AllocateUnowned(SIZE_MAX - 4), std::bad_alloc);
}

TEST(ElementArenaOfDocument, AnElementTakenOutMayOutliveItsDocument) {
    CXmlElement* taken;
    {
        CXmlDocument d;
        d.LoadXml("<r><a x=\"1\">first</a><b y=\"2\" z=\"3\">second<c/></b></r>");
        taken = CXmlTreeAccess::RemoveLastChildElement(d.GetDocumentElement());
        ASSERT_NE(nullptr, taken);
    }
    EXPECT_EQ(L"second", taken->GetText());
    ASSERT_EQ(2u, taken->GetAttributes().size());
    EXPECT_EQ(L"3", taken->GetAttributes()[1]->GetValue());
    ASSERT_NE(nullptr, taken->GetFirstElement());
    delete taken;
}

// A tree goes with its arena whole only while nothing of it is outside the
// arena; whatever a test does here is freed with the tree either way (the
// leak and address sanitizers check that).
TEST(ElementArenaOfDocument, ATreeGoesWholeOnlyWhileItHoldsNothingOutside) {
    const char* xml = "<r a=\"1\"><e b=\"2\">text</e><f/></r>";
    struct Case {
        const char* what;
        void (*touch)(CXmlDocument&);
        bool alone;
    } cases[] = {
        {"nothing", [](CXmlDocument&) {}, true},
        {"text read in scratch", [](CXmlDocument& d) { CXmlTreeAccess::TextInScratch(d.GetDocumentElement()->GetFirstElement()); }, true},
        {"text string", [](CXmlDocument& d) { d.GetDocumentElement()->GetFirstElement()->GetText(); }, false},
        {"attribute list", [](CXmlDocument& d) { d.GetDocumentElement()->GetAttributes(); }, false},
        {"attribute value", [](CXmlDocument& d) { CXmlTreeAccess::Attribute(d.GetDocumentElement(), 0)->GetValue(); }, false},
        {"attribute added", [](CXmlDocument& d) { CXmlTreeAccess::AddAttribute(d.GetDocumentElement(), L"c", L"3", L""); }, false},
        {"element renamed, the name pooled", [](CXmlDocument& d) { CXmlTreeAccess::SetElementName(d.GetDocumentElement(), L"s"); }, true},
        {"element taken out", [](CXmlDocument& d) { delete CXmlTreeAccess::RemoveLastChildElement(d.GetDocumentElement()); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CXmlDocument d;
        d.LoadXml(xml);
        EXPECT_TRUE(CXmlTreeAccess::Arena(&d).HoldsItsTreeAlone());
        c.touch(d);
        EXPECT_EQ(c.alone, CXmlTreeAccess::Arena(&d).HoldsItsTreeAlone());
        d.LoadXml(xml);
        EXPECT_EQ(L"text", d.GetDocumentElement()->GetFirstElement()->GetText());
    }
}

// An element taken out and kept makes every later tree of its document go
// element by element, however many loads follow: the arena is not its tree's
// alone while the element lives.
TEST(ElementArenaOfDocument, AnElementKeptOutlivesLaterTrees) {
    CXmlDocument d;
    d.LoadXml("<r><a>kept</a></r>");
    CXmlElement* taken = CXmlTreeAccess::RemoveLastChildElement(d.GetDocumentElement());
    for (int i = 0; i < 3; ++i) {
        d.LoadXml("<r><b>next</b></r>");
        EXPECT_FALSE(CXmlTreeAccess::Arena(&d).HoldsItsTreeAlone());
    }
    EXPECT_EQ(L"kept", taken->GetText());
    delete taken;
    d.LoadXml("<r/>");
    EXPECT_TRUE(CXmlTreeAccess::Arena(&d).HoldsItsTreeAlone());
}

TEST(CElementArena, AUseAfterFreeIsStillSeenByTheAddressSanitizer) {
#if defined(__SANITIZE_ADDRESS__)
    ArenaHolder holder;
    void* kept = holder.arena->Allocate(100);  // keeps the arena from rewinding
    auto* block = static_cast<volatile unsigned char*>(holder.arena->Allocate(100));
    block[0] = 1;
    CElementArena::Free(const_cast<unsigned char*>(block));
    EXPECT_DEATH(block[0] = 2, "use-after-poison");
    CElementArena::Free(kept);
#else
    GTEST_SKIP() << "built without the address sanitizer";
#endif
}

TEST(ElementArenaOfDocument, LargeDocumentsOnSeveralThreadsPassKeptSlabsAround) {
    // Each tree needs mapped slabs; documents made and destroyed on two
    // threads at once hand them to each other through the process's kept slabs.
    const std::string xml = Items(30000, "<item a=\"1\" b=\"2\"><x/>text</item>");
    auto loadSeveralTimes = [&xml](size_t& elements) {
        for (int round = 0; round < 4; ++round) {
            CXmlDocument d;
            d.LoadXml(xml.c_str());
            EXPECT_GT(CXmlTreeAccess::Arena(&d).GetReservedBytes(), size_t(4) << 20);
            elements = 0;
            for (const CXmlElement* e = d.GetDocumentElement()->GetFirstElement(); e; e = e->GetNextSiblingElement())
                elements += 1 + (e->GetFirstElement() ? 1 : 0);
        }
    };
    size_t here = 0, there = 0;
    std::thread other([&] { loadSeveralTimes(there); });
    loadSeveralTimes(here);
    other.join();
    EXPECT_EQ(60000u, here);
    EXPECT_EQ(60000u, there);
}

namespace {

// KiB of this process's memory the system may take back at will, or -1 where
// it does not say.
long LazilyFreedKiB() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line))
        if (line.compare(0, 9, "LazyFree:") == 0) return std::atol(line.c_str() + 9);
    return -1;
}

// KiB of the lazily kept slabs that are not in memory: pages never written,
// and pages the system already took back (no longer counted as lazily freed).
size_t NotResidentKiB() {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t pages = 0;
    for (const auto& slab : CElementArena::GetLazilyKeptSlabs()) {
        std::vector<unsigned char> resident((slab.second + page - 1) / page);
        if (mincore(const_cast<void*>(slab.first), slab.second, resident.data()) != 0) return 0;
        for (unsigned char r : resident) pages += (r & 1) == 0;
    }
    return pages * (page / 1024);
}

}  // namespace

// Memory the process keeps after the last document is gone: a few MiB of
// element slabs as they are, the rest with pages the system may take back
// (reused by the next tree while it has not), all of it given back on request.
TEST(KeptMemory, AFewMiBReadyTheRestLazilyFreedAndAllGivenBack) {
    const std::string xml = Items(200000, "<item a=\"1\" b=\"2\"><x/>text</item>");
    const std::string other = Items(200000, "<other c=\"3\"><y/>more</other>");
    const size_t limit = size_t(4) << 20;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        size_t reserved;
        {
            CXmlDocument d;
            d.LoadXml(xml.c_str());  // a tree of tens of MiB in mapped slabs
            reserved = CXmlTreeAccess::Arena(&d).GetReservedBytes();
        }
        const size_t ready = CElementArena::GetKeptBytes(), lazy = CElementArena::GetLazilyKeptBytes();
        EXPECT_GT(ready, 0u);
        EXPECT_LE(ready, limit);
        EXPECT_GE(ready + lazy, reserved - (size_t(1) << 20));  // all but the small slabs of new[]
        // Every page of the lazily kept slabs is either lazily freed or not
        // in memory: never written (the end of the last slab), or already
        // taken back by a system short of memory. Pages kept as they are
        // would be neither.
        const long lazyKiB = LazilyFreedKiB();
        if (lazyKiB >= 0) {
            EXPECT_GT(lazy, size_t(40) << 20);
            EXPECT_GE(static_cast<size_t>(lazyKiB) + NotResidentKiB(), lazy / 1024);
        }
        {
            // The next tree takes the kept slabs, whatever their pages still hold.
            CXmlDocument d;
            d.LoadXml(other.c_str());
            EXPECT_LT(CElementArena::GetLazilyKeptBytes(), lazy);
            size_t elements = 0;
            for (const CXmlElement* e = d.GetDocumentElement()->GetFirstElement(); e; e = e->GetNextSiblingElement()) {
                ASSERT_EQ(L"other", e->GetLocalName());
                ASSERT_EQ(L"3", e->GetAttribute(L"c", L""));
                ASSERT_EQ(L"more", e->GetText());
                ASSERT_EQ(L"y", e->GetFirstElement()->GetLocalName());
                ++elements;
            }
            EXPECT_EQ(200000u, elements);
        }
        CXmlDocument::ReleaseKeptMemory();
        EXPECT_EQ(0u, CElementArena::GetKeptBytes());
        EXPECT_EQ(0u, CElementArena::GetLazilyKeptBytes());
    }
    // A document alive keeps its memory; the call does not touch it.
    CXmlDocument alive;
    alive.LoadXml(xml.c_str());
    CXmlDocument::ReleaseKeptMemory();
    EXPECT_EQ(L"item", alive.GetDocumentElement()->GetFirstElement()->GetLocalName());
}
