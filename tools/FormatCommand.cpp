// nyxml format: loads a document and writes it back as XML text through the
// library's text writer.
#include "Command.h"
#include "OutputOptions.h"
#include "TreeOutput.h"

#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace nyxml_tool {

using namespace NyXmlLib9;

// A list in order of first use, with a set to find what it holds: a
// document may use tens of thousands of namespaces.
struct OrderedNamespaces {
    std::vector<std::wstring> list;
    std::set<std::wstring> known;
};

static void Remember(OrderedNamespaces& namespaces, const std::wstring& ns) {
    if (ns.empty() || !namespaces.known.insert(ns).second) return;
    namespaces.list.push_back(ns);
}

// The namespaces of a tree, in order of first use, and whether some element
// has none (then no default namespace may be declared).
struct NamespaceUse {
    OrderedNamespaces elementNamespaces;
    OrderedNamespaces attributeNamespaces;
    bool elementWithoutNamespace = false;
    uint64_t elements = 0;
    uint64_t depthSum = 0;
    uint64_t maxDepth = 0;
};


static NamespaceUse CollectNamespaces(const CXmlElement* root) {
    NamespaceUse use;
    std::vector<std::pair<const CXmlElement*, uint64_t>> pending{{root, 0}};
    while (!pending.empty()) {
        const CXmlElement* e = pending.back().first;
        uint64_t depth = pending.back().second;
        pending.pop_back();
        ++use.elements;
        use.depthSum += depth;
        if (depth > use.maxDepth) use.maxDepth = depth;
        if (e->GetNamespaceURI().empty()) use.elementWithoutNamespace = true;
        Remember(use.elementNamespaces, e->GetNamespaceURI());
        for (const CXmlAttribute* a : e->GetAttributes()) Remember(use.attributeNamespaces, a->GetNamespaceURI());
        for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement())
            pending.emplace_back(c, depth + 1);
    }
    return use;
}

static void DeclareNamespaces(const CXmlElement* root, const NamespaceUse& use, CXmlWriter& writer) {
    std::wstring defaultNamespace;
    if (!use.elementWithoutNamespace) {
        defaultNamespace = root->GetNamespaceURI();
        writer.SetDefaultNamespace(defaultNamespace);
    }
    OrderedNamespaces all = use.elementNamespaces;
    for (const std::wstring& ns : use.attributeNamespaces.list) Remember(all, ns);
    bool defaultOnAttribute = use.attributeNamespaces.known.count(defaultNamespace) != 0;
    unsigned next = 0;
    for (const std::wstring& ns : all.list) {
        if (ns == CXmlWriter::kXmlNamespace) continue;
        if (ns == defaultNamespace && !defaultOnAttribute) continue;
        std::wstring prefix(2, L'A');
        prefix[0] = static_cast<wchar_t>(L'A' + next / 26 % 26);
        prefix[1] = static_cast<wchar_t>(L'A' + next % 26);
        if (next >= 26 * 26) prefix += std::to_wstring(next);
        ++next;
        writer.AddNamespace(prefix, ns);
    }
}

static bool IsWhiteSpace(const std::wstring& text) {
    for (wchar_t c : text)
        if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') return false;
    return true;
}

// Walks the tree without recursion: deep documents must not exhaust the stack.
void DeclareNamespaces(const CXmlElement* root, CXmlWriter& writer) {
    DeclareNamespaces(root, CollectNamespaces(root), writer);
}

void WriteTree(const CXmlElement* root, CXmlWriter& writer, bool formatted) {
    std::vector<std::pair<const CXmlElement*, bool>> pending{{root, false}};
    while (!pending.empty()) {
        const CXmlElement* e = pending.back().first;
        bool done = pending.back().second;
        if (done) {
            pending.pop_back();
            const std::wstring& text = e->GetText();
            if (!(formatted && e->GetFirstElement() && IsWhiteSpace(text))) writer.WriteText(text, ItemType_string);
            writer.EndElement();
            continue;
        }
        pending.back().second = true;
        writer.StartElement(e->GetLocalName(), e->GetNamespaceURI());
        for (const CXmlAttribute* a : e->GetAttributes())
            writer.WriteAttribute(a->GetLocalName(), a->GetNamespaceURI(), a->GetValue(), ItemType_string);
        std::vector<const CXmlElement*> children;
        for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, false);
    }
}

