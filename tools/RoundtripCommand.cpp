// nyxml roundtrip: reads a document into untyped elements and writes it back
// through the objects' own entry points, then says what the trip changed.
#include "Command.h"
#include "OutputOptions.h"

#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/untyped.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace nyxml_tool {
namespace {

using namespace NyXmlLib9;

const char kHelp[] =
    "usage: nyxml roundtrip [OPTIONS] IN OUT\n"
    "\n"
    "Loads IN into untyped elements (the model that holds wildcard content)\n"
    "and writes it to OUT through the elements' own XML output. '-' reads\n"
    "standard input or writes standard output. A summary of what the round\n"
    "trip changed goes to standard error: an untyped element keeps one text,\n"
    "written after its children, so the text of mixed content, and the white\n"
    "space that indented the children, move behind the child elements;\n"
    "comments, processing instructions and the document type declaration are\n"
    "not kept; namespace prefixes are renamed (AA, AB, ...).\n"
    "\n";
const std::string kFullHelp = std::string(kHelp) + kOutputOptionsHelp;

bool HasContent(const std::wstring& text) {
    for (wchar_t c : text)
        if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') return true;
    return false;
}

struct Changes {
    uint64_t elements = 0;
    uint64_t mixed = 0;        // text with content beside child elements: moves after them
    uint64_t indentation = 0;  // white-space text beside child elements: rewritten
    uint64_t depthSum = 0;
    uint64_t maxDepth = 0;
};

void Survey(const CElement* element, Changes& changes) {
    std::vector<std::pair<const CElement*, uint64_t>> pending{{element, 0}};
    while (!pending.empty()) {
        const CElement* e = pending.back().first;
        uint64_t depth = pending.back().second;
        pending.pop_back();
        ++changes.elements;
        changes.depthSum += depth;
        if (depth > changes.maxDepth) changes.maxDepth = depth;
        CSmartPtr<CElementCol> children = e->GetChildElements();
        if (children->GetCount() > 0 && !e->GetText().empty())
            ++(HasContent(e->GetText()) ? changes.mixed : changes.indentation);
        for (CElementCol::iterator it = children->begin(); it != children->end(); ++it)
            pending.emplace_back(*it, depth + 1);
    }
}

void Load(const OutputOptions& options, CElement& root) {
    const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    if (options.in != "-") {
        root.FromXmlFile(FromUtf8(options.in).c_str(), ctx);
        return;
    }
    std::string bytes, error;
    if (!ReadAllBytes(options.in, bytes, error)) throw CNyException(FromUtf8(error));
    if (bytes.size() > UINT32_MAX) throw CNyException(L"The input is larger than 4 GiB");
    root.FromXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()), ctx);
}

void Save(const OutputOptions& options, const CElement& root, bool formatted) {
    const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    if (options.out != "-" && !options.gzip) {
        AsyncToXmlFile(options.stream);
        root.ToXmlFile(FromUtf8(options.out).c_str(), options.declaration, formatted, options.encoding, options.eol,
                       ctx, Compression_None);
        return;
    }
    CBinaryData bytes =
        root.ToXmlStream(options.declaration, formatted, options.encoding, options.eol, ctx, Compression_None);
    std::string out;
    // A file of UTF-16 starts with its byte order mark; standard output is
    // written like a file, and compressed output holds the mark inside.
    if (options.encoding == XmlEncoding_UTF16) out = "\xff\xfe";
    out.append(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetLength());
    // The library's stream compression refuses data that would not shrink;
    // output asked for with --gzip is gzip whatever its size.
    if (options.gzip) out = GzipBytes(reinterpret_cast<const unsigned char*>(out.data()), out.size());
    if (options.out != "-") {
        CBinaryData packed;
        packed.Append(reinterpret_cast<const unsigned char*>(out.data()), static_cast<uint32_t>(out.size()));
        CFileBinaryStream file(FromUtf8(options.out).c_str(), XmlEncoding_UTF8, packed);
        file.Write();
        return;
    }
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
        throw CNyException(L"Failed to write to standard output");
    if (std::fflush(stdout) != 0) throw CNyException(L"Failed to write to standard output");
}

int Run(const std::vector<std::string>& args) {
    OutputOptions options;
    if (int usage = ParseOutputArguments("roundtrip", args, options)) return usage;
    try {
        CSmartPtr<CElement> root(new CElement(L"document"));
        Load(options, *root);
        Changes changes;
        Survey(root, changes);
        bool formatted = !options.compact;
        if (formatted && IndentationTooLarge(changes.elements, changes.depthSum)) {
            PrintError(CompactFallbackNote("roundtrip", changes.maxDepth + 1));
            formatted = false;
        }
        Save(options, *root, formatted);
        std::fprintf(stderr, "roundtrip: %llu elements written\n", static_cast<unsigned long long>(changes.elements));
        std::fprintf(stderr, "roundtrip: %llu elements with mixed content: their text now follows their children\n",
                     static_cast<unsigned long long>(changes.mixed));
        std::fprintf(stderr, "roundtrip: %llu elements had white space between children: it now follows them%s\n",
                     static_cast<unsigned long long>(changes.indentation),
                     formatted ? ", after the output's own indentation" : "");
    } catch (const CNyException& e) {
        PrintError(e.GetFullMessage());
        return kExitFailure;
    } catch (const std::exception& e) {
        PrintError(std::string("roundtrip: ") + e.what());
        return kExitFailure;
    }
    return 0;
}

CommandRegistration registration({"roundtrip", "read a document into untyped elements and write it back",
                                   kFullHelp.c_str(), &Run});

}  // namespace
}  // namespace nyxml_tool
