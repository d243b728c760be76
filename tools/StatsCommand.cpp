// nyxml stats: loads a document and describes its tree.
#include "Command.h"

#include <nyxml/document.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <utility>

namespace nyxml_tool {
namespace {

const char kHelp[] =
    "usage: nyxml stats [--async] FILE|-\n"
    "\n"
    "Loads the document (XML text in any encoding the parser knows or Fast\n"
    "Infoset, plain, gzip or zlib compressed) and prints its format, the number\n"
    "of elements, attributes and text nodes, the maximum depth, the namespaces\n"
    "used, the bytes read and the load time. '-' reads standard input.\n"
    "\n"
    "  --async   read the file in 128 KiB chunks while parsing (XML text only)\n";

struct Stats {
    uint64_t elements = 0;
    uint64_t attributes = 0;
    uint64_t textNodes = 0;
    uint64_t textUnits = 0;
    uint64_t maxDepth = 0;
    std::set<std::wstring> namespaces;
};

void Walk(const NyXmlLib9::CXmlElement* root, Stats& stats) {
    // Iterative walk: the depth of a document must not be limited by our stack.
    std::vector<std::pair<const NyXmlLib9::CXmlElement*, uint64_t>> pending{{root, 1}};
    while (!pending.empty()) {
        auto [element, depth] = pending.back();
        pending.pop_back();
        ++stats.elements;
        if (depth > stats.maxDepth) stats.maxDepth = depth;
        if (!element->GetNamespaceURI().empty()) stats.namespaces.insert(element->GetNamespaceURI());
        for (const NyXmlLib9::CXmlAttribute* a : element->GetAttributes()) {
            ++stats.attributes;
            if (!a->GetNamespaceURI().empty()) stats.namespaces.insert(a->GetNamespaceURI());
        }
        if (!element->GetText().empty()) {
            ++stats.textNodes;
            stats.textUnits += element->GetText().size();
        }
        for (const NyXmlLib9::CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement())
            pending.emplace_back(c, depth + 1);
    }
}

int Run(const std::vector<std::string>& args) {
    bool async = false;
    std::string path;
    for (const std::string& a : args) {
        if (a == "--async") {
            async = true;
        } else if (a.size() > 1 && a[0] == '-' ) {
            PrintError("stats: unknown option '" + a + "'");
            return kExitUsage;
        } else if (path.empty()) {
            path = a;
        } else {
            PrintError("stats: only one input is accepted");
            return kExitUsage;
        }
    }
    if (path.empty()) {
        PrintError("stats: no input given (a file name, or - for standard input)");
        return kExitUsage;
    }

    NyXmlLib9::CXmlDocument document;
    uint64_t bytesRead = 0;
    std::string format;
    auto start = std::chrono::steady_clock::now();
    try {
        if (path == "-") {
            std::string bytes, error;
            if (!ReadAllBytes(path, bytes, error)) {
                PrintError(error);
                return kExitFailure;
            }
            if (bytes.size() > UINT32_MAX) {
                PrintError("stats: input larger than 4 GiB");
                return kExitFailure;
            }
            bytesRead = bytes.size();
            format = DescribeFormat(bytes);
            document.LoadXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()));
        } else {
            NyXmlLib9::AsyncFromXmlFile(async);
            std::FILE* f = std::fopen(path.c_str(), "rb");
            if (f) {
                std::string head(4096, '\0');
                head.resize(std::fread(&head[0], 1, head.size(), f));
                format = DescribeFormat(head);
                if (std::fseek(f, 0, SEEK_END) == 0) bytesRead = static_cast<uint64_t>(std::ftell(f));
                std::fclose(f);
            }
            document.Load(FromUtf8(path).c_str());
        }
    } catch (const NyXmlLib9::CNyException& e) {
        PrintError(e.GetFullMessage());
        return kExitFailure;
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    Stats stats;
    Walk(document.GetDocumentElement(), stats);
    std::printf("input:       %s\n", path == "-" ? "(standard input)" : path.c_str());
    std::printf("format:      %s\n", format.c_str());
    std::printf("bytes read:  %llu\n", static_cast<unsigned long long>(bytesRead));
    std::printf("elements:    %llu\n", static_cast<unsigned long long>(stats.elements));
    std::printf("attributes:  %llu\n", static_cast<unsigned long long>(stats.attributes));
    std::printf("text nodes:  %llu (%llu characters)\n", static_cast<unsigned long long>(stats.textNodes),
                static_cast<unsigned long long>(stats.textUnits));
    std::printf("max depth:   %llu\n", static_cast<unsigned long long>(stats.maxDepth));
    std::printf("namespaces:  %zu\n", stats.namespaces.size());
    for (const std::wstring& ns : stats.namespaces) std::printf("  %s\n", ToUtf8(ns).c_str());
    std::printf("load time:   %.3f ms\n", ms);
    return 0;
}

CommandRegistration registration({"stats", "count elements, attributes, text and namespaces of a document", kHelp,
                                   &Run});

}  // namespace
}  // namespace nyxml_tool
