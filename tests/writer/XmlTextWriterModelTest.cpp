// CXmlTextWriter against a plain model of its rules (strings and maps, every
// scope copied eagerly), on random event sequences: namespaces declared and
// generated at every level, escaping, line ends, indentation, xsi attributes,
// failures, and documents long enough to cross many chunk boundaries and to
// be flushed piecewise.
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <map>
#include <random>
#include <string>
#include <vector>

using namespace NyXmlLib9;

namespace {

const std::wstring kXsi = L"http://www.w3.org/2001/XMLSchema-instance";
const std::wstring kXml = L"http://www.w3.org/XML/1998/namespace";

// The text writer's rules, written as directly as possible.
class ModelWriter {
public:
    std::wstring out;
    bool formatted = true;
    std::wstring eol = L"\n";

    ModelWriter() { m_rootMap[kXml] = L"xml"; }

    bool StartTagOpen() const { return !m_open.empty() && m_open.back().startTagOpen; }

    void SetDefaultNamespace(const std::wstring& uri) {
        if (m_open.empty())
            m_rootDefault = uri;
        else
            m_open.back().defaultNamespace = uri;
    }
    void AddNamespace(const std::wstring& prefix, const std::wstring& uri) {
        if (m_open.empty())
            m_rootMap[uri] = prefix;
        else
            m_open.back().map[uri] = prefix;
    }
    void Declaration(XmlEncoding encoding) {
        out += L"<?xml version=\"1.0\"";
        if (encoding == XmlEncoding_UTF8) out += L" encoding=\"UTF-8\"";
        if (encoding == XmlEncoding_UTF16) out += L" encoding=\"UTF-16\"";
        out += L"?>" + eol;
    }
    void Comment(const std::wstring& text) { out += L"<!--" + Escape(text, false) + L"-->" + eol; }
    void ProcessingInstruction(const std::wstring& text) { out += text + eol + eol; }
    void InLineSchema(const std::wstring& text) { out += L" " + eol + text + eol; }

    void StartElement(const std::wstring& name, const std::wstring& uri) {
        Element element;
        if (m_open.empty()) {
            element.map = m_rootMap;
            element.defaultNamespace = m_rootDefault;
        } else {
            Element& parent = m_open.back();
            ++parent.children;
            if (parent.startTagOpen) {
                out += L">";
                parent.startTagOpen = false;
                if (formatted) out += eol;
            }
            element.map = parent.map;
            element.defaultNamespace = parent.defaultNamespace;
            element.depth = parent.depth + 1;
        }
        element.name = name;
        if (formatted) out += std::wstring(element.depth, L'\t');
        out += L"<";
        std::wstring declaration;
        if (!uri.empty() && uri != element.defaultNamespace) {
            auto it = element.map.find(uri);
            if (it == element.map.end()) {
                element.prefix = Generate(element.map);
                element.map[uri] = element.prefix;
                declaration = L" xmlns:" + element.prefix + L"=\"" + Escape(uri, true) + L"\"";
            } else {
                element.prefix = it->second;
            }
            out += element.prefix + L":";
        }
        out += name + declaration;
        if (element.depth == 0) {
            if (!m_rootDefault.empty()) out += L" xmlns=\"" + Escape(m_rootDefault, true) + L"\"";
            for (const auto& entry : m_rootMap) {
                if (entry.first != kXml) out += L" xmlns:" + entry.second + L"=\"" + Escape(entry.first, true) + L"\"";
            }
        }
        m_open.push_back(element);
    }

    void Text(const std::wstring& text) {
        if (text.empty()) return;
        if (StartTagOpen()) {
            out += L">";
            m_open.back().startTagOpen = false;
        }
        out += text.compare(0, 9, L"<![CDATA[") == 0 ? text : Escape(text, false);
    }

    void EndElement() {
        Element& element = m_open.back();
        if (element.startTagOpen) {
            out += L"/>";
        } else {
            if (formatted && element.children > 0) out += std::wstring(element.depth, L'\t');
            out += L"</" + (element.prefix.empty() ? L"" : element.prefix + L":") + element.name + L">";
        }
        if (formatted) out += eol;
        m_open.pop_back();
    }

    void Attribute(const std::wstring& name, const std::wstring& uri, const std::wstring& value) {
        out += L" ";
        if (!uri.empty()) out += PrefixForAttribute(uri, L"") + L":";
        out += name + L"=\"" + Escape(value, true) + L"\"";
    }

