// The writer knows a name met again by the string that held it: names passed
// in one string whose text changes between calls, of equal length, in other
// namespaces, and generated prefixes declared element after element must give
// the octets that separate strings give.
#include <nyxml/document.h>
#include <nyxml/fastinfoset.h>

#include "FastInfosetSupport.h"
#include "TestSupport.h"

#include <string>
#include <vector>

using namespace NyXmlLib9;

namespace {

struct Name {
    const wchar_t* local;
    const wchar_t* ns;
};

// Elements, each with one attribute of the same name and an xsi:type whose
// namespace has no prefix (declared on the element again and again).
const Name kNames[] = {
    {L"ab", L""},      {L"ba", L""},      {L"ab", L"urn:x"}, {L"ab", L""},  {L"abc", L"urn:x"},
    {L"ba", L"urn:y"}, {L"ab", L"urn:y"}, {L"ba", L""},      {L"ab", L""},  {L"x", L"urn:x"},
};

// Writes the document; `reuse` passes every name in the same two strings (a
// name met before goes out when its element starts, the attributes after it
// as they come) and flushes in the middle of each element.
std::string Write(bool reuse) {
    CBinaryStream stream;
    CFastInfosetContext options;
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.StartElement(L"r", L"");
    std::wstring local, ns;
    std::vector<std::wstring> fresh;
    fresh.reserve(3 * 2 * sizeof(kNames) / sizeof(kNames[0]));  // no moves: the writer sees each string once
    for (int round = 0; round < 3; ++round) {
        for (const Name& n : kNames) {
            const std::wstring* l;
            const std::wstring* u;
            if (reuse) {
                local = n.local;
                ns = n.ns;
                l = &local, u = &ns;
            } else {
                fresh.emplace_back(n.local);
                l = &fresh.back();
                fresh.emplace_back(n.ns);
                u = &fresh.back();
            }
            w.StartElement(*l, *u);
            w.WriteAttribute(*l, *u, std::wstring(n.local) + L"=" + n.ns, ItemType_string);
            // Octets moved out while the element still takes attributes.
            if (reuse) w.Flush();
            w.WriteXsiType(L"urn:t", *l, ItemType_string);
            w.WriteText(n.local, ItemType_string);
            w.EndElement();
        }
    }
    w.EndElement();
    w.WriteDocumentEnd();
    w.EndDocument();
    return fi_test::Hex(stream.GetData());
}

// Closes the document element and the document; the octets written.
std::string Close(CFastInfosetWriter& w, CBinaryStream& stream) {
    w.EndElement();
    w.WriteDocumentEnd();
    w.EndDocument();
    const CBinaryData& bytes = stream.GetData();
    return std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetLength());
}

}  // namespace

TEST(CFastInfosetWriter, NamesInOneChangingStringAreWrittenAsSeparateStrings) {
    const std::string reused = Write(true);
    EXPECT_EQ(Write(false), reused);
    // Read back, every name is the one written.
    // urn:t takes the first generated prefix and keeps it on every element.
    std::wstring expected = L"<{}r>";
    for (int round = 0; round < 3; ++round) {
        for (const Name& n : kNames) {
            std::wstring ns = L"{" + std::wstring(n.ns) + L"}";
            expected += L"<" + ns + n.local + L" " + ns + n.local + L"=\"" + n.local + L"=" + n.ns + L"\" " +
                        L"{http://www.w3.org/2001/XMLSchema-instance}type=\"AA:" + n.local + L"\">" + n.local +
                        L"</>";
        }
    }
    expected += L"</>";
    EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(fi_test::LoadDump(fi_test::Bytes(reused))));
}

TEST(CFastInfosetWriter, ShortAndLongValuesAreFoundAgainAsThemselves) {
    // Values kept in their table slot (one to eight ASCII characters) next to
    // values of the same start that are longer or not ASCII; each written
    // three times, the later ones as indexes.
    const std::wstring kValues[] = {L"a",        L"ab",        L"abcdefgh", L"abcdefghi", L"abcdefg\u00e9",
                                    L"\u00e9",   L"\u00e9a",   L"ABCDEFGH", L"b",         L"abcdefgh ",
                                    L"a\u0100", L"12345678", L"1234567",   L"i",         L"a\u0080"};
    CBinaryStream stream;
    CFastInfosetContext options;
    options.SetAttributeMaxAddLength(32);
    options.SetElementMaxAddLength(32);
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.StartElement(L"r", L"");
    std::wstring expected = L"<{}r>";
    for (int round = 0; round < 3; ++round) {
        for (const std::wstring& v : kValues) {
            w.StartElement(L"e", L"");
            w.WriteAttribute(L"v", L"", v, ItemType_string);
            w.WriteText(v, ItemType_string);
            w.EndElement();
            expected += L"<{}e {}v=\"" + v + L"\">" + v + L"</>";
        }
    }
    const std::string octets = Close(w, stream);
    expected += L"</>";
    EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(fi_test::LoadDump(octets)));
    // The later rounds are indexes: a value, short or long, is written
    // literally once as an attribute value and once as a character chunk.
    for (const char* literal : {"ABCDEFGH", "abcdefghi"}) {
        SCOPED_TRACE(literal);
        size_t count = 0;
        for (size_t at = octets.find(literal); at != std::string::npos; at = octets.find(literal, at + 1)) ++count;
        EXPECT_EQ(2u, count);
    }
}