namespace {

using namespace NyXmlLib9;

const char kHelp[] =
    "usage: nyxml format [OPTIONS] IN OUT\n"
    "\n"
    "Loads IN (XML text in any encoding the parser knows, plain, gzip or zlib\n"
    "compressed, or Fast Infoset) and writes it to OUT as XML text. '-' reads\n"
    "standard input or writes standard output.\n"
    "\n"
    "Namespaces are declared once on the document element: the document\n"
    "element's namespace becomes the default when every element has a\n"
    "namespace, the others get the prefixes AA, AB, ... Each element's text is\n"
    "written after its children. When indenting, text made only of white space\n"
    "in an element that has children is left out (it is the old indentation).\n"
    "\n";
const std::string kFullHelp = std::string(kHelp) + kOutputOptionsHelp;

void Load(const OutputOptions& options, CXmlDocument& document) {
    if (options.in != "-") {
        document.Load(FromUtf8(options.in).c_str());
        return;
    }
    std::string bytes, error;
    if (!ReadAllBytes(options.in, bytes, error)) throw CNyException(FromUtf8(error));
    if (bytes.size() > UINT32_MAX) throw CNyException(L"The input is larger than 4 GiB");
    document.LoadXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()));
}

void WriteDocument(const CXmlElement* root, CTextStream& stream, const OutputOptions& options) {
    NamespaceUse use = CollectNamespaces(root);
    bool formatted = !options.compact;
    if (formatted && IndentationTooLarge(use.elements, use.depthSum)) {
        PrintError(CompactFallbackNote("format", use.maxDepth + 1));
        formatted = false;
    }
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(formatted);
    writer.SetEOLType(options.eol);
    writer.StartDocument();
    if (options.declaration) writer.WriteXmlDeclaration();
    DeclareNamespaces(root, use, writer);
    WriteTree(root, writer, formatted);
    writer.EndDocument();
}

void WriteStandardOutput(const CBinaryData& bytes) {
    if (bytes.GetLength() && std::fwrite(bytes.GetData(), 1, bytes.GetLength(), stdout) != bytes.GetLength())
        throw CNyException(L"Failed to write to standard output");
    if (std::fflush(stdout) != 0) throw CNyException(L"Failed to write to standard output");
}

void Save(const CXmlElement* root, const OutputOptions& options) {
    std::wstring out = FromUtf8(options.out);
    if (options.stream) {
        CFileTextStream stream(out.c_str(), options.encoding);
        WriteDocument(root, stream, options);
        return;
    }
    CTextStream stream(options.encoding);
    WriteDocument(root, stream, options);
    CBinaryData bytes = stream.GetBytes();
    XmlEncoding fileEncoding = options.encoding;
    if (options.gzip) {
        // The byte order mark goes inside the compressed data, so that the
        // decompressed file is an ordinary UTF-16 document.
        if (options.encoding == XmlEncoding_UTF16) {
            CBinaryData marked;
            static const unsigned char kMark[2] = {0xFF, 0xFE};
            marked.Append(kMark, 2);
            marked.Append(bytes);
            bytes = marked;
        }
        // The library's stream compression refuses data that would not
        // shrink; a file asked for with --gzip is a gzip file whatever its size.
        std::string packed = GzipBytes(bytes.GetData(), bytes.GetLength());
        bytes = CBinaryData();
        bytes.Append(reinterpret_cast<const unsigned char*>(packed.data()), static_cast<uint32_t>(packed.size()));
        fileEncoding = XmlEncoding_UTF8;
    }
    if (options.out == "-") {
        if (fileEncoding == XmlEncoding_UTF16) {
            CBinaryData marked;
            static const unsigned char kMark[2] = {0xFF, 0xFE};
            marked.Append(kMark, 2);
            marked.Append(bytes);
            bytes = marked;
        }
        WriteStandardOutput(bytes);
        return;
    }
    CFileBinaryStream file(out.c_str(), fileEncoding, bytes);
    file.Write();
}

int Run(const std::vector<std::string>& args) {
    OutputOptions options;
    if (int usage = ParseOutputArguments("format", args, options)) return usage;
    try {
        CXmlDocument document;
        Load(options, document);
        const CXmlElement* root = document.GetDocumentElement();
        if (!root) throw CNyException(L"Invalid or empty XML document");
        Save(root, options);
    } catch (const CNyException& e) {
        PrintError(e.GetFullMessage());
        return kExitFailure;
    } catch (const std::exception& e) {
        PrintError(std::string("format: ") + e.what());
        return kExitFailure;
    }
    return 0;
}

CommandRegistration registration({"format", "write a document back as XML text (indent, encoding, gzip)", kFullHelp.c_str(),
                                   &Run});

}  // namespace
}  // namespace nyxml_tool