    void XsiType(const std::wstring& uri, const std::wstring& type) {
        Element& element = m_open.back();
        std::wstring value = type;
        if (!uri.empty() && uri != element.defaultNamespace) value = PrefixForAttribute(uri, L" ") + L":" + type;
        Attribute(L"type", kXsi, value);
    }

private:
    struct Element {
        std::wstring name, prefix, defaultNamespace;
        std::map<std::wstring, std::wstring> map;
        int depth = 0;
        int children = 0;
        bool startTagOpen = true;
    };

    static std::wstring Generate(const std::map<std::wstring, std::wstring>& map) {
        for (int i = 0;; ++i) {
            std::wstring candidate{static_cast<wchar_t>(L'A' + i / 26), static_cast<wchar_t>(L'A' + i % 26)};
            bool taken = false;
            for (const auto& entry : map) taken = taken || entry.second == candidate;
            if (!taken) return candidate;
        }
    }

    // The prefix of the URI in the current scope; a new one is declared
    // first, preceded by `before`.
    std::wstring PrefixForAttribute(const std::wstring& uri, const std::wstring& before) {
        Element& element = m_open.back();
        auto it = element.map.find(uri);
        if (it != element.map.end()) return it->second;
        std::wstring prefix = Generate(element.map);
        element.map[uri] = prefix;
        out += before + L"xmlns:" + prefix + L"=\"" + Escape(uri, true) + L"\" ";
        return prefix;
    }

    std::wstring Escape(const std::wstring& text, bool attribute) const {
        std::wstring result;
        for (wchar_t c : text) {
            switch (c) {
            case L'\n': result += attribute ? L"&#xA;" : eol; break;
            case L'\r': break;
            case L'"': result += L"&quot;"; break;
            case L'&': result += L"&amp;"; break;
            case L'<': result += L"&lt;"; break;
            case L'>': result += L"&gt;"; break;
            default: result += c; break;
            }
        }
        return result;
    }