TEST(CFastInfosetWriter, NamesAndValuesOfEveryLengthKeepEveryCharacter) {
    // Names of 1 to 20 characters passed in one changing string, each
    // differing from the one before in a single character, in every place;
    // values of 1 to 70 characters, ASCII or with one non-ASCII character in
    // every place. Both are read back as written, and the changing string
    // gives the octets of separate strings.
    std::vector<std::wstring> names, values;
    for (size_t n = 1; n <= 20; ++n) {
        const std::wstring base(n, L'n');
        for (size_t at = 0; at < n; ++at) {
            names.push_back(base);
            names.push_back(base);
            names.back()[at] = L'm';
        }
    }
    for (size_t n = 1; n <= 70; ++n) {
        std::wstring base;
        for (size_t i = 0; i < n; ++i) base += static_cast<wchar_t>(L'a' + i % 26);
        values.push_back(base);
        for (size_t at = 0; at < n; ++at) {
            values.push_back(base);
            values.back()[at] = L'\u00e9';
        }
    }
    auto write = [&](bool reuse) {
        CBinaryStream stream;
        CFastInfosetContext options;
        CFastInfosetWriter w(&stream, &options);
        w.WriteDocumentHeader(FInfoDecl_None);
        w.StartElement(L"r", L"");
        std::wstring name;
        std::vector<std::wstring> fresh;
        fresh.reserve(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            if (reuse) name = names[i];
            else fresh.push_back(names[i]);
            const std::wstring& local = reuse ? name : fresh.back();
            w.StartElement(local, L"");
            w.WriteAttribute(local, L"", values[i % values.size()], ItemType_string);
            w.EndElement();
        }
        for (const std::wstring& v : values) {
            w.StartElement(L"v", L"");
            w.WriteText(v, ItemType_string);
            w.EndElement();
        }
        return Close(w, stream);
    };
    const std::string octets = write(true);
    const std::string separate = write(false);
    EXPECT_EQ(fi_test::Hex(reinterpret_cast<const unsigned char*>(separate.data()), separate.size()),
              fi_test::Hex(reinterpret_cast<const unsigned char*>(octets.data()), octets.size()));
    std::wstring expected = L"<{}r>";
    for (size_t i = 0; i < names.size(); ++i)
        expected += L"<{}" + names[i] + L" {}" + names[i] + L"=\"" + values[i % values.size()] + L"\"></>";
    for (const std::wstring& v : values) expected += L"<{}v>" + v + L"</>";
    expected += L"</>";
    EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(fi_test::LoadDump(octets)));
}

TEST(CFastInfosetWriter, NamespacesOfTheDocumentElementAreNotTakenFromAnEarlierDocument) {
    // Documents one after the other through one writer, each document
    // element declaring one more namespace, its children in it, their names
    // in three strings taken in turn: the entries of a document element's
    // namespaces go with it (a later entry may take the place of an earlier
    // one), and what the writer knew of them must not name a later
    // document's namespace.
    auto write = [](bool reuse) {
        CBinaryStream stream;
        CFastInfosetContext options;
        CFastInfosetWriter w(&stream, &options);
        w.WriteDocumentHeader(FInfoDecl_None);
        std::wstring locals[3], ns;
        std::vector<std::wstring> fresh;
        fresh.reserve(64);
        for (int d = 0; d < 12; ++d) {
            const std::wstring uri = L"urn:" + std::wstring(1, static_cast<wchar_t>(L'a' + d));
            w.AddNamespace(L"p", uri);
            ns = uri;
            w.StartElement(L"r", ns);
            for (int i = 0; i < 2; ++i) {
                std::wstring& local = locals[d % 3];
                local = L"e";
                if (!reuse) fresh.emplace_back(L"e");
                w.StartElement(reuse ? local : fresh.back(), ns);
                w.WriteText(L"t", ItemType_string);
                w.EndElement();
            }
            w.EndElement();
        }
        w.WriteDocumentEnd();
        w.EndDocument();
        return fi_test::Hex(stream.GetData());
    };
    EXPECT_EQ(write(false), write(true));
}

TEST(CFastInfosetWriter, ValuesMetAgainUnderOneNameKeepTheirOwnTable) {
    // The same short values as attribute values and as character chunks,
    // the text one value ahead, so that a value has another index in each
    // table and an element's next attribute value is the text it held last:
    // every one is read back as itself.
    const std::wstring kValues[] = {L"1", L"web", L"DE", L"9.99", L"open", L"x\u00e9"};
    const size_t count = sizeof(kValues) / sizeof(kValues[0]);
    CBinaryStream stream;
    CFastInfosetContext options;
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.StartElement(L"r", L"");
    // Names in strings that live through the document: the writer knows
    // them again by their strings.
    const std::wstring kNames[] = {L"e", L"f"}, kAttribute = L"a", kNone;
    std::wstring expected = L"<{}r>";
    for (size_t round = 0; round < 4 * count; ++round) {
        const std::wstring& attribute = kValues[round % count];
        const std::wstring& text = kValues[(round + 1) % count];
        for (const std::wstring& name : kNames) {
            w.StartElement(name, kNone);
            w.WriteAttribute(kAttribute, kNone, attribute, ItemType_string);
            w.WriteText(text, ItemType_string);
            w.EndElement();
            expected += L"<{}" + name + L" {}a=\"" + attribute + L"\">" + text + L"</>";
        }
    }
    const std::string octets = Close(w, stream);
    expected += L"</>";
    EXPECT_EQ(nyxml_test::Utf8(expected), nyxml_test::Utf8(fi_test::LoadDump(octets)));
}
