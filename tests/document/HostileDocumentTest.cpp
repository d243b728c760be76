// Documents built to hurt the reader: names built to collide, very many
// attributes and namespace declarations, huge names, entity expansion,
// invalid UTF-8 and compressed input that inflates a thousandfold. Each ends
// in a tree or in one exception, quickly.
#include <nyxml/document.h>

#include "TestSupport.h"

#include <zlib.h>

#include <chrono>
#include <functional>
#include <string>

using namespace NyXmlLib9;
using nyxml_test::Wide;

namespace {

// Distinct names of one length sharing their last sixteen characters.
std::string CollidingName(int i) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06d", i);
    return std::string("n") + digits + "abcdefghijklmnop";
}

std::string Repeat(int count, const std::function<std::string(int)>& part) {
    std::string out;
    for (int i = 0; i < count; ++i) out += part(i);
    return out;
}

std::string Gzip(const std::string& text) {
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, text.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string BillionLaughs() {
    std::string dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    std::string previous = "lol";
    for (int i = 1; i < 10; ++i) {
        std::string name = "lol" + std::to_string(i);
        dtd += "<!ENTITY " + name + " \"" + Repeat(10, [&](int) { return "&" + previous + ";"; }) + "\">\n";
        previous = name;
    }
    return dtd + "]>\n<lolz>&lol9;</lolz>\n";
}

struct Case {
    const char* name;
    std::string bytes;
    const wchar_t* error;  // null: the document loads
    std::function<void(const CXmlDocument&)> check;
};

}  // namespace

TEST(HostileDocument, EachInputEndsInATreeOrOneException) {
    const int kCollide = 20000, kAttributes = 100000, kDeclarations = 20000, kScopes = 5000;
    const size_t kLongName = 5u << 20, kInflated = 10u << 20;
    const Case cases[] = {
        {"colliding element names",
         "<r>" + Repeat(kCollide, [](int i) { return "<" + CollidingName(i) + "/>"; }) + "</r>", nullptr,
         [&](const CXmlDocument& d) {
             int i = 0;
             for (const CXmlElement* e = d.GetDocumentElement()->GetFirstElement(); e; e = e->GetNextSiblingElement())
                 if (e->GetLocalName() != Wide(CollidingName(i++))) ADD_FAILURE() << "element " << i;
             EXPECT_EQ(kCollide, i);
         }},
        {"colliding attribute names",
         "<r" + Repeat(kCollide, [](int i) { return " " + CollidingName(i) + "='" + std::to_string(i) + "'"; }) +
             "/>",
         nullptr,
         [&](const CXmlDocument& d) {
             const auto& attributes = d.GetDocumentElement()->GetAttributes();
             ASSERT_EQ(size_t(kCollide), attributes.size());
             for (int i = 0; i < kCollide; ++i)
                 if (attributes[i]->GetLocalName() != Wide(CollidingName(i)) ||
                     attributes[i]->GetValue() != std::to_wstring(i))
                     ADD_FAILURE() << "attribute " << i;
         }},
        {"100,000 attributes on one element",
         "<r" + Repeat(kAttributes, [](int i) { return " a" + std::to_string(i) + "='" + std::to_string(i) + "'"; }) +
             "/>",
         nullptr,
         [&](const CXmlDocument& d) {
             const CXmlElement* r = d.GetDocumentElement();
             EXPECT_EQ(size_t(kAttributes), r->GetAttributes().size());
             EXPECT_EQ(L"99999", r->GetAttribute(L"a99999", L""));
         }},
        {"a duplicate among 100,000 attributes",
         "<r" + Repeat(kAttributes, [](int i) { return " a" + std::to_string(i) + "='1'"; }) + " a77='2'/>",
         L"duplicate attribute at line 1", nullptr},
        {"a 5 MB element and attribute name",
         "<" + std::string(kLongName, 'e') + " " + std::string(kLongName, 'a') + "='v'/>", nullptr,
         [&](const CXmlDocument& d) {
             const CXmlElement* r = d.GetDocumentElement();
             EXPECT_EQ(kLongName, r->GetLocalName().size());
             ASSERT_EQ(1u, r->GetAttributes().size());
             EXPECT_EQ(kLongName, r->GetAttributes()[0]->GetLocalName().size());
         }},
        {"20,000 namespace declarations on one element",
         "<r" +
             Repeat(kDeclarations,
                    [](int i) { return " xmlns:p" + std::to_string(i) + "='urn:n" + std::to_string(i) + "'"; }) +
             "><p19999:c p7:a='1'/></r>",
         nullptr,
         [&](const CXmlDocument& d) {
             EXPECT_EQ(L"urn:n12345", d.LookupNamespaceFromAlias(L"p12345"));
             const CXmlElement* c = d.GetDocumentElement()->GetFirstElement();
             EXPECT_EQ(L"urn:n19999", c->GetNamespaceURI());
             EXPECT_EQ(L"urn:n7", c->GetAttributes()[0]->GetNamespaceURI());
         }},
        {"5,000 nested scopes each declaring a prefix",
         Repeat(kScopes,
                [](int i) {
                    std::string n = std::to_string(i);
                    return "<p" + n + ":e xmlns:p" + n + "='urn:s" + n + "'>";
                }) +
             Repeat(kScopes, [](int i) { return "</p" + std::to_string(kScopes - 1 - i) + ":e>"; }),
         nullptr,
         [&](const CXmlDocument& d) {
             int depth = 0;
             for (const CXmlElement* e = d.GetDocumentElement(); e; e = e->GetFirstElement(), ++depth)
                 if (e->GetNamespaceURI() != L"urn:s" + std::to_wstring(depth)) ADD_FAILURE() << "level " << depth;
             EXPECT_EQ(kScopes, depth);
         }},
        {"entity amplification", BillionLaughs(),
         L"limit on input amplification factor (from DTD and entities) breached at line 14", nullptr},
        {"an undefined entity", "<r>&nope;</r>", L"undefined entity at line 1", nullptr},
        {"invalid UTF-8 byte", "<r>\xff</r>", L"not well-formed (invalid token) at line 1", nullptr},
        {"overlong UTF-8 form", "<r>\xc0\xaf</r>", L"not well-formed (invalid token) at line 1", nullptr},
        {"lone continuation byte", "<r>\x80</r>", L"not well-formed (invalid token) at line 1", nullptr},
        {"encoded surrogate", "<r>\xed\xa0\x80</r>", L"not well-formed (invalid token) at line 1", nullptr},
        {"truncated sequence at the end", "<r>\xe2\x82", L"partial character at line 1", nullptr},
        {"invalid UTF-8 in a name", "<r\xff/>", L"not well-formed (invalid token) at line 1", nullptr},
        {"gzip inflating a thousandfold", Gzip("<r>" + std::string(kInflated, 'a') + "</r>"), nullptr,
         [&](const CXmlDocument& d) { EXPECT_EQ(kInflated, d.GetDocumentElement()->GetText().size()); }},
        {"gzip of a thousandfold of zeros", Gzip(std::string(kInflated, '\0')),
         L"not well-formed (invalid token) at line 1", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto start = std::chrono::steady_clock::now();
        std::string bytes = c.bytes;
        CXmlDocument document;
        try {
            document.LoadXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()));
            EXPECT_EQ(nullptr, c.error) << "loaded";
            if (c.check) c.check(document);
        } catch (const CNyException& e) {
            EXPECT_EQ(typeid(CNyException).name(), std::string(typeid(e).name()));
            EXPECT_EQ(nyxml_test::Utf8(c.error ? c.error : L"(loads)"), nyxml_test::Utf8(e.GetFullMessage()));
        }
        EXPECT_LT(nyxml_test::Since(start), 2.0);
    }
}