    std::vector<Element> m_open;
    std::map<std::wstring, std::wstring> m_rootMap;
    std::wstring m_rootDefault;
};

const wchar_t* const kNamespaces[] = {L"", L"", L"urn:a", L"urn:b", L"urn:a-longer-namespace-name-for-the-test",
                                      L"http://example.org/q?x=1&y=\"2\"", L"http://www.w3.org/2001/XMLSchema-instance",
                                      L"http://www.w3.org/XML/1998/namespace"};
const wchar_t* const kNames[] = {L"a", L"item", L"longer-element-name", L"n.1", L"\x00E9l\x00E9ment",
                                 L"a-name-that-is-longer-than-sixteen-characters"};
const wchar_t* const kPrefixes[] = {L"p", L"AA", L"AB", L"q", L"xsi", L"a-long-prefix"};

// Byte streams end a piece at a lone surrogate: their texts have pairs only.
bool g_loneSurrogates = true;

std::wstring RandomText(std::mt19937& rng) {
    static const wchar_t alphabet[] = L"abc <>&\"'\r\n\t\x00E9\x4E2D]\xD83D\xDE00";
    const size_t letters = sizeof alphabet / sizeof alphabet[0] - 1 - (g_loneSurrogates ? 0 : 2);
    size_t length;
    switch (rng() % 6) {
    case 0: length = 0; break;
    case 1: length = rng() % 4; break;
    case 2: length = 4000 + rng() % 200; break;  // about one chunk
    default: length = rng() % 70; break;
    }
    std::wstring text;
    bool plain = rng() % 3 == 0;  // long clean runs, few escapes
    for (size_t i = 0; i < length; ++i) {
        if (!g_loneSurrogates && rng() % 40 == 0) text += L"\xD83D\xDE00";
        text += plain && rng() % 32 ? L'x' : alphabet[rng() % letters];
    }
    if (rng() % 25 == 0) text = L"<![CDATA[" + text + L"]]>";
    return text;
}

template <class T, size_t N>
const T& Pick(std::mt19937& rng, const T (&items)[N]) {
    return items[rng() % N];
}

// One random document written to both; attributes after content must be
// refused by the writer with the model's text left as it was.
void WriteRandomDocument(std::mt19937& rng, CXmlTextWriter& writer, ModelWriter& model, XmlEncoding encoding) {
    bool formatted = rng() % 2 == 0;
    writer.SetFormatted(formatted);
    model.formatted = formatted;
    if (rng() % 3 == 0) {
        writer.SetEOLType(EOL_CRLF);
        model.eol = L"\r\n";
    }
    writer.StartDocument();
    if (rng() % 2) {
        writer.WriteXmlDeclaration();
        model.Declaration(encoding);
    }
    for (int i = static_cast<int>(rng() % 3); i > 0; --i) {
        std::wstring prefix = Pick(rng, kPrefixes), uri = Pick(rng, kNamespaces);
        if (uri.empty()) continue;
        writer.AddNamespace(prefix, uri);
        model.AddNamespace(prefix, uri);
    }
    if (rng() % 3 == 0) {
        std::wstring uri = Pick(rng, kNamespaces);
        writer.SetDefaultNamespace(uri);
        model.SetDefaultNamespace(uri);
    }
    if (rng() % 4 == 0) {
        writer.WriteProcessingInstruction(L"<?pi data?>");
        model.ProcessingInstruction(L"<?pi data?>");
    }
    int budget = 20 + static_cast<int>(rng() % 400);
    int depth = 0;
    writer.StartElement(Pick(rng, kNames), Pick(rng, kNamespaces));
    model.StartElement(writer.GetCurrentElement()->GetLocalName(), writer.GetCurrentElement()->GetNamespaceURI());
    ++depth;
    while (depth > 0) {
        unsigned op = rng() % 20;
        if (--budget < 0) op = 19;  // close everything
        if (op < 5 && depth < 40) {
            std::wstring name = Pick(rng, kNames), uri = Pick(rng, kNamespaces);
            writer.StartElement(name, uri);
            model.StartElement(name, uri);
            ++depth;
        } else if (op < 9) {
            std::wstring name = Pick(rng, kNames), uri = Pick(rng, kNamespaces), value = RandomText(rng);
            if (uri == kXml && rng() % 2) name = L"lang";
            if (model.StartTagOpen()) {
                writer.WriteAttribute(name, uri, value, ItemType_string);
                model.Attribute(name, uri, value);
            } else {
                EXPECT_NY_THROW(writer.WriteAttribute(name, uri, value, ItemType_string), CNyException,
                                L"Attributes must be added before elements");
            }
        } else if (op < 10) {
            std::wstring uri = Pick(rng, kNamespaces), type = Pick(rng, kNames);
            if (model.StartTagOpen()) {
                writer.WriteXsiType(uri, type, ItemType_string);
                model.XsiType(uri, type);
            } else {
                EXPECT_NY_THROW(writer.WriteXsiType(uri, type, ItemType_string), CNyException,
                                L"Attributes must be added before elements");
            }
        } else if (op < 11) {
            if (model.StartTagOpen()) {
                writer.WriteXsiNil();
                model.Attribute(L"nil", kXsi, L"true");
            } else {
                EXPECT_NY_THROW(writer.WriteXsiNil(), CNyException, L"Attributes must be added before elements");
            }
        } else if (op < 12) {
            std::wstring prefix = Pick(rng, kPrefixes), uri = Pick(rng, kNamespaces);
            if (rng() % 2) {
                writer.AddNamespace(prefix, uri);
                model.AddNamespace(prefix, uri);
            } else {
                writer.SetDefaultNamespace(uri);
                model.SetDefaultNamespace(uri);
            }
        } else if (op < 13 && rng() % 4 == 0) {
            std::wstring text = RandomText(rng);
            writer.WriteComment(text);
            model.Comment(text);
        } else if (op < 14 && model.StartTagOpen() && rng() % 4 == 0) {
            writer.WriteInLineSchema(L"<xs:schema/>");
            model.InLineSchema(L"<xs:schema/>");
        } else if (op < 16) {
            std::wstring text = RandomText(rng);
            writer.WriteText(text, ItemType_string);
            model.Text(text);
        } else {
            writer.EndElement();
            model.EndElement();
            --depth;
        }
    }
    writer.EndDocument();
}

}  // namespace

TEST(CXmlTextWriterModel, RandomDocumentsInMemory) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        CTextStream stream(XmlEncoding_UTF8);
        CXmlTextWriter writer(&stream);
        ModelWriter model;
        WriteRandomDocument(rng, writer, model, XmlEncoding_UTF8);
        ASSERT_EQ(model.out, std::wstring(stream.GetBuffer().GetString()));
    }
}