// Documents nested far deeper than any stack would allow a recursive walk:
// loaded, reloaded and destroyed without recursion on the depth.
namespace {

const int kDepth = 300000;

std::string Nested(int depth, const std::string& name) {
    std::string xml;
    xml.reserve(depth * (2 * name.size() + 5) + 1);
    for (int i = 0; i < depth; ++i) xml += "<" + name + ">";
    xml += "x";
    for (int i = 0; i < depth; ++i) xml += "</" + name + ">";
    return xml;
}

}  // namespace

TEST(DeepDocument, ThreeHundredThousandLevelsLoadReloadAndDestroy) {
    const std::string xml = Nested(kDepth, "a");
    {
        CXmlDocument document;
        document.LoadXml(xml.c_str());
        int depth = 0;
        const CXmlElement* innermost = nullptr;
        for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement()) {
            ++depth;
            innermost = e;
        }
        EXPECT_EQ(kDepth, depth);
        ASSERT_NE(nullptr, innermost);
        EXPECT_EQ(L"x", innermost->GetText());
        // A second load empties the first tree.
        document.LoadXml(xml.c_str());
        EXPECT_EQ(L"a", document.GetDocumentElement()->GetLocalName());
    }
    // Siblings and nesting mixed: every level has a sibling that nests again.
    std::string comb;
    for (int i = 0; i < kDepth / 2; ++i) comb += "<b><c><d/></c>";
    for (int i = 0; i < kDepth / 2; ++i) comb += "</b>";
    CXmlDocument document;
    document.LoadXml(comb.c_str());
    EXPECT_EQ(L"c", document.GetDocumentElement()->GetFirstElement()->GetLocalName());
}
